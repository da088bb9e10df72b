#include "catalogue/listenerlist.h"

#include "platform/logging.h"

#include <QFile>
#include <QStandardPaths>

namespace ListenerList {

QString locate()
{
    return QStandardPaths::locate(QStandardPaths::GenericConfigLocation,
                                  QStringLiteral("breloplayer/canais.m3u"));
}

QList<CatalogueEntry> load(const QString &path)
{
    if (path.isEmpty()) {
        qCDebug(lcCatalogue) << "no breloplayer/canais.m3u in the configuration folders: built-in channels";
        return {};
    }
    QFile file(path);
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
    const Parsed parsed = parse(bytes);
    for (const QString &reason : parsed.reasons)
        qCWarning(lcCatalogue).noquote() << path << reason;
    if (parsed.rows.isEmpty())
        qCWarning(lcCatalogue).noquote() << path << "- built-in channels kept";
    else
        qCDebug(lcCatalogue).noquote() << path << parsed.rows.size() << "channels replace the built-in ones";
    return parsed.rows;
}

}  // namespace ListenerList
