#include "news/webenginesetup.h"

#include <QCoreApplication>

#include <utility>

#include "platform/logging.h"

namespace {

bool g_glIntegrationSet = false;

// - Chromium keeps no second, unsandboxed zygote. That one only forks
//   helpers this browser never starts (its network service runs inside the
//   program), and it held about 9 MiB for nothing;
// - V8 does not copy its built-in functions (about 1.5 MiB) into the
//   renderer's code space, where calls reach them by a shorter jump. The
//   one page sits frozen most of the day; the built-ins run from the
//   library's own pages instead. Script flags the user gave (in
//   QTWEBENGINE_CHROMIUM_FLAGS) stand alone: Chromium heeds only one
//   --js-flags.
// Given as arguments, the flags reach the engine only: programs the player
// starts later do not inherit them.
constexpr const char *kFlags = "--no-unsandboxed-zygote";
constexpr const char *kScriptFlags = "--js-flags=--no-short-builtin-calls";

}  // namespace

WebEngineSetup::ApplicationArguments::ApplicationArguments(int argc, char **argv)
{
    for (int i = 0; i < argc; ++i)
        m_strings.emplace_back(argv[i]);
    m_strings.emplace_back("--webEngineArgs");
    m_strings.emplace_back(kFlags);
    if (!qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").contains("--js-flags"))
        m_strings.emplace_back(kScriptFlags);
    for (QByteArray &s : m_strings)
        m_pointers.push_back(s.data());
    m_argc = int(m_pointers.size());
    m_pointers.push_back(nullptr);
    qCDebug(lcNews) << "web engine flags:" << QByteArrayList(m_strings.begin() + argc + 1, m_strings.end());
}

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
