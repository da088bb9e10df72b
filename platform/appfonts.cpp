#include "platform/appfonts.h"

#include "platform/logging.h"

#include <QFile>
#include <QFontDatabase>

namespace AppFonts {

namespace {
const char *const kTahomaFiles[] = {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"};
}  // namespace

void ensureTahoma()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma")))
        return;
    for (const char *file : kTahomaFiles) {
        if (!QFile::exists(QString::fromLatin1(file))
            || QFontDatabase::addApplicationFont(QString::fromLatin1(file)) < 0)
            qCDebug(lcApp) << "font not available:" << file;
    }
}

}  // namespace AppFonts
