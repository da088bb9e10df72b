#include "support/testsupport.h"

#include "media/mediaengine.h"

#include <QDir>
#include <QSignalSpy>

namespace TestSupport {

QString sourceDir()
{
    return qEnvironmentVariable("BRELO_SOURCE_DIR", QStringLiteral("."));
}

QString binaryDir()
{
    return qEnvironmentVariable("BRELO_BINARY_DIR", QStringLiteral("."));
}

QString screenshotDir()
{
    const QString dir = binaryDir() + QStringLiteral("/screenshots");
    QDir().mkpath(dir);
    return dir;
}

void quietEngines()
{
    MediaEngine::Options o = MediaEngine::defaultOptions();
    o.video = false;
    o.audioTap = [](const qint16 *, int, int, int, qint64) {};
    MediaEngine::setDefaultOptions(o);
}

QStringList writtenValues(const QSignalSpy &spy, const QString &property)
{
    QStringList values;
    for (const QList<QVariant> &args : spy)
        if (args.at(0).toString() == property)
            values << args.at(1).toString();
    return values;
}

}  // namespace TestSupport
