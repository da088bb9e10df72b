#include "player/links.h"

#include "platform/logging.h"

#include <QDesktopServices>
#include <QDir>

namespace Links {

namespace {
Opener &opener()
{
    static Opener o;
    return o;
}
}  // namespace

QUrl downloadPage()
{
    return QUrl(QStringLiteral("http://projetos.example.org/projects/breloplayer/"));
}

QString helpFileIn(const QString &folder)
{
    const QString wanted = QStringLiteral("ajuda.CHM");
    const QDir dir(folder);
    // The name as the file system has it, so a case-sensitive one finds
    // "ajuda.chm" as well; an exact spelling wins over the others.
    QString found;
    const QStringList names = dir.entryList(QDir::Files | QDir::Readable | QDir::Hidden, QDir::Name);
    for (const QString &name : names) {
        if (name.compare(wanted, Qt::CaseInsensitive) != 0)
            continue;
        if (found.isEmpty() || name == QLatin1String("ajuda.chm"))
            found = name;
    }
    return found.isEmpty() ? QString() : dir.absoluteFilePath(found);
}

void open(const QUrl &url)
{
    qCDebug(lcPlayer) << "opening" << url.toDisplayString();
    if (opener()) {
        opener()(url);
        return;
    }
    if (!QDesktopServices::openUrl(url))
        qCDebug(lcPlayer) << "the desktop could not open" << url.toDisplayString();
}

void setOpener(Opener o)
{
    opener() = std::move(o);
}

}  // namespace Links
