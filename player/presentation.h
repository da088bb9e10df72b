#pragma once

#include <QPoint>
#include <QSize>

// The figures of the main window's two layouts. The window size is its
// outer size, frame included; control places are within its client area.
// The Normal figures are also the layout the window is designed with.
namespace Presentation {

struct Layout {
    QSize window;
    QSize player;  // PlayerBrelo
    QPoint combo;  // BreloCombo, whose size never changes
    QPoint menuButton;  // btnMenu, whose size never changes
};

inline constexpr Layout kNormal{QSize(168, 228), QSize(162, 185), QPoint(20, 184), QPoint(-1, 183)};
inline constexpr Layout kExtended{QSize(366, 381), QSize(362, 337), QPoint(21, 336), QPoint(0, 335)};

// Extended brings the update label into sight below the list's row; Normal
// never moves it back, the window being too small to show it there.
inline constexpr int kExtendedLabelTop = 341;

}  // namespace Presentation
