#include "catalogue/listenerlist.h"

#include "platform/logging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace ListenerList {

namespace {
const QString kRelative = QStringLiteral("breloplayer/canais.m3u");
}

QString locate()
{
    return QStandardPaths::locate(QStandardPaths::GenericConfigLocation, kRelative);
}

QString writablePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' + kRelative;
}

Stamp stampOf(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return {};
    return {true, info.size(), info.lastModified()};
}

Loaded load(const QString &path)
{
    if (path.isEmpty()) {
        qCDebug(lcCatalogue) << "no breloplayer/canais.m3u in the configuration folders: built-in channels";
        return {};
    }
    QFile file(path);
    const Stamp stamp = stampOf(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcCatalogue).noquote()
            << path << "unreadable:" << file.errorString() << "- built-in channels kept";
        return {};
    }
    // One byte more than allowed tells an oversized file without reading it all.
    const QByteArray bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        qCWarning(lcCatalogue).noquote()
            << path << "unreadable:" << file.errorString() << "- built-in channels kept";
        return {};
    }
    Loaded loaded;
    static_cast<Parsed &>(loaded) = parse(bytes);
    loaded.path = path;
    loaded.stamp = stamp;
    for (const QString &reason : std::as_const(loaded.reasons))
        qCWarning(lcCatalogue).noquote() << path << reason;
    if (loaded.rows.isEmpty())
        qCWarning(lcCatalogue).noquote() << path << "- built-in channels kept";
    else
        qCDebug(lcCatalogue).noquote() << path << loaded.rows.size() << "channels replace the built-in ones";
    return loaded;
}

Saved save(const QString &path, const QByteArray &bytes, const Stamp &expected)
{
    Saved result;
    if (stampOf(path) != expected) {
        qCWarning(lcCatalogue).noquote() << path << "changed on disk since it was read: not overwritten";
        result.outcome = Saved::Conflict;
        return result;
    }
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        result.error = file.errorString();
        file.cancelWriting();
        qCWarning(lcCatalogue).noquote() << path << "not saved:" << result.error;
        return result;
    }
    qCDebug(lcCatalogue).noquote() << path << "saved," << bytes.size() << "bytes";
    result.outcome = Saved::Done;
    result.stamp = stampOf(path);
    return result;
}

bool setAside(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return true;
    const QString backup = path + QStringLiteral(".bak");
    QFile::remove(backup);
    const bool moved = QFile::rename(path, backup);
    qCDebug(lcCatalogue).noquote() << path << (moved ? "set aside as" : "could not be set aside as")
                                   << backup;
    return moved;
}

}  // namespace ListenerList
