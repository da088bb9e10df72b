#pragma once

#include <optional>
#include <string>

// The player is an X11 program: it stays on top at the screen's corner
// through the X11 window manager, and under a Wayland session it runs
// through XWayland. Qt, left to find out by itself that no X11 display can
// be reached, aborts with a message about platform plugins. Checked before
// the application object exists.
namespace DisplayCheck {

// What keeps the program from an X11 display, in Portuguese for the
// listener; nothing when it can start (or when another Qt platform was
// chosen on purpose through QT_QPA_PLATFORM).
std::optional<std::string> missingDisplay();

}  // namespace DisplayCheck
