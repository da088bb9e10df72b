#pragma once

#include <QString>
#include <QWidget>

class PageDownloads;
class QWebEngineView;

// The window's web browser control. It wraps QtWebEngine behind the
// operations and events the news window works with: navigate, back,
// forward, refresh; status text, progress, back/forward availability and
// title.
//
// The engine is expensive to bring up (a Chromium browser context and its
// helper processes), so it is started on request: a navigation asked for
// before start() waits and is sent as soon as the engine runs.
class NewsWebBrowser : public QWidget
{
    Q_OBJECT

public:
    // Commands of CommandStateChange.
    enum Command { UpdateCommands = -1, NavigateForward = 1, NavigateBack = 2 };

    explicit NewsWebBrowser(QWidget *parent = nullptr);
    ~NewsWebBrowser() override;

    // Operations. GoBack and GoForward without a page to go to are refused
    // with a ControlError.
    void Navigate(const QString &address);
    void GoBack();
    void GoForward();
    void Refresh();

    // Brings the engine up and sends the waiting navigation; later calls do
    // nothing.
    void start();
    bool isStarted() const { return m_view != nullptr; }

    // While the window is hidden the page is frozen once loaded: its
    // scripts, timers and animations stop costing anything, and it shows at
    // once, as it was, when the window is shown again.
    void setShown(bool shown);

    // Downloads the page starts: the user chooses where each goes, and one
    // runs at a time.
    bool isDownloading() const;
    void CancelDownload();

    // The address of the page shown (or being loaded), empty before start.
    QString locationUrl() const;
    // Null until start().
    QWebEngineView *view() const { return m_view; }

signals:
    void StatusTextChange(const QString &text);
    void ProgressChange(int progress, int progressMax);
    void CommandStateChange(int command, bool enable);
    void TitleChange(const QString &text);
    // `total` is -1 while unknown. Status texts of a download come through
    // StatusTextChange.
    void DownloadProgress(qint64 received, qint64 total);
    void DownloadEnded();

private:
    void freezeIfHidden();

    QWebEngineView *m_view = nullptr;
    PageDownloads *m_downloads = nullptr;
    QString m_pending;
    bool m_closed = false;  // the application is ending
    bool m_shown = false;
};
