#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

namespace Ui {
class Tfsobre;
}

// The About window: banner, verse, texts about the program and a link to
// the updates page. Created once, hidden, and shown modally on demand;
// closing only hides it.
class Tfsobre : public QDialog
{
    Q_OBJECT
public:
    explicit Tfsobre(QWidget *parent = nullptr);
    ~Tfsobre() override;

    // How a link label reports its target: the anchor's id when it has one,
    // its address otherwise.
    enum class LinkKind { Url, Id };

    // Opens a link's target in the user's default handler. Tests replace it;
    // an empty opener restores the desktop's.
    using LinkOpener = std::function<void(const QString &target)>;
    static void setLinkOpener(LinkOpener opener);

    void LinkLabel1LinkClick(QObject *Sender, const QString &Link, LinkKind LinkType);

    void setVisible(bool visible) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onLinkActivated(const QString &href);
    void placeForFirstShowing();
    void recentreOnceFramed();

    std::unique_ptr<Ui::Tfsobre> ui;
    bool m_everShown = false;
    bool m_awaitingFrame = false;
    QPoint m_firstPosition;
};
