#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QWebEngineDownloadRequest;
class QWebEnginePage;
class QWidget;

// The downloads one page asks for. Each asks the user where to save it
// (the suggested name in the user's download folder), reports its progress
// while it runs, can be cancelled, and says in a status text how it ended.
// One runs at a time: the window has one progress panel to show it in.
class PageDownloads : public QObject
{
    Q_OBJECT

public:
    // Save dialogs belong to `window`; only `page`'s downloads are taken.
    PageDownloads(QWebEnginePage *page, QWidget *window);

    bool isRunning() const { return !m_running.isNull(); }
    void cancel();

    // Where the save dialog starts: the desktop's download folder, else home.
    static QString defaultFolder();

signals:
    // `total` is -1 while the server has not said how much is coming.
    void progress(qint64 received, qint64 total);
    void statusText(const QString &text);
    // The download ended, however it ended.
    void ended();

private:
    void onRequested(QWebEngineDownloadRequest *download);
    void follow(QWebEngineDownloadRequest *download);

    QWebEnginePage *m_page;
    QPointer<QWidget> m_window;
    QPointer<QWebEngineDownloadRequest> m_running;
    // The save dialog is open, for this file.
    bool m_asking = false;
    QString m_askedName;
};
