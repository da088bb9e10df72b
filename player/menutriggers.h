#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>

class QWidget;

// Watches the input of one window's controls and asks for its context menu
// where the user asks for it: on the release of a right click on the
// window's own surface or on one of the given controls, and on the menu key
// or Shift+F10 at the top-left corner of the focused control. It also keeps
// the controls from claiming a key ahead of the window's shortcuts, while
// AltGr combinations never count as shortcuts.
//
// It filters the whole application, because the media engine builds
// controls of its own inside the window that nobody else knows of.
class MenuTriggers : public QObject
{
    Q_OBJECT
public:
    MenuTriggers(QWidget *window, const QList<QWidget *> &menuControls, QObject *parent = nullptr);
    ~MenuTriggers() override;

signals:
    void openRequested(const QPoint &globalPos);

protected:
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    bool opensOnRightClick(QWidget *w, const QPoint &localPos) const;
    QPoint focusedControlCorner() const;

    QPointer<QWidget> m_window;
    QList<QPointer<QWidget>> m_controls;
};
