#pragma once

#include "news/newssitecatalogue.h"

#include <QDialog>

#include <memory>

namespace Ui {
class BrowseNoticia;
}
class QComboBox;
class QProgressBar;
class QToolButton;
class NewsStatusBar;
class NewsWebBrowser;

// The news browser window: a web view with a fixed list of news sites,
// Back, Forward, Refresh and Close buttons, and a status bar with the
// page's status text, the load's progress and the date and time the
// window was created. It is created once, hidden, and already loads the
// first site; closing it only hides it, page and history included.
class TBrowseNoticia : public QDialog
{
    Q_OBJECT

public:
    explicit TBrowseNoticia(QWidget *parent = nullptr);
    // The same window over another list of sites.
    TBrowseNoticia(NewsSiteCatalogue sites, QWidget *parent);
    ~TBrowseNoticia() override;

    const NewsSiteCatalogue &sites() const { return m_sites; }

    // Controls of the layout, by their layout names.
    QToolButton *btnvoltar = nullptr;
    QToolButton *btnavancar = nullptr;
    QToolButton *btnAtualizar = nullptr;
    QToolButton *BtnSair = nullptr;
    QComboBox *BrowseCombo = nullptr;
    NewsWebBrowser *WebBrowser = nullptr;
    NewsStatusBar *StatusBar1 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;

    void setVisible(bool visible) override;

public slots:
    void FormResize();

    void btnvoltarClick();
    void btnavancarClick();
    void btnAtualizarClick();
    void BtnSairClick();
    void BrowseComboClick();

    // The web view's reports.
    void WebBrowserStatusTextChange(const QString &Text);
    void WebBrowserProgressChange(int Progress, int ProgressMax);
    void WebBrowserCommandStateChange(int Command, bool Enable);
    void WebBrowserTitleChange(const QString &Text);

protected:
    void resizeEvent(QResizeEvent *e) override;
    void showEvent(QShowEvent *e) override;
    void hideEvent(QHideEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    void FormCreate();
    void startBrowserSoon();
    void startBrowser();
    void showDownloadProgress(qint64 received, qint64 total);

    std::unique_ptr<Ui::BrowseNoticia> ui;
    NewsSiteCatalogue m_sites;
    QObject *m_waitingFor = nullptr;
};
