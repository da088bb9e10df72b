#include "player/balloonhint.h"

#include "player/placement.h"

#include <QBitmap>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

namespace {
constexpr int kMargin = 8;
constexpr int kGap = 8;
constexpr int kPicture = 32;
constexpr int kTailHeight = 12;
constexpr int kTailWidth = 16;
constexpr int kRadius = 8;
constexpr int kMaxTextWidth = 280;

QFont boldOf(QFont f)
{
    f.setBold(true);
    return f;
}

QPainterPath balloonPath(const QRect &body, int tailX, bool tailDown)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(body).adjusted(0.5, 0.5, -0.5, -0.5), kRadius, kRadius);
    QPainterPath tail;
    const qreal baseY = tailDown ? body.bottom() - 1.0 : body.top() + 1.0;
    const qreal tipY = tailDown ? body.bottom() + kTailHeight : body.top() - kTailHeight;
    tail.moveTo(tailX - kTailWidth / 2.0, baseY);
    tail.lineTo(tailX + 0.5, tipY);
    tail.lineTo(tailX + kTailWidth / 2.0, baseY);
    tail.closeSubpath();
    return path.united(tail);
}
}  // namespace

BalloonHint::BalloonHint(const QList<QPixmap> &images, QWidget *parent)
    : QWidget(parent,
              Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus
                  | Qt::WindowTransparentForInput),
      m_images(images)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(255, 255, 225));  // the classic info yellow
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);

    // Coarse timers may fire 5 % early: the balloon must never come
    // before its delay is over.
    m_delay.setTimerType(Qt::PreciseTimer);
    m_fade.setTimerType(Qt::PreciseTimer);
    m_delay.setSingleShot(true);
    m_delay.setInterval(kShowDelayMs);
    connect(&m_delay, &QTimer::timeout, this, &BalloonHint::appear);
    m_fade.setInterval(kFadeStepMs);
    connect(&m_fade, &QTimer::timeout, this, &BalloonHint::fadeStep);
}

BalloonHint::~BalloonHint() = default;

void BalloonHint::attach(QWidget *control)
{
    control->setToolTip(QString());
    control->installEventFilter(this);
}

bool BalloonHint::eventFilter(QObject *watched, QEvent *e)
{
    auto *control = qobject_cast<QWidget *>(watched);
    if (!control)
        return false;
    switch (e->type()) {
    case QEvent::Enter:
        pointerEntered(control, static_cast<QEnterEvent *>(e)->globalPosition().toPoint());
        break;
    case QEvent::Leave:
    case QEvent::Hide: pointerLeft(control); break;
    case QEvent::ToolTip: return true;  // the balloon replaces the ordinary hint
    default: break;
    }
    return false;
}

void BalloonHint::pointerEntered(QWidget *control, const QPoint &globalPos)
{
    m_control = control;
    m_hint = parseHintText(control->property("hint").toString());
    m_anchor = globalPos;
    if (isVisible()) {
        // Back onto the control while the last balloon fades: it returns.
        m_fadeDirection = +1;
        m_fade.start();
        return;
    }
    m_delay.start();
}

void BalloonHint::pointerLeft(QWidget *control)
{
    if (control != m_control)
        return;
    m_control = nullptr;
    m_delay.stop();
    if (isVisible()) {
        m_fadeDirection = -1;
        m_fade.start();
    }
}

void BalloonHint::appear()
{
    if (!m_control || (m_hint.title.isEmpty() && m_hint.description.isEmpty()))
        return;
    layOut();
    m_tenths = 0;
    setWindowOpacity(0.0);
    show();
    m_fadeDirection = +1;
    m_fade.start();
    emit shown();
}

void BalloonHint::fadeStep()
{
    m_tenths = qBound(0, m_tenths + m_fadeDirection, kFadeSteps);
    setWindowOpacity(m_tenths / double(kFadeSteps));
    if (m_tenths == kFadeSteps && m_fadeDirection > 0) {
        m_fade.stop();
    } else if (m_tenths == 0 && m_fadeDirection < 0) {
        m_fade.stop();
        hide();
        emit hidden();
    }
}

QPixmap BalloonHint::picture() const
{
    if (m_hint.imageIndex < 0 || m_hint.imageIndex >= m_images.size())
        return {};
    return m_images.at(m_hint.imageIndex);
}

QRect BalloonHint::placement(const QPoint &point, const QSize &size, const QRect &screen)
{
    const bool lowerHalf = point.y() >= screen.top() + screen.height() / 2;
    QRect r(QPoint(point.x() + kAnchorShift - size.width() / 2, point.y()), size);
    if (lowerHalf)
        r.moveBottom(point.y() - 1);
    if (r.right() > screen.right())
        r.moveRight(screen.right());
    if (r.left() < screen.left())
        r.moveLeft(screen.left());
    return r;
}

void BalloonHint::layOut()
{
    const QFontMetrics titleMetrics(boldOf(font()));
    const QFontMetrics textMetrics(font());
    const int flags = Qt::TextWordWrap;
    const QRect titleBox = titleMetrics.boundingRect(QRect(0, 0, kMaxTextWidth, 10000), flags, m_hint.title);
    const QRect textBox = m_hint.description.isEmpty()
        ? QRect()
        : textMetrics.boundingRect(QRect(0, 0, kMaxTextWidth, 10000), flags, m_hint.description);

    const bool hasPicture = !picture().isNull();
    const int textWidth = qMax(titleBox.width(), textBox.width());
    const int textHeight = titleBox.height() + (textBox.isEmpty() ? 0 : 4 + textBox.height());
    const int contentWidth = (hasPicture ? kPicture + kGap : 0) + textWidth;
    const int contentHeight = qMax(hasPicture ? kPicture : 0, textHeight);
    const QSize bodySize(contentWidth + 2 * kMargin, contentHeight + 2 * kMargin);
    const QSize total(qMax(bodySize.width(), kTailWidth + 2 * kRadius), bodySize.height() + kTailHeight);

    const QScreen *screen = QGuiApplication::screenAt(m_anchor);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect where = placement(m_anchor, total, screen->geometry());
    m_above = where.top() < m_anchor.y();
    m_body = QRect(QPoint(0, m_above ? 0 : kTailHeight), QSize(total.width(), bodySize.height()));
    m_tailX = Placement::keepWithin(m_anchor.x() + kAnchorShift - where.left(), kRadius + kTailWidth / 2,
                                    total.width() - kRadius - kTailWidth / 2 - 1);

    setGeometry(where);
    // The shape comes from a mask rather than a translucent window, so the
    // balloon looks the same with or without a compositing manager.
    QBitmap mask(total);
    mask.fill(Qt::color0);
    QPainter mp(&mask);
    mp.setPen(Qt::color1);
    mp.setBrush(Qt::color1);
    mp.drawPath(balloonPath(m_body, m_tailX, m_above));
    mp.end();
    setMask(mask);
    update();
}

void BalloonHint::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(118, 118, 118), 1));
    p.setBrush(palette().window());
    p.drawPath(balloonPath(m_body, m_tailX, m_above));

    QRect content = m_body.adjusted(kMargin, kMargin, -kMargin, -kMargin);
    const QPixmap pix = picture();
    if (!pix.isNull()) {
        p.drawPixmap(QRect(content.topLeft(), QSize(kPicture, kPicture)), pix);
        content.setLeft(content.left() + kPicture + kGap);
    }
    p.setPen(palette().color(QPalette::WindowText));
    p.setFont(boldOf(font()));
    const QRect titleRect
        = p.boundingRect(content, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, m_hint.title);
    p.drawText(content, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, m_hint.title);
    if (!m_hint.description.isEmpty()) {
        p.setFont(font());
        content.setTop(titleRect.bottom() + 1 + 4);
        p.drawText(content, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, m_hint.description);
    }
}
