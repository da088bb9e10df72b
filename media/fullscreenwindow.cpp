#include "media/fullscreenwindow.h"

#include <QChildEvent>
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
    setMouseTracking(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_pointerRest.setSingleShot(true);
    m_pointerRest.setInterval(kPointerRestMs);
    connect(&m_pointerRest, &QTimer::timeout, this, [this] { setCursor(Qt::BlankCursor); });
}

void FullScreenWindow::takeFocus()
{
    activateWindow();
    setFocus(Qt::ActiveWindowFocusReason);
}

void FullScreenWindow::pointerMoved()
{
    unsetCursor();
    if (isVisible())
        m_pointerRest.start();
}

bool FullScreenWindow::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::Show:
        takeFocus();
        pointerMoved();
        break;
    case QEvent::Hide:
        m_pointerRest.stop();
        unsetCursor();
        break;
    case QEvent::MouseMove: pointerMoved(); break;
    case QEvent::ChildAdded:
        // The picture's surface covers the window: its moves count too.
        if (auto *child = qobject_cast<QWidget *>(static_cast<QChildEvent *>(event)->child())) {
            child->setMouseTracking(true);
            child->installEventFilter(this);
        }
        break;
    case QEvent::ChildRemoved: static_cast<QChildEvent *>(event)->child()->removeEventFilter(this); break;
    default: break;
    }
    return QWidget::event(event);
}

bool FullScreenWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove)
        pointerMoved();
    return QWidget::eventFilter(watched, event);
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
