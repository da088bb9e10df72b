// The context menu, the menu button, the balloon hints, help and links.
#include "player/principal.h"

#include "media/mediaengine.h"
#include "platform/errors.h"
#include "platform/logging.h"
#include "platform/trayicon.h"
#include "player/balloonhint.h"
#include "player/companionwindows.h"
#include "player/links.h"
#include "player/menustyle.h"
#include "player/menutriggers.h"
#include "player/placement.h"

#include <QApplication>
#include <QBitmap>
#include <QComboBox>
#include <QCursor>
#include <QDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>

#include <utility>

namespace {

QPixmap picture(const QString &name)
{
    return QPixmap(QStringLiteral(":/images/%1.png").arg(name));
}

// The button's picture is 24-bit: the colour of its bottom-left pixel
// marks what is transparent.
QPixmap maskedByCorner(QPixmap pix)
{
    const QImage image = pix.toImage();
    const QColor key = image.pixelColor(0, image.height() - 1);
    pix.setMask(pix.createMaskFromColor(key, Qt::MaskInColor));
    return pix;
}

// A modal window that is already shown cannot be shown modally again; the
// one on screen stays as it is.
void showModal(QDialog *dialog)
{
    if (!dialog)
        return;
    if (dialog->isVisible())
        throw ControlError(QStringLiteral("Cannot make a visible window modal"));
    // Modal to the main window only: an application-modal window would
    // also block the tray icon's own window, which must keep answering.
    dialog->setWindowModality(Qt::WindowModal);
    dialog->exec();
}

}  // namespace

void TFormPrincipal::setupPopupMenu()
{
    imgpopup = {
        picture(QStringLiteral("menu/normal")),     picture(QStringLiteral("menu/extended")),
        picture(QStringLiteral("menu/fullscreen")), picture(QStringLiteral("menu/radio")),
        picture(QStringLiteral("menu/help")),       picture(QStringLiteral("menu/about")),
        picture(QStringLiteral("menu/browser")),    picture(QStringLiteral("menu/exit")),
    };

    m_menuStyle = new MenuStyle;
    m_menuStyle->setParent(this);
    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    PopupMenu->setStyle(m_menuStyle);
    PopupMenu->setLayoutDirection(Qt::LeftToRight);
    PopupMenu->installEventFilter(this);

    const auto item = [this](const char *name, const QString &caption, const QKeySequence &keys,
                             int pictureIndex, bool autoCheck, void (TFormPrincipal::*command)()) {
        auto *a = new QAction(QIcon(imgpopup.value(pictureIndex)), caption, this);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        a->setShortcutVisibleInContextMenu(true);
        a->setCheckable(autoCheck);
        // The window carries the actions too, so their keys work from
        // every control of it and not only while the menu is open.
        addAction(a);
        PopupMenu->addAction(a);
        connect(a, &QAction::triggered, this,
                [this, command] { Errors::guarded([this, command] { (this->*command)(); }); });
        return a;
    };
    const auto separator = [this](const char *name) {
        QAction *s = PopupMenu->addSeparator();
        s->setObjectName(QLatin1String(name));
        return s;
    };

    using K = QKeySequence;
    ModoNormal1 = item("ModoNormal1", QStringLiteral("Modo &Normal"), K(Qt::CTRL | Qt::Key_N), 0, true,
                       &TFormPrincipal::ModoNormal1Click);
    ModoMaior1 = item("ModoMaior1", QStringLiteral("Modo &Extendido"), K(Qt::CTRL | Qt::Key_E), 1, true,
                      &TFormPrincipal::ModoMaior1Click);
    ModoTelaCheia1 = item("ModoTelaCheia1", QStringLiteral("Modo &Fullscreen"), K(), 2, true,
                          &TFormPrincipal::ModoTelaCheia1Click);
    ModoRdio1 = item("ModoRdio1", QStringLiteral("Modo &Rádio"), K(Qt::CTRL | Qt::Key_R), 3, true,
                     &TFormPrincipal::ModoRdio1Click);
    N2 = separator("N2");
    BrowserNoticias1 = item("BrowserNoticias1", QStringLiteral("&Browser Noticias"), K(Qt::CTRL | Qt::Key_B),
                            6, false, &TFormPrincipal::BrowserNoticias1Click);
    Canais1 = item("Canais1", QStringLiteral("&Canais…"), K(Qt::CTRL | Qt::Key_L), -1, false,
                   &TFormPrincipal::Canais1Click);
    N1 = separator("N1");
    Ajuda1 = item("Ajuda1", QStringLiteral("&Ajuda"), K(Qt::Key_F1), 4, false, &TFormPrincipal::Ajuda1Click);
    Configurar = item("Configurar", QStringLiteral("S&obre"), K(Qt::CTRL | Qt::Key_S), 5, false,
                      &TFormPrincipal::ConfigurarClick);
    N3 = separator("N3");
    Encerrar1 = item("Encerrar1", QStringLiteral("&Sair"), K(Qt::CTRL | Qt::Key_X), 7, false,
                     &TFormPrincipal::Encerrar1Click);

    btnMenu->setIcon(QIcon(maskedByCorner(picture(QStringLiteral("btnmenu")))));
    connect(btnMenu, &QPushButton::clicked, this, [this] { Errors::guarded([this] { btnMenuClick(); }); });
    btnMenu->installEventFilter(this);
    Label1->installEventFilter(this);
    // The update label is written in the scroll-bar grey of the desktop:
    // faint, but following its theme.
    QPalette labelColours = Label1->palette();
    labelColours.setColor(QPalette::WindowText, palette().color(QPalette::Window).darker(120));
    Label1->setPalette(labelColours);

    m_menuTriggers = new MenuTriggers(this, {btnMenu, BreloCombo, Label1}, this);
    connect(m_menuTriggers, &MenuTriggers::openRequested, this,
            [this](const QPoint &pos) { Errors::guarded([this, pos] { showPopupMenu(pos); }); });
}

void TFormPrincipal::setupHints()
{
    ImageListMenu = {picture(QStringLiteral("hints/menu"))};
    ImageListCombo = {picture(QStringLiteral("hints/combo"))};
    HintMenu = new BalloonHint(ImageListMenu, this);
    HintMenu->setObjectName(QStringLiteral("HintMenu"));
    HintMenu->attach(btnMenu);
    HintCombo = new BalloonHint(ImageListCombo, this);
    HintCombo->setObjectName(QStringLiteral("HintCombo"));
    HintCombo->attach(BreloCombo);
}

bool TFormPrincipal::menuEventFilter(QObject *watched, QEvent *e)
{
    if (watched == PopupMenu) {
        // Items are chosen with the left button only; other buttons on an
        // item do nothing, outside the menu they still close it.
        if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonRelease
            || e->type() == QEvent::MouseButtonDblClick) {
            auto *m = static_cast<QMouseEvent *>(e);
            return m->button() != Qt::LeftButton && PopupMenu->rect().contains(m->position().toPoint());
        }
        return false;
    }
    if (watched == btnMenu && e->type() == QEvent::Leave) {
        // Qt also sends a leave when the button goes out of sight under the
        // pointer (the window hidden or torn down); the pointer did not move
        // then, and a hidden window must not be activated.
        if (btnMenu->isVisible())
            Errors::guarded([this] { btnMenuMouseLeave(); });
        return false;
    }
    if (watched == Label1 && e->type() == QEvent::KeyPress) {
        // The label is a link reached by Tab; Enter or Space follows it.
        const auto *key = static_cast<QKeyEvent *>(e);
        const bool activates
            = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Space;
        if (activates && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            Errors::guarded([this] { Label1Click(); });
            return true;
        }
    }
    if (watched == Label1 && e->type() == QEvent::MouseButtonRelease) {
        auto *m = static_cast<QMouseEvent *>(e);
        if (m->button() == Qt::LeftButton && Label1->rect().contains(m->position().toPoint())) {
            Errors::guarded([this] { Label1Click(); });
            return true;
        }
    }
    return false;
}

void TFormPrincipal::showPopupMenu(const QPoint &pos)
{
    PopupMenu->ensurePolished();
    const QSize size = PopupMenu->sizeHint();
    const QScreen *screen = QGuiApplication::screenAt(pos);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen->geometry();

    // Right edge at x, top at y; flipped above the point when there is no
    // room below, and kept on the screen.
    QPoint topLeft(pos.x() - size.width(), pos.y());
    if (topLeft.y() + size.height() > area.bottom() + 1)
        topLeft.setY(pos.y() - size.height());
    topLeft.setX(Placement::keepWithin(topLeft.x(), area.left(), area.right() + 1 - size.width()));
    topLeft.setY(Placement::keepWithin(topLeft.y(), area.top(), area.bottom() + 1 - size.height()));
    PopupMenu->popup(topLeft);
}

void TFormPrincipal::BrowserNoticias1Click()
{
    QDialog *news = m_companions ? m_companions->newsWindow() : nullptr;
    if (!news && m_companions && m_companions->newsWindowComing()) {
        // Only in the first moments after start, while its library loads.
        qCDebug(lcPlayer) << "menu: news browser, opens when it has loaded";
        m_newsWanted = true;
        return;
    }
    if (!news && m_companions) {
        qCDebug(lcPlayer) << "menu: news browser, not available";
        Errors::showErrorBox(QStringLiteral("O navegador de notícias não está disponível."));
        return;
    }
    qCDebug(lcPlayer) << "menu: news browser";
    showModal(news);
}

void TFormPrincipal::NewsWindowArrived()
{
    if (!std::exchange(m_newsWanted, false))
        return;
    // After the caller returns: the window opens modal, in a loop of its own.
    QMetaObject::invokeMethod(this, &TFormPrincipal::BrowserNoticias1Click, Qt::QueuedConnection);
}

void TFormPrincipal::Canais1Click()
{
    qCDebug(lcPlayer) << "menu: channels";
    showModal(m_companions ? m_companions->channelsWindow() : nullptr);
}

void TFormPrincipal::Ajuda1Click()
{
    const QString folder = QCoreApplication::applicationDirPath();
    const QString file = Links::helpFileIn(folder);
    if (file.isEmpty()) {
        qCDebug(lcPlayer) << "menu: help, no help file in" << folder;
        return;
    }
    qCDebug(lcPlayer) << "menu: help";
    Links::open(QUrl::fromLocalFile(file));
}

void TFormPrincipal::ConfigurarClick()
{
    qCDebug(lcPlayer) << "menu: About";
    showModal(m_companions ? m_companions->aboutWindow() : nullptr);
}

void TFormPrincipal::Encerrar1Click()
{
    qCDebug(lcPlayer) << "menu: exit";
    QApplication::processEvents();
    QApplication::exit(0);
    RemoveTrayIcon();
}

void TFormPrincipal::btnMenuClick()
{
    // What a right click at the pointer would do: the menu opens only when
    // the pointer is on a part of the window that carries it.
    const QPoint pos = QCursor::pos();
    QWidget *under = QApplication::widgetAt(pos);
    if (under
        && (under == this || under == btnMenu || under == Label1 || under == BreloCombo
            || BreloCombo->isAncestorOf(under))) {
        showPopupMenu(pos);
    } else {
        // Pressed from the keyboard or by a screen reader with the pointer
        // elsewhere: a right click there would open nothing, and the menu's
        // commands would be out of their reach. It opens at the button, as
        // the menu key opens it at the focused control.
        qCDebug(lcPlayer) << "menu button pressed away from the pointer: menu at the button";
        showPopupMenu(btnMenu->mapToGlobal(QPoint(0, 0)));
    }
    giveControlFocus(PlayerBrelo);
}

void TFormPrincipal::btnMenuMouseLeave()
{
    giveControlFocus(PlayerBrelo);
}

void TFormPrincipal::Label1Click()
{
    qCDebug(lcPlayer) << "update label: download page";
    Links::open(Links::downloadPage());
}
