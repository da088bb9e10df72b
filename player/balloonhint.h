#pragma once

#include "player/hinttext.h"

#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>

// A balloon-shaped hint of our own for the controls it serves: a picture of
// its image list at the left when the hint names one, the title in bold,
// the description below. It appears a while after the pointer enters the
// control, fades in and out, and stays for as long as the pointer does.
// It never takes the focus nor the pointer's input.
class BalloonHint : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kShowDelayMs = 500;
    static constexpr int kFadeStepMs = 20;
    static constexpr int kFadeSteps = 10;
    static constexpr int kAnchorShift = 10;

    explicit BalloonHint(const QList<QPixmap> &images, QWidget *parent = nullptr);
    ~BalloonHint() override;

    // Serves `control`, whose dynamic property "hint" holds the hint text.
    // The control's ordinary tool tip is kept from showing.
    void attach(QWidget *control);

    const QList<QPixmap> &images() const { return m_images; }
    const HintText &hint() const { return m_hint; }
    // The pointer's position when it entered, where the balloon points.
    QPoint anchor() const { return m_anchor; }
    // Opacity in tenths: 0 (gone) to 10 (fully shown).
    int opacityTenths() const { return m_tenths; }
    bool isWaiting() const { return m_delay.isActive(); }

    // Where a balloon of `size` goes for a pointer at `point`: centred on
    // the point, moved right by kAnchorShift, its top at the point — or its
    // bottom there when the point lies in the lower half of `screen` — and
    // pushed sideways back onto the screen.
    static QRect placement(const QPoint &point, const QSize &size, const QRect &screen);

signals:
    void shown();
    void hidden();

protected:
    bool eventFilter(QObject *watched, QEvent *e) override;
    void paintEvent(QPaintEvent *e) override;

private:
    void pointerEntered(QWidget *control, const QPoint &globalPos);
    void pointerLeft(QWidget *control);
    void appear();
    void fadeStep();
    void layOut();
    QPixmap picture() const;

    QList<QPixmap> m_images;
    QPointer<QWidget> m_control;  // the control the pointer is over
    HintText m_hint;
    QPoint m_anchor;
    bool m_above = false;  // balloon above the point, tail down
    int m_tenths = 0;
    int m_fadeDirection = 0;  // +1 fading in, -1 fading out
    QTimer m_delay;
    QTimer m_fade;
    QRect m_body;  // the balloon's body within the widget
    int m_tailX = 0;  // tail tip, widget x
};
