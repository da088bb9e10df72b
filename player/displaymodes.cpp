// Display modes, corner placement, screen clamp, stay-on-top and focus.
//
// Every figure here is the window's outer rectangle, frame included, while
// Qt places a top-level window by its client area. The frame comes from
// the window manager (_NET_FRAME_EXTENTS), asked for before the first
// mapping so that the window appears at its place at once.
#include "player/principal.h"

#include "media/mediaengine.h"
#include "platform/errors.h"
#include "platform/logging.h"
#include "platform/trayicon.h"
#include "player/placement.h"
#include "player/presentation.h"
#include "player/x11window.h"

#include <QComboBox>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

#include <utility>

namespace {

// How long a showing may still wait for the window manager to tell the
// frame it will draw. It was asked when the window was created and answers
// within milliseconds; one that says nothing must not freeze the program,
// and the frame it tells later re-places the window.
constexpr int kFrameWaitMs = 30;

// How long after a showing the window manager is taken to be still taking
// the window in (rather than the user dragging it).
constexpr int kShownSettleMs = 300;

}  // namespace

QSize TFormPrincipal::layoutExtent(const Presentation::Layout &layout, bool withLabel) const
{
    QRect needed = QRect(PlayerBrelo->pos(), layout.player) | QRect(layout.combo, BreloCombo->size())
        | QRect(layout.menuButton, btnMenu->size());
    if (withLabel)
        needed |= QRect(QPoint(Label1->x(), Presentation::kExtendedLabelTop), Label1->size());
    return QSize(needed.right() + 1, needed.bottom() + 1);
}

void TFormPrincipal::setOuterSize(const QSize &size)
{
    m_shownOuter = QRect();  // a new presentation supersedes the showing's place
    const QRect outer = Placement::outerRect(this, m_place);
    Placement::place(this, m_place, QRect(outer.topLeft(), Placement::toDevice(this, size)));
}

void TFormPrincipal::cornerPlacement()
{
    const QRect screen = Placement::screenRect(this);
    // The frame, a scale's size steps or the layout's room can make the
    // window another size than asked for; placed again with the size it
    // took, its edges meet the screen's.
    for (int pass = 0; pass < 2; ++pass) {
        const QSize size = Placement::outerRect(this, m_place).size();
        Placement::place(this, m_place,
                         QRect(QPoint(screen.x() + screen.width() - size.width(),
                                      screen.y() + screen.height() - size.height()),
                               size));
        if (Placement::outerRect(this, m_place).size() == size)
            break;
    }
}

void TFormPrincipal::screenClamp()
{
    const QRect screen = Placement::screenRect(this);
    const QSize size = Placement::outerRect(this, m_place).size();
    const bool fits = size.width() <= screen.width() && size.height() <= screen.height();
    // The clamp's own moves run it once more inside itself, which then finds
    // nothing left to correct. A window larger than the screen gets a single
    // pass: there the tests contradict each other and would never settle.
    if (m_clampDepth > (fits ? 1 : 0))
        return;
    ++m_clampDepth;
    const auto outer = [this] { return Placement::outerRect(this, m_place); };
    const auto moveTo = [this](QRect r, int left, int top) {
        r.moveTopLeft(QPoint(left, top));
        Placement::place(this, m_place, r);
    };
    const int screenRight = screen.x() + screen.width();
    const int screenBottom = screen.y() + screen.height();

    QRect r = outer();
    if (r.left() < screen.left())
        moveTo(r, screen.left(), r.top());
    r = outer();
    if (r.top() < screen.top())
        moveTo(r, r.left(), screen.top());
    // On a screen too small for the window its left and top edges win, so
    // that the title bar stays within reach.
    r = outer();
    if (screenRight - (r.left() + r.width()) < 0)
        moveTo(r, qMax(screenRight - r.width(), screen.left()), r.top());
    r = outer();
    if (screenBottom - (r.top() + r.height()) < 0)
        moveTo(r, r.left(), qMax(screenBottom - r.height(), screen.top()));
    --m_clampDepth;
}

void TFormPrincipal::requestStayOnTop()
{
    // While the picture fills the screen the window keeps below it.
    if (PlayerBrelo->fullScreen())
        return;
    if (!(windowFlags() & Qt::WindowStaysOnTopHint)) {
        // Changing the flags of a shown window hides it.
        const bool shown = isVisible();
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
        if (shown)
            show();
        return;
    }
    // Qt sets the state when it maps the window; a window manager may drop
    // it later. Asking only when it is missing leaves the stacking alone.
    if (X11Window::isManaged(this) && !X11Window::isAbove(this)) {
        qCDebug(lcPlayer) << "stay-on-top: asked the window manager again";
        X11Window::requestAbove(this);
    }
}

void TFormPrincipal::ModoNormal1Click()
{
    qCDebug(lcPlayer) << "presentation: Normal";
    PlayerBrelo->setUiMode(MediaEngine::UiMode::Mini);
    PlayerBrelo->move(0, 0);
    m_place.layoutMinimum = layoutExtent(Presentation::kNormal, false);
    setOuterSize(Presentation::kNormal.window);
    PlayerBrelo->resize(Presentation::kNormal.player);
    BreloCombo->move(Presentation::kNormal.combo);
    btnMenu->move(Presentation::kNormal.menuButton);
    Label1->hide();
    cornerPlacement();
}

void TFormPrincipal::ModoMaior1Click()
{
    qCDebug(lcPlayer) << "presentation: Extended";
    m_place.layoutMinimum = layoutExtent(Presentation::kExtended, true);
    setOuterSize(Presentation::kExtended.window);
    PlayerBrelo->resize(Presentation::kExtended.player);
    BreloCombo->move(Presentation::kExtended.combo);
    btnMenu->move(Presentation::kExtended.menuButton);
    PlayerBrelo->setUiMode(MediaEngine::UiMode::Full);
    Label1->move(Label1->x(), Presentation::kExtendedLabelTop);
    Label1->show();
    screenClamp();
}

void TFormPrincipal::ModoTelaCheia1Click()
{
    qCDebug(lcPlayer) << "presentation: full screen";
    PlayerBrelo->setFullScreen(true);
}

void TFormPrincipal::followFullScreen(bool on)
{
    if (on) {
        // Always on top, the compact window would cover the picture's
        // corner: it steps below it, where it stays, and comes back above
        // everything in its place when the picture leaves the screen.
        qCDebug(lcPlayer) << "full screen: the window goes below the picture";
        if (X11Window::isManaged(this))
            X11Window::requestAbove(this, false);
        lower();
    } else {
        qCDebug(lcPlayer) << "full screen left: the window back on top";
        requestStayOnTop();
        raise();
    }
}

void TFormPrincipal::ModoRdio1Click()
{
    // Chosen while hidden in the tray, the minimised state is what the next
    // showing must come up with.
    m_hiddenByMinimise = false;
    if (windowState() & Qt::WindowMinimized) {
        qCDebug(lcPlayer) << "presentation: Radio, window already minimised";
        return;
    }
    qCDebug(lcPlayer) << (isVisible() ? "presentation: Radio, window minimised"
                                      : "presentation: Radio, window to come up minimised");
    setWindowState(windowState() | Qt::WindowMinimized);
}

bool TFormPrincipal::askFrameExtents()
{
    // The frame is known only once the window manager has answered. Asked
    // while the window is not on the screen, with its size already fixed (a
    // fixed window gets no resize handle, another frame), the answer lets
    // the showing place it once, where it belongs, before it appears.
    if (X11Window::frameExtents(this) || !X11Window::wmSupports("_NET_REQUEST_FRAME_EXTENTS"))
        return false;
    X11Window::requestFrameExtents(this);
    return true;
}

void TFormPrincipal::FormShow()
{
    if (askFrameExtents() && !X11Window::waitForFrameExtents(this, kFrameWaitMs))
        qCDebug(lcPlayer) << "showing: the window manager told no frame in time";
    cornerPlacement();
    qCDebug(lcPlayer) << "showing: placed at the corner" << Placement::outerRect(this, m_place);
    if (!(windowState() & Qt::WindowMinimized)) {
        m_shownOuter = Placement::outerRect(this, m_place);
        QTimer::singleShot(kShownSettleMs, this, [this] {
            const QRect meant = std::exchange(m_shownOuter, QRect());
            if (!meant.isValid())
                return;
            const auto client = X11Window::clientPosition(this);
            if (isVisible() && !(windowState() & Qt::WindowMinimized) && client
                && *client != meant.marginsRemoved(m_place.frameUsed).topLeft()) {
                qCDebug(lcPlayer) << "showing: the window manager moved the window; put back";
                Placement::place(this, m_place, meant);
            }
        });
    }
    requestStayOnTop();
    // A window coming up minimised is not activated.
    if (!(windowState() & Qt::WindowMinimized))
        giveWindowFocus();
}

void TFormPrincipal::FormActivate()
{
    // Activated under the picture (the menu that asked for the full screen
    // hands the focus back as it closes): the picture keeps the keyboard,
    // so that Esc ends it.
    if (PlayerBrelo->fullScreen()) {
        PlayerBrelo->focusFullScreen();
        return;
    }
    requestStayOnTop();
}

void TFormPrincipal::FormMouseMove()
{
    giveWindowFocus();
}

bool TFormPrincipal::event(QEvent *e)
{
    switch (e->type()) {
    case QEvent::WindowActivate: Errors::guarded([this] { FormActivate(); }); break;
    case QEvent::WindowIconChange:
        if (m_tray)
            m_tray->setIcon(windowIcon());
        break;
    default: break;
    }
    return QWidget::event(e);
}

void TFormPrincipal::showEvent(QShowEvent *e)
{
    // Spontaneous show events only report a restore from minimised; the
    // window did not turn from hidden to shown.
    if (!e->spontaneous())
        Errors::guarded([this] { FormShow(); });
    QWidget::showEvent(e);
}

void TFormPrincipal::moveEvent(QMoveEvent *e)
{
    // While the window manager takes a newly shown window in, it reports
    // passing places (openbox builds the frame at the origin first, and at
    // times replays the window's creation geometry). Acting on them would
    // drag the window there: the showing's place holds until it settles.
    if (e->spontaneous() && m_shownOuter.isValid()) {
        if (Placement::outerRect(this, m_place) != m_shownOuter)
            Placement::place(this, m_place, m_shownOuter);
        return;
    }
    // A window manager that tells the frame only after mapping: keep the
    // outer rectangle where it was meant to be.
    if (!(windowState() & Qt::WindowMinimized) && Placement::currentFrame(this) != m_place.frameUsed) {
        const QRect meant = Placement::outerRect(this, m_place);
        Placement::place(this, m_place, meant);
    }
    screenClamp();
}

void TFormPrincipal::mouseMoveEvent(QMouseEvent *e)
{
    if (!childAt(e->position().toPoint()))
        Errors::guarded([this] { FormMouseMove(); });
    QWidget::mouseMoveEvent(e);
}
