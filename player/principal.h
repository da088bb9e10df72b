#pragma once

#include "catalogue/catalogueentry.h"
#include "player/placement.h"
#include "player/presentation.h"

#include <QAction>
#include <QList>
#include <QMenu>
#include <QPixmap>
#include <QWidget>

#include <memory>

namespace Ui {
class FormPrincipal;
}
class QComboBox;
class QLabel;
class QPushButton;
class MediaEngine;
class PlaybackSession;
class TrayIcon;
class BalloonHint;
class CompanionWindows;
class ListenerListLoader;

// The main player window: the channel list, the media engine, the menu
// button and the update label, in four presentations.
class TFormPrincipal : public QWidget
{
    Q_OBJECT

public:
    // `session` is the playback model the window shows and drives; its
    // engine, when it is the real one, is what PlayerBrelo shows.
    // `companions` opens the News and About windows; without it their
    // commands do nothing.
    explicit TFormPrincipal(PlaybackSession *session, const CompanionWindows *companions = nullptr,
                            QWidget *parent = nullptr);
    // The same over a model of its own, which plays through PlayerBrelo's
    // own engine.
    explicit TFormPrincipal(const CompanionWindows *companions = nullptr, QWidget *parent = nullptr);
    ~TFormPrincipal() override;

    // Controls of the layout, by their layout names.
    QPushButton *btnMenu = nullptr;
    QComboBox *BreloCombo = nullptr;
    MediaEngine *PlayerBrelo = nullptr;
    QLabel *Label1 = nullptr;

    // The one context menu and its items.
    QMenu *PopupMenu = nullptr;
    QAction *ModoNormal1 = nullptr;
    QAction *ModoMaior1 = nullptr;
    QAction *ModoTelaCheia1 = nullptr;
    QAction *ModoRdio1 = nullptr;
    QAction *N2 = nullptr;
    QAction *BrowserNoticias1 = nullptr;
    QAction *Canais1 = nullptr;
    QAction *N1 = nullptr;
    QAction *Ajuda1 = nullptr;
    QAction *Configurar = nullptr;
    QAction *N3 = nullptr;
    QAction *Encerrar1 = nullptr;

    // Image lists.
    QList<QPixmap> imgpopup;  // 22 x 22, menu pictures
    QList<QPixmap> ImageListMenu;  // 32 x 32, balloon of btnMenu
    QList<QPixmap> ImageListCombo;  // 32 x 32, balloon of BreloCombo

    // Balloon hints.
    BalloonHint *HintMenu = nullptr;
    BalloonHint *HintCombo = nullptr;

    // The notification-area icon.
    TrayIcon *trayIcon() const { return m_tray.get(); }
    void AddTrayIcon();
    void RemoveTrayIcon();

    PlaybackSession *session() const { return m_session; }
    // The channels the list offers, in its order (the empty item after them
    // has no row).
    const QList<CatalogueEntry> &channels() const;

    // Shows the context menu with its right edge at `pos` (screen
    // coordinates) and its top at pos.y().
    void showPopupMenu(const QPoint &pos);

public slots:
    // Offers the listener's own channels, once `loader` has read them, in
    // place of the built-in ones; takes the loader over. Call before
    // FormCreate.
    void setChannelSource(ListenerListLoader *loader);

    // Creation.
    void FormCreate();

    // Channel list.
    void BreloComboClick();
    void BreloComboSelect();
    void BreloComboMouseLeave();

    // Display modes.
    void ModoNormal1Click();
    void ModoMaior1Click();
    void ModoTelaCheia1Click();
    void ModoRdio1Click();
    // The picture filled the screen, or left it.
    void followFullScreen(bool on);

    // Other menu commands.
    void BrowserNoticias1Click();
    // The news window arrived, or will not: a request that waited for it
    // is answered.
    void NewsWindowArrived();
    void Canais1Click();
    void Ajuda1Click();
    void ConfigurarClick();
    void Encerrar1Click();

    // Menu button and update label.
    void btnMenuClick();
    void btnMenuMouseLeave();
    void Label1Click();

    // Window events that carry the old handlers' names.
    void FormShow();
    void FormActivate();
    void FormMouseMove();

    // Tray icon notifications (QSystemTrayIcon::ActivationReason).
    void TrayIconMessage(int reason);

    // Brings the window back from the tray, from minimised or from behind
    // other windows, as a double click on the tray icon does (a second
    // start of the program asks for it).
    void ShowFromOutside();

protected:
    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    void showEvent(QShowEvent *e) override;
    void moveEvent(QMoveEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void changeEvent(QEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

private:
    // Construction of the parts, each in the file of its concern.
    void setupUpdateLabel();  // principal.cpp
    void setupCatalogue();  // principal.cpp
    // The list follows the model: its channels, and the row chosen there.
    void showChannels();
    void showChosenRow(int row);
    void showChannelChosen(int row);
    void startFirstChannel();
    void nameEngineAfter(const QString &channel);
    void tabThroughEngine();
    void setupPopupMenu();  // contextmenu.cpp
    void setupHints();  // contextmenu.cpp
    void setupTrayIcon();  // windowcommands.cpp
    // Whether the desktop has a tray to hide the window into.
    bool hasTray() const;  // windowcommands.cpp

    // Placement (displaymodes.cpp). Sizes and positions are the window's
    // outer rectangle, frame included.
    void setOuterSize(const QSize &size);
    // The client size the controls of `layout` reach to.
    QSize layoutExtent(const Presentation::Layout &layout, bool withLabel) const;
    void cornerPlacement();
    void screenClamp();
    void requestStayOnTop();
    // Asks the window manager for the frame unless it is known; true when asked.
    bool askFrameExtents();
    void giveWindowFocus();
    void giveControlFocus(QWidget *control);

    // Event filters of the menu button, the list and the label for the
    // menu, the hints and the pointer leaving (contextmenu.cpp).
    bool menuEventFilter(QObject *watched, QEvent *e);

    std::unique_ptr<Ui::FormPrincipal> ui;
    std::unique_ptr<TrayIcon> m_tray;
    const CompanionWindows *m_companions = nullptr;
    bool m_newsWanted = false;
    PlaybackSession *m_session = nullptr;
    // A choice the window makes itself, through its own list: what the list
    // does after it is the list's own business.
    bool m_choosing = false;
    ListenerListLoader *m_channelSource = nullptr;
    class ChannelNames *m_names = nullptr;

    // --- state of display modes and window commands (displaymodes.cpp, windowcommands.cpp) ---
    // Depth of the screen clamp, which its own moves re-enter.
    int m_clampDepth = 0;
    // The frame the last placement allowed for (a different frame later, from
    // a window manager that tells it only after mapping, re-places the
    // window), bounds kept while minimised, and the room the layout needs.
    Placement::State m_place;
    // Where the last showing put the window, until the window manager has
    // reported it mapped.
    QRect m_shownOuter;
    // Hidden by a minimise request from outside: Qt still counts the window
    // minimised, so bringing it back must clear that state.
    bool m_hiddenByMinimise = false;
    // --- end of display modes and window commands ---

    // --- state of the context menu, hints and links (contextmenu.cpp) ---
    class MenuStyle *m_menuStyle = nullptr;
    class MenuTriggers *m_menuTriggers = nullptr;
    // --- end of context menu, hints and links ---
};
