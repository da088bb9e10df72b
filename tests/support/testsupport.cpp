#include "support/testsupport.h"

#include "media/mediaengine.h"

#include <QDir>
#include <QProcess>
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

void endProgram(QProcess &program)
{
    if (program.state() == QProcess::NotRunning)
        return;
    program.terminate();
    if (!program.waitForFinished(3000)) {
        program.kill();
        program.waitForFinished(3000);
    }
}

}  // namespace TestSupport
