#include "news/webenginesetup.h"

#include <QCoreApplication>

#include <utility>

namespace {

bool g_glIntegrationSet = false;

}  // namespace

void WebEngineSetup::beforeApplication()
{
    // The web engine is loaded after the application object exists, and it
    // then expects Qt's shared OpenGL context to be there already. Without
    // an OpenGL integration (below) the context stays empty and costs
    // nothing.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // Nothing else in the program draws through Qt's OpenGL (the media
    // library draws the picture into its window on its own), yet with
    // OpenGL at hand the browser's in-process GPU thread would still load
    // the driver stack to composite a page it draws in software anyway.
    if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION")) {
        qputenv("QT_XCB_GL_INTEGRATION", "none");
        g_glIntegrationSet = true;
    }
}

void WebEngineSetup::afterApplication()
{
    // Read once, when the display connection was made.
    if (std::exchange(g_glIntegrationSet, false))
        qunsetenv("QT_XCB_GL_INTEGRATION");
}
