#include "media/fullscreenwindow.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QVBoxLayout>

FullScreenWindow::FullScreenWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Brelo Player"));
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void FullScreenWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        emit leaveRequested();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FullScreenWindow::mouseDoubleClickEvent(QMouseEvent *)
{
    emit leaveRequested();
}

void FullScreenWindow::closeEvent(QCloseEvent *event)
{
    // Closing by the window manager means the same as Esc.
    event->ignore();
    emit leaveRequested();
}
