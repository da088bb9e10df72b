#include "catalogue/channelstore.h"

#include "platform/logging.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

ChannelStore::ChannelStore(const ListenerList::Loaded &read, const QString &path, QObject *parent)
    : QObject(parent), m_path(path)
{
    m_list.header = read.header;
    m_list.trailer = read.trailer;
    m_list.guides = read.guides;
    // A list read from a system-wide folder is not the one edits go to.
    m_stamp = read.path == path ? read.stamp : ListenerList::stampOf(path);
}

void ChannelStore::save(const QList<CatalogueEntry> &rows)
{
    m_next = rows;
    if (!m_saving)
        startSave();
}

void ChannelStore::startSave()
{
    ListenerList::Parsed list = m_list;
    list.rows = *std::exchange(m_next, std::nullopt);
    m_saving = true;
    QThreadPool::globalInstance()->start(
        [self = QPointer(this), path = m_path, stamp = m_stamp, list = std::move(list)] {
            const ListenerList::Saved result = ListenerList::save(path, ListenerList::write(list), stamp);
            QMetaObject::invokeMethod(QCoreApplication::instance(), [self, result] {
                if (!self)
                    return;
                self->m_saving = false;
                switch (result.outcome) {
                case ListenerList::Saved::Done:
                    self->m_stamp = result.stamp;
                    emit self->saved();
                    break;
                case ListenerList::Saved::Conflict:
                    self->m_next.reset();
                    emit self->conflict();
                    return;
                case ListenerList::Saved::Failed: emit self->saveFailed(result.error); break;
                }
                if (self->m_next)
                    self->startSave();
            });
        });
}

void ChannelStore::reload()
{
    QThreadPool::globalInstance()->start([self = QPointer(this), path = m_path] {
        ListenerList::Loaded read = ListenerList::load(path);
        QMetaObject::invokeMethod(QCoreApplication::instance(), [self, read = std::move(read)] {
            if (!self)
                return;
            self->m_list.header = read.header;
            self->m_list.trailer = read.trailer;
            self->m_list.guides = read.guides;
            self->m_stamp = read.stamp;
            emit self->reloaded(read.rows);
        });
    });
}

bool ChannelStore::setAside()
{
    if (!ListenerList::setAside(m_path))
        return false;
    m_list = {};
    m_stamp = {};
    return true;
}

void ChannelStore::adoptHeader(const ListenerList::Parsed &from)
{
    m_list.header = from.header;
    m_list.trailer.clear();
    m_list.guides = from.guides;
}

void ChannelStore::addGuides(const QStringList &guides)
{
    QStringList added = m_list.guides;
    for (const QString &g : guides)
        if (!added.contains(g))
            added << g;
    if (added == m_list.guides)
        return;
    qCDebug(lcCatalogue) << "programme guides:" << added;
    m_list.guides = added;
    // Our own header line names them all; a header written by someone else
    // is replaced only in that line.
    QByteArray header = m_list.header;
    const qsizetype firstLineEnd = header.indexOf('\n');
    const QByteArray rest = firstLineEnd < 0 ? QByteArray() : header.mid(firstLineEnd + 1);
    m_list.header = "#EXTM3U x-tvg-url=\"" + added.join(u',').toUtf8() + "\"\n" + rest;
}
