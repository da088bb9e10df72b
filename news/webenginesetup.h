#pragma once

#include <QByteArray>

#include <vector>

// What the news browser's engine needs settled around the application
// object's creation.
namespace WebEngineSetup {

// The command line the application object is built with: the given
// arguments, then the web engine's own flags after "--webEngineArgs",
// which the engine reads from the application's arguments when the first
// page starts it. Changing the process environment instead, once other
// threads run (the media library's, name lookups), could pull it from under
// their getenv(). Must outlive the application object.
class ApplicationArguments
{
public:
    ApplicationArguments(int argc, char **argv);
    ApplicationArguments(const ApplicationArguments &) = delete;
    ApplicationArguments &operator=(const ApplicationArguments &) = delete;

    int &argc() { return m_argc; }
    char **argv() { return m_pointers.data(); }

private:
    std::vector<QByteArray> m_strings;
    std::vector<char *> m_pointers;
    int m_argc = 0;
};

// Call once, before QApplication is built. The news page is drawn by the
// processor, not through OpenGL: a page of headlines gains nothing from the
// graphics card, while OpenGL would load the driver stack (Mesa and LLVM,
// tens of megabytes) at start-up, before the player's window could appear.
void beforeApplication();

// Call once QApplication exists: programs the player starts (the help
// viewer, the web browser) keep the desktop's OpenGL.
void afterApplication();

}  // namespace WebEngineSetup
