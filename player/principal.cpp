#include "player/principal.h"

#include "catalogue/channelcatalogue.h"
#include "catalogue/listenerlistloader.h"
#include "media/mediaengine.h"
#include "media/playbacksession.h"
#include "platform/accessibility.h"
#include "platform/appfonts.h"
#include "platform/errors.h"
#include "platform/logging.h"
#include "platform/trayicon.h"
#include "player/channellist.h"
#include "player/channelnames.h"
#include "player/presentation.h"
#include "ui_principal.h"

#include <QComboBox>
#include <QEvent>
#include <QListView>
#include <QScopedValueRollback>

TFormPrincipal::TFormPrincipal(const CompanionWindows *companions, QWidget *parent)
    : TFormPrincipal(nullptr, companions, parent)
{ }

TFormPrincipal::TFormPrincipal(PlaybackSession *session, const CompanionWindows *companions, QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::FormPrincipal>()), m_companions(companions), m_session(session)
{
    AppFonts::ensureTahoma();
    Accessibility::install();
    ui->setupUi(this);
    Accessibility::refresh(this);
    btnMenu = ui->btnMenu;
    BreloCombo = ui->BreloCombo;
    PlayerBrelo = ui->PlayerBrelo;
    Label1 = ui->Label1;
    if (!m_session)
        m_session = new PlaybackSession(PlayerBrelo->engine(), this);
    else if (auto *engine = qobject_cast<EngineService *>(m_session->engine()))
        PlayerBrelo->setEngine(engine);
    setupUpdateLabel();
    tabThroughEngine();

    // A title bar without buttons or window menu; the window manager keeps
    // it above ordinary windows.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);

    setupCatalogue();
    connect(PlayerBrelo, &MediaEngine::fullScreenChanged, this, &TFormPrincipal::followFullScreen);
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
    connect(m_session, &PlaybackSession::channelsChanged, this, &TFormPrincipal::showChannels);
    connect(m_session, &PlaybackSession::chosenRowChanged, this, &TFormPrincipal::showChosenRow);
    connect(m_session, &PlaybackSession::channelChosen, this, &TFormPrincipal::showChannelChosen);
    m_names = new ChannelNames(m_session, this);
    BreloCombo->setModel(m_names);
    // Every row the same height: a long list then drops down at once.
    if (auto *view = qobject_cast<QListView *>(BreloCombo->view()))
        view->setUniformItemSizes(true);
    m_session->setChannels(ChannelCatalogue::rows());
    auto *typeAhead = new ChannelList(BreloCombo);

    // Qt reports every user choice by mouse or arrow key as `activated`, and
    // the list's type-ahead its own; a selection made by code raises nothing.
    const auto choice = [this] {
        Errors::guarded([this] {
            BreloComboClick();
            BreloComboSelect();
        });
    };
    connect(BreloCombo, &QComboBox::activated, this, choice);
    connect(typeAhead, &ChannelList::chosen, this, choice);
    BreloCombo->installEventFilter(this);
}

const QList<CatalogueEntry> &TFormPrincipal::channels() const
{
    return m_session->channels();
}

void TFormPrincipal::showChannels()
{
    const QSignalBlocker quiet(BreloCombo);
    m_names->reset();
    showChosenRow(m_session->chosenRow());
}

void TFormPrincipal::showChosenRow(int row)
{
    if (row < 0 || row >= BreloCombo->count() || BreloCombo->currentIndex() == row)
        return;
    const QSignalBlocker quiet(BreloCombo);
    BreloCombo->setCurrentIndex(row);
}

void TFormPrincipal::showChannelChosen(int row)
{
    if (row >= 0 && row < m_session->channelCount())
        nameEngineAfter(m_session->channels().at(row).text);
    // A choice from outside the list (the desktop's Next and Previous)
    // ends where the list's own would: the keyboard focus on the engine.
    if (!m_choosing)
        Errors::guarded([this] { BreloComboSelect(); });
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
        if (m_session->channelCount() == 0)
            return;
        qCDebug(lcCatalogue) << "first channel:" << m_session->channels().first().address;
        const QScopedValueRollback own(m_choosing, true);
        m_session->choose(0);
    };
    if (m_channelSource) {
        // A few milliseconds are all the window waits: a list read from a
        // slow folder starts its row 1 when it arrives, and until then the
        // list offers nothing, so no built-in channel is heard by mistake.
        if (const auto own = m_channelSource->takeWithin(std::chrono::milliseconds(5))) {
            if (!own->isEmpty())
                m_session->setChannels(*own);
        } else {
            qCDebug(lcCatalogue) << "the listener's list is still being read; row 1 starts when it is in";
            m_session->setChannels({});
            connect(m_channelSource, &ListenerListLoader::ready, this,
                    [this, play](const QList<CatalogueEntry> &rows) {
                        m_session->setChannels(rows.isEmpty() ? ChannelCatalogue::rows() : rows);
                        play();
                    });
            return;
        }
    }
    play();
}

void TFormPrincipal::BreloComboClick()
{
    // The row is found by the list's text, as the list shows it.
    const QScopedValueRollback own(m_choosing, true);
    const QList<CatalogueEntry> rows = m_session->channels();
    bool found = false;
    for (int i = 0; i < rows.size(); ++i) {
        if (BreloCombo->currentText() == rows.at(i).text) {
            found = true;
            m_session->choose(i);
        }
    }
    if (!found)
        m_session->choose(m_session->channelCount());
    giveWindowFocus();
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
