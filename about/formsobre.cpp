#include "about/formsobre.h"

#include "about/linkmarkup.h"
#include "about/placement.h"
#include "platform/accessibility.h"
#include "platform/errors.h"
#include "platform/logging.h"
#include "platform/taskbarhint.h"
#include "ui_formsobre.h"

#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPixmap>
#include <QScreen>
#include <QUrl>
#include <QWindow>

namespace {

Tfsobre::LinkOpener &linkOpener()
{
    static Tfsobre::LinkOpener opener;
    return opener;
}

void openWithDesktop(const QString &target)
{
    // Like the shell, take a bare name for a file in the current folder
    // when there is one, else for a web address.
    QDesktopServices::openUrl(QUrl::fromUserInput(target, QDir::currentPath()));
}

// The layout's texts were set in MS Sans Serif, which Linux desktops lack;
// fontconfig would put a much wider face in its place and the lines that
// share a row ("Desenvolvido:" and the name, the labels before the contact
// address and the link) would run into each other. Faces with the metrics
// of Arial come closest.
void substituteLayoutFonts()
{
    static const bool done = [] {
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                                   {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                    QStringLiteral("Arial"), QStringLiteral("Nimbus Sans"),
                                    QStringLiteral("FreeSans")});
        return true;
    }();
    Q_UNUSED(done);
}

// The layout gives whole points designed for 96 pixels per inch, where they
// come out as whole pixel heights (8 points as 11 pixels, 7 as 9). Qt would
// keep the fractions, and every label's extent would drift from the layout.
void usePixelHeights(QWidget *w)
{
    QFont f = w->font();
    if (f.pointSizeF() <= 0)
        return;
    f.setPixelSize(qRound(f.pointSizeF() * 96.0 / 72.0));
    w->setFont(f);
}

// Labels take the size of their text: unwrapped ones both ways (a
// right-aligned one keeping its right edge), wrapped ones only in height.
void sizeToText(QLabel *label)
{
    QRect r = label->geometry();
    if (label->wordWrap()) {
        r.setHeight(label->heightForWidth(r.width()));
    } else {
        const QSize hint = label->sizeHint();
        if (label->alignment() & Qt::AlignRight)
            r.setLeft(r.right() + 1 - hint.width());
        else
            r.setWidth(hint.width());
        r.setHeight(hint.height());
    }
    label->setGeometry(r);
}

}  // namespace

Tfsobre::Tfsobre(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::Tfsobre>())
{
    substituteLayoutFonts();
    Accessibility::install();
    ui->setupUi(this);
    Accessibility::refresh(this);
    // Button face behind everything. Taking the colour rather than the role
    // keeps the labels' text in WindowText, the role the layout colours.
    QPalette face = palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        face.setBrush(group, QPalette::Window, face.brush(group, QPalette::Button));
    setPalette(face);

    // System colours of the layout that Qt has roles for.
    for (QLabel *l : {ui->Label3, ui->Label1, ui->Label2})
        l->setForegroundRole(QPalette::Text);  // menus draw their items in it
    // The desktop's colour has no role; the selection colour is the
    // system's accent, the nearest in kind.
    ui->labeldesenvolvedor->setForegroundRole(QPalette::Highlight);
    // Window frames are drawn in the text colour on every desktop scheme
    // (black on a light one); Qt's frame shadow is a mid grey under Fusion,
    // which made the contact address look disabled.
    ui->Label4->setForegroundRole(QPalette::WindowText);

    usePixelHeights(this);
    for (QWidget *w : findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (w->testAttribute(Qt::WA_SetFont))
            usePixelHeights(w);
    }
    // The banner's frame is its picture's size, and the picture comes later.
    for (QLabel *l : findChildren<QLabel *>(Qt::FindDirectChildrenOnly)) {
        if (l != ui->LinkLabel1 && l != ui->imgbrelo)
            sizeToText(l);
    }

    connect(ui->OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->LinkLabel1, &QLabel::linkActivated, this, &Tfsobre::onLinkActivated);
    ui->LinkLabel1->installEventFilter(this);
    ui->OKButton->setFocus();
}

Tfsobre::~Tfsobre() = default;

void Tfsobre::setLinkOpener(LinkOpener opener)
{
    linkOpener() = std::move(opener);
}

void Tfsobre::onLinkActivated(const QString &href)
{
    const LinkMarkup::Target t = LinkMarkup::target(ui->LinkLabel1->text(), href);
    Errors::guarded(
        [&] { LinkLabel1LinkClick(ui->LinkLabel1, t.link, t.isId ? LinkKind::Id : LinkKind::Url); });
}

void Tfsobre::LinkLabel1LinkClick(QObject *Sender, const QString &Link, LinkKind LinkType)
{
    Q_UNUSED(Sender);
    Q_UNUSED(LinkType);
    // Whether anything opened is the desktop's business; nothing is reported.
    qCDebug(lcAbout) << "link:" << Link;
    if (linkOpener())
        linkOpener()(Link);
    else
        openWithDesktop(Link);
}

void Tfsobre::keyPressEvent(QKeyEvent *event)
{
    // The window has no cancel button, so Escape closes nothing.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void Tfsobre::setVisible(bool visible)
{
    if (visible && !isVisible()) {
        // Later showings keep the position the window had, dragged or not:
        // having been moved once, QDialog no longer centres it on its parent.
        if (!m_everShown) {
            m_everShown = true;
            // The window is made at start and may never be opened: until
            // it is, the program holds neither the picture nor the JPEG
            // decoder it takes (about 0.8 MiB between them).
            ui->imgbrelo->setPixmap(QPixmap(QStringLiteral(":/images/about/banner.jpg")));
            placeForFirstShowing();
        }
        // The player's own taskbar button stands for the program.
        TaskbarHint::ownedByParent(this);
    }
    QDialog::setVisible(visible);
}

void Tfsobre::placeForFirstShowing()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // The frame is unknown until the window manager has framed the window.
    // The parent's frame is a good guess; the first exposure corrects it.
    QMargins frame;
    if (QWidget *p = parentWidget(); p && p->window()->isVisible() && p->window()->windowHandle())
        frame = p->window()->windowHandle()->frameMargins();
    const QSize frameSize = size().grownBy(frame);
    m_firstPosition = Placement::centred(frameSize, screen->availableGeometry(), screen->virtualGeometry());
    move(m_firstPosition);

    if (!windowHandle())
        create();
    if (QWindow *w = windowHandle()) {
        m_awaitingFrame = true;
        w->installEventFilter(this);
    }
}

bool Tfsobre::eventFilter(QObject *watched, QEvent *event)
{
    // Tabbing onto a QLabel focuses the label, not its anchor, so Enter
    // would do nothing there (and the dialog would not press OK either).
    // The link is reached by Tab, so Enter or Space there follows it.
    if (watched == ui->LinkLabel1 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool activates
            = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Space;
        if (activates && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            const auto anchors = LinkMarkup::anchors(ui->LinkLabel1->text());
            if (!anchors.isEmpty()) {
                onLinkActivated(anchors.first().href);
                return true;
            }
        }
    }
    if (m_awaitingFrame && watched == windowHandle() && event->type() == QEvent::Expose
        && windowHandle()->isExposed()) {
        m_awaitingFrame = false;
        watched->removeEventFilter(this);
        recentreOnceFramed();
    }
    return QDialog::eventFilter(watched, event);
}

void Tfsobre::recentreOnceFramed()
{
    // Leave it be if it was moved away meanwhile.
    if (pos() != m_firstPosition)
        return;
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QPoint exact
        = Placement::centred(frameGeometry().size(), screen->availableGeometry(), screen->virtualGeometry());
    if (exact != pos()) {
        m_firstPosition = exact;
        move(exact);
    }
}
