#pragma once

#include <QWidget>

// The picture's full-screen home. The engine's own way back: Esc or a
// double click.
class FullScreenWindow : public QWidget
{
    Q_OBJECT
public:
    explicit FullScreenWindow(QWidget *parent = nullptr);

signals:
    void leaveRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
};
