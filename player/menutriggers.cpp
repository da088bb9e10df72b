#include "player/menutriggers.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace {

// X11 carries AltGr (ISO_Level3_Shift or Mode_switch, both on Mod5 in the
// standard keymaps) only in the key's native state: Qt leaves it out of
// the modifiers, and its shortcut map then matches Ctrl+AltGr+S as Ctrl+S.
constexpr quint32 kX11Mod5Mask = 0x80;

bool typedWithAltGr(const QKeyEvent *k)
{
    return (k->modifiers() & Qt::GroupSwitchModifier) || (k->nativeModifiers() & kX11Mod5Mask);
}

}  // namespace

MenuTriggers::MenuTriggers(QWidget *window, const QList<QWidget *> &menuControls, QObject *parent)
    : QObject(parent), m_window(window)
{
    for (QWidget *w : menuControls)
        m_controls.append(w);
    qApp->installEventFilter(this);
}

MenuTriggers::~MenuTriggers()
{
    qApp->removeEventFilter(this);
}

bool MenuTriggers::opensOnRightClick(QWidget *w, const QPoint &localPos) const
{
    for (const QPointer<QWidget> &c : m_controls) {
        if (c == w)
            return true;
    }
    // The surface itself, not a child whose unwanted click came up to it.
    return w == m_window && !m_window->childAt(localPos);
}

QPoint MenuTriggers::focusedControlCorner() const
{
    QWidget *focus = QApplication::focusWidget();
    if (!focus || focus->window() != m_window)
        focus = m_window;
    return focus->mapToGlobal(QPoint(0, 0));
}

bool MenuTriggers::eventFilter(QObject *watched, QEvent *e)
{
    if (!m_window || !watched->isWidgetType())
        return false;
    auto *w = static_cast<QWidget *>(watched);
    if (w->window() != m_window)
        return false;

    switch (e->type()) {
    case QEvent::ShortcutOverride: {
        auto *k = static_cast<QKeyEvent *>(e);
        if (typedWithAltGr(k))
            k->accept();  // AltGr: the control gets the key as typed
        else
            k->ignore();  // the menu's shortcuts come first
        return true;
    }
    case QEvent::KeyPress: {
        auto *k = static_cast<QKeyEvent *>(e);
        const Qt::KeyboardModifiers mods = k->modifiers() & ~Qt::KeypadModifier;
        if ((k->key() == Qt::Key_Menu && mods == Qt::NoModifier)
            || (k->key() == Qt::Key_F10 && mods == Qt::ShiftModifier)) {
            emit openRequested(focusedControlCorner());
            return true;
        }
        return false;
    }
    case QEvent::ContextMenu: {
        auto *c = static_cast<QContextMenuEvent *>(e);
        // Qt sends the mouse's request on the press; the menu waits for
        // the release. A request from the keyboard that reaches here by
        // another path than the keys above opens it all the same.
        if (c->reason() == QContextMenuEvent::Keyboard) {
            emit openRequested(focusedControlCorner());
            return true;
        }
        return opensOnRightClick(w, c->pos());
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease: {
        auto *m = static_cast<QMouseEvent *>(e);
        if (m->button() != Qt::RightButton || !opensOnRightClick(w, m->position().toPoint()))
            return false;
        if (e->type() == QEvent::MouseButtonRelease)
            emit openRequested(m->globalPosition().toPoint());
        return true;
    }
    default: return false;
    }
}
