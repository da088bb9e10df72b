#include "support/testsupport.h"

#include <QDir>

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

}  // namespace TestSupport
