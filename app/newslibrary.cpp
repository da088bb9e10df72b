#include "app/newslibrary.h"

#include "platform/logging.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QThread>

NewsLibrary::NewsLibrary(const QString &path, QObject *parent)
    : QObject(parent), m_library(new QLibrary(path, this))
{ }

NewsLibrary::~NewsLibrary()
{
    // A load under way cannot be stopped; it is short.
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
    }
}

QString NewsLibrary::besideProgram()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("libbreloplayer-news.so"));
}

void NewsLibrary::load()
{
    if (m_thread)
        return;
    qCDebug(lcApp) << "news module: loading" << m_library->fileName();
    m_thread = QThread::create([this] {
        const bool ok = m_library->load();
        QMetaObject::invokeMethod(
            this, [this, ok] { finish(ok); }, Qt::QueuedConnection);
    });
    m_thread->setObjectName(QStringLiteral("news module loader"));
    m_thread->start();
}

void NewsLibrary::finish(bool ok)
{
    m_thread->wait();
    const auto entry
        = ok ? reinterpret_cast<BreloNewsWindowEntry>(m_library->resolve(BRELO_NEWS_WINDOW_ENTRY)) : nullptr;
    if (!entry) {
        const QString reason = m_library->errorString();
        qCWarning(lcApp) << "news module: not available:" << reason;
        emit failed(reason);
        return;
    }
    qCDebug(lcApp) << "news module: loaded";
    emit loaded(entry);
}
