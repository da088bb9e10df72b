#pragma once

#include <QString>

// Whether any program shows a top-level window with exactly this title.
// Reparenting window managers put client windows one level below the root's
// children, so both levels are searched. Answers false off X11.
bool topLevelWindowTitled(const QString &title);
