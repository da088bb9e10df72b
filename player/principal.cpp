#include "player/principal.h"

#include "catalogue/channelcatalogue.h"
#include "catalogue/listenerlistloader.h"
#include "media/mediaengine.h"
#include "platform/accessibility.h"
#include "platform/appfonts.h"
#include "platform/errors.h"
#include "platform/logging.h"
#include "platform/trayicon.h"
#include "player/channellist.h"
#include "player/presentation.h"
#include "ui_principal.h"

#include <QComboBox>
#include <QEvent>

TFormPrincipal::TFormPrincipal(const CompanionWindows *companions, QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::FormPrincipal>()), m_companions(companions)
{
    AppFonts::ensureTahoma();
    Accessibility::install();
    ui->setupUi(this);
    Accessibility::refresh(this);
    btnMenu = ui->btnMenu;
    BreloCombo = ui->BreloCombo;
    PlayerBrelo = ui->PlayerBrelo;
    Label1 = ui->Label1;
    setupUpdateLabel();
    tabThroughEngine();

    // A title bar without buttons or window menu; the window manager keeps
    // it above ordinary windows.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);

    setupCatalogue();
    setupPopupMenu();
    setupHints();
    setupTrayIcon();
}

TFormPrincipal::~TFormPrincipal() = default;

void TFormPrincipal::setupUpdateLabel()
{
    // Tahoma 11 px. Its twin from Wine's fonts sets this line a pixel wider
    // than the 199 px it was designed at, which the Extended window leaves
    // for it; a twentieth of a pixel less between letters gives it back.
    QFont font = Label1->font();
    font.setFamily(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    font.setLetterSpacing(QFont::AbsoluteSpacing, -0.05);
    Label1->setFont(font);
    // Its designed place lies beyond the Normal window's right edge, which
    // a slim window-manager frame leaves a pixel or two further out than
    // the designed one: Normal shows none of it.
    Label1->hide();
}

void TFormPrincipal::setupCatalogue()
{
    showChannels(ChannelCatalogue::rows());
    new ChannelList(BreloCombo);

    // Qt reports every user choice, by mouse, arrow key or type-ahead, as
    // `activated`; a selection made by code raises nothing.
    connect(BreloCombo, &QComboBox::activated, this, [this] {
        Errors::guarded([this] {
            BreloComboClick();
            BreloComboSelect();
        });
    });
    BreloCombo->installEventFilter(this);
}

void TFormPrincipal::showChannels(const QList<CatalogueEntry> &rows)
{
    m_channels = rows;
    const QSignalBlocker quiet(BreloCombo);
    BreloCombo->clear();
    for (const CatalogueEntry &row : rows)
        BreloCombo->addItem(row.text);
    BreloCombo->addItem(QString());
}

void TFormPrincipal::setChannelSource(ListenerListLoader *loader)
{
    m_channelSource = loader;
    loader->setParent(this);
}

void TFormPrincipal::FormCreate()
{
    m_place.layoutMinimum = layoutExtent(Presentation::kNormal, false);
    setOuterSize(Presentation::kNormal.window);
    startFirstChannel();
    requestStayOnTop();
    askFrameExtents();
    AddTrayIcon();
}

void TFormPrincipal::startFirstChannel()
{
    auto play = [this] {
        qCDebug(lcCatalogue) << "first channel:" << m_channels.first().address;
        PlayerBrelo->setURL(m_channels.first().address);
        nameEngineAfter(m_channels.first().text);
        const QSignalBlocker quiet(BreloCombo);
        BreloCombo->setCurrentIndex(0);
    };
    if (m_channelSource) {
        // A few milliseconds are all the window waits: a list read from a
        // slow folder starts its row 1 when it arrives, and until then the
        // list offers nothing, so no built-in channel is heard by mistake.
        if (const auto own = m_channelSource->takeWithin(std::chrono::milliseconds(5))) {
            if (!own->isEmpty())
                showChannels(*own);
        } else {
            qCDebug(lcCatalogue) << "the listener's list is still being read; row 1 starts when it is in";
            showChannels({});
            connect(m_channelSource, &ListenerListLoader::ready, this,
                    [this, play](const QList<CatalogueEntry> &rows) {
                        showChannels(rows.isEmpty() ? ChannelCatalogue::rows() : rows);
                        play();
                    });
            return;
        }
    }
    play();
}

void TFormPrincipal::BreloComboClick()
{
    bool found = false;
    for (qsizetype i = 0; i < m_channels.size(); ++i) {
        const CatalogueEntry &row = m_channels.at(i);
        if (BreloCombo->currentText() == row.text) {
            found = true;
            if (isOnAir(row.address)) {
                qCDebug(lcCatalogue) << "channel" << i + 1 << "chosen again while on the air:" << row.address;
                continue;
            }
            qCDebug(lcCatalogue) << "channel" << i + 1 << "chosen:" << row.address;
            PlayerBrelo->setURL(row.address);
            nameEngineAfter(row.text);
        }
    }
    if (!found)
        qCDebug(lcCatalogue) << "no channel chosen: the empty item";
    giveWindowFocus();
}

bool TFormPrincipal::isOnAir(const QString &address) const
{
    // Writing the address again would restart it and the listener would
    // hear a gap; a station that failed or was stopped is tried afresh.
    if (PlayerBrelo->URL() != address)
        return false;
    switch (PlayerBrelo->status()) {
    case MediaEngine::Status::Connecting:
    case MediaEngine::Status::Buffering:
    case MediaEngine::Status::Playing:
    case MediaEngine::Status::Reconnecting: return true;
    default: return false;
    }
}

void TFormPrincipal::tabThroughEngine()
{
    // The layout's tab order puts the list straight after the engine, which
    // would skip the engine's own buttons and sliders: they come first.
    QList<QWidget *> inside;
    for (QWidget *c = PlayerBrelo->nextInFocusChain(); c != PlayerBrelo; c = c->nextInFocusChain()) {
        if (PlayerBrelo->isAncestorOf(c) && (c->focusPolicy() & Qt::TabFocus))
            inside.append(c);
    }
    QWidget *previous = PlayerBrelo;
    for (QWidget *c : std::as_const(inside)) {
        QWidget::setTabOrder(previous, c);
        previous = c;
    }
    QWidget::setTabOrder(previous, BreloCombo);
    QWidget::setTabOrder(BreloCombo, btnMenu);
    QWidget::setTabOrder(btnMenu, Label1);
}

void TFormPrincipal::nameEngineAfter(const QString &channel)
{
    // A choice in the list sends the keyboard focus on to the engine, so
    // the list itself never gets to speak the new channel: the engine's name
    // carries it, and a screen reader reads it as the focus arrives.
    PlayerBrelo->setAccessibleName(QStringLiteral("Reprodutor: %1").arg(channel));
}

void TFormPrincipal::BreloComboSelect()
{
    giveControlFocus(PlayerBrelo);
}

void TFormPrincipal::BreloComboMouseLeave()
{
    giveWindowFocus();
}

void TFormPrincipal::giveWindowFocus()
{
    if (!isActiveWindow())
        activateWindow();
}

void TFormPrincipal::giveControlFocus(QWidget *control)
{
    if (!isActiveWindow())
        activateWindow();
    control->setFocus(Qt::OtherFocusReason);
}

bool TFormPrincipal::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == BreloCombo && e->type() == QEvent::Leave)
        Errors::guarded([this] { BreloComboMouseLeave(); });
    if (menuEventFilter(watched, e))
        return true;
    return QWidget::eventFilter(watched, e);
}
