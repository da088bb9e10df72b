#pragma once

#include <functional>

// The whole life of the program: the single-instance guard, the blocking
// window check, the three windows and the event loop. Returns the exit code.
int runBrelo(int argc, char **argv);

class ProgramWindows;

// Creates the windows with `create`, shows the main window, runs `shown`
// and then the event loop until the exit command. An error that escapes the
// creation is shown in the error box and ends the program with exit code 1
// at once.
int runWindows(ProgramWindows &windows, const std::function<void(ProgramWindows &)> &create,
               const std::function<void(ProgramWindows &)> &shown = {});
