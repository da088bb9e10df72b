#pragma once

#include <functional>

// Runs `test` on a private Xvfb display of the given screen size
// ("320x200x24"), with openbox on it when asked, started before Qt connects
// to any display (so `test` creates the QApplication). Returns what `test`
// returns, 1 when the display could not be set up.
int runOnOwnDisplay(const char *screen, bool withWindowManager, const std::function<int()> &test);
