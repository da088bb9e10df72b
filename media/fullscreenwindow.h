#pragma once

#include <QTimer>
#include <QWidget>

// The picture's full-screen home. The engine's own way back: Esc or a
// double click. The pointer hides over the picture while it rests.
class FullScreenWindow : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kPointerRestMs = 2000;

    explicit FullScreenWindow(QWidget *parent = nullptr);

    // Takes the keyboard, so that Esc reaches it whichever way the full
    // screen was asked for.
    void takeFocus();

signals:
    void leaveRequested();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void pointerMoved();

    QTimer m_pointerRest;
};
