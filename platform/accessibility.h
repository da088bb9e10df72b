#pragma once

class QWidget;

// Roles that Qt's stock widgets cannot express on their own. A widget asks
// for one with the dynamic property `accessibleRole` in its window layout:
//
//   "toggleButton"  a checkable button read as a button that stays pressed,
//                   not as a check box (Qt's default for checkable buttons);
//   "link"          a label the user follows like a web link; Enter or Space
//                   on it, which the window handles, is also its action;
//   "window"        a plain top-level widget read as an application window
//                   (a frame) named by its title, not as an anonymous pane.
namespace Accessibility {

// Registers the roles with Qt; safe to call any number of times. Every
// window that uses a role calls it before its layout is built.
void install();

// Drops interfaces Qt built for `root` and its widgets before their layout set
// `accessibleRole` (a state change during set-up builds one early), so the
// next query takes the role. Call after the layout is built.
void refresh(QWidget *root);

}  // namespace Accessibility
