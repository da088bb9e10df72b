#include "catalogue/listenerlistloader.h"

#include "catalogue/listenerlist.h"

#include <condition_variable>
#include <mutex>
#include <thread>

struct ListenerListLoader::Shared {
    std::mutex mutex;
    std::condition_variable done;
    std::optional<ListenerList::Loaded> rows;
    ListenerListLoader *owner = nullptr;  // cleared when the loader goes
};

ListenerListLoader::ListenerListLoader(QObject *parent)
    : ListenerListLoader([] { return ListenerList::load(ListenerList::locate()); }, parent)
{ }

ListenerListLoader::ListenerListLoader(Read read, QObject *parent)
    : QObject(parent), m_shared(std::make_shared<Shared>())
{
    m_shared->owner = this;
    // Detached rather than pooled: Qt waits for its pool's threads at exit,
    // and a read stuck on a dead network mount would then hang the exit.
    std::thread([shared = m_shared, read = std::move(read)] {
        ListenerList::Loaded rows = read();
        const std::lock_guard lock(shared->mutex);
        shared->rows = std::move(rows);
        shared->done.notify_all();
        // Under the lock, so the owner cannot go while the call is posted;
        // a posted call dies with its receiver.
        if (ListenerListLoader *owner = shared->owner)
            QMetaObject::invokeMethod(
                owner, [owner] { owner->deliver(); }, Qt::QueuedConnection);
    }).detach();
}

ListenerListLoader::~ListenerListLoader()
{
    const std::lock_guard lock(m_shared->mutex);
    m_shared->owner = nullptr;
}

std::optional<QList<CatalogueEntry>> ListenerListLoader::takeWithin(std::chrono::milliseconds wait)
{
    std::unique_lock lock(m_shared->mutex);
    if (!m_shared->done.wait_for(lock, wait, [this] { return m_shared->rows.has_value(); }))
        return std::nullopt;
    m_taken = true;
    return m_shared->rows->rows;
}

const ListenerList::Loaded &ListenerListLoader::loaded() const
{
    static const ListenerList::Loaded none;
    const std::lock_guard lock(m_shared->mutex);
    return m_shared->rows ? *m_shared->rows : none;
}

void ListenerListLoader::deliver()
{
    if (m_taken)
        return;
    m_taken = true;
    QList<CatalogueEntry> rows;
    {
        const std::lock_guard lock(m_shared->mutex);
        rows = m_shared->rows->rows;
    }
    emit ready(rows);
}
