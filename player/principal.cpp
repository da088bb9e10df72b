#include "player/principal.h"

#include "catalogue/channelcatalogue.h"
#include "media/mediaengine.h"
#include "platform/errors.h"
#include "platform/trayicon.h"
#include "ui_principal.h"

#include <QComboBox>
#include <QEvent>

TFormPrincipal::TFormPrincipal(const CompanionWindows *companions, QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::FormPrincipal>()), m_companions(companions)
{
    ui->setupUi(this);
    btnMenu = ui->btnMenu;
    BreloCombo = ui->BreloCombo;
    PlayerBrelo = ui->PlayerBrelo;
    Label1 = ui->Label1;

    // A title bar without buttons or window menu; the window manager keeps
    // it above ordinary windows.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);

    setupCatalogue();
    setupPopupMenu();
    setupHints();
    setupTrayIcon();
}

TFormPrincipal::~TFormPrincipal() = default;

void TFormPrincipal::setupCatalogue()
{
    for (const CatalogueEntry &row : ChannelCatalogue::rows())
        BreloCombo->addItem(row.text);
    BreloCombo->addItem(QString());

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

void TFormPrincipal::FormCreate()
{
    setOuterSize(168, 228);
    PlayerBrelo->setURL(ChannelCatalogue::rows().first().address);
    {
        const QSignalBlocker quiet(BreloCombo);
        BreloCombo->setCurrentIndex(0);
    }
    requestStayOnTop();
    AddTrayIcon();
}

void TFormPrincipal::BreloComboClick()
{
    for (const CatalogueEntry &row : ChannelCatalogue::rows()) {
        if (BreloCombo->currentText() == row.text)
            PlayerBrelo->setURL(row.address);
    }
    giveWindowFocus();
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
