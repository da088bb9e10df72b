#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

// A small HTTP/1.1 server on 127.0.0.1 for the browser tests. Pages are
// registered by path; a page marked held is answered only after release().
// Like real servers on a bad day, a page may also stall part-way (its first
// bytes go out at once, the rest after release()) or break off part-way
// (the connection drops after the first bytes, short of its length).
// Every request's path is logged.
class LocalWebServer : public QObject
{
    Q_OBJECT

public:
    explicit LocalWebServer(QObject *parent = nullptr);

    bool listen();
    QString url(const QString &path) const;

    void addPage(const QString &path, const QByteArray &body,
                 const QByteArray &type = "text/html; charset=utf-8");
    // A file the browser saves rather than shows, under `fileName`.
    void addAttachment(const QString &path, const QByteArray &body, const QString &fileName);
    // The answer for `path` sends its first `bytes` and waits for release().
    void stallAfter(const QString &path, qsizetype bytes);
    // The answer for `path` sends its first `bytes` and drops the connection.
    void breakAfter(const QString &path, qsizetype bytes);
    // Requests for `path` wait until release().
    void hold(const QString &path);
    void release(const QString &path);

    const QList<QString> &requests() const { return m_log; }
    int requestCount(const QString &path) const { return int(m_log.count(path)); }
    void clearLog() { m_log.clear(); }

signals:
    void requested(const QString &path);

private:
    void serve(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const QString &path);

    struct Page {
        QByteArray type;
        QByteArray body;
        QByteArray extraHeaders;
    };

    QTcpServer m_server;
    QHash<QString, Page> m_pages;
    QHash<QString, qsizetype> m_stallAt;
    QHash<QString, qsizetype> m_breakAt;
    // Answers stalled part-way, with the bytes still to send.
    QHash<QString, QList<QPair<QPointer<QTcpSocket>, QByteArray>>> m_stalled;
    QHash<QString, QList<QPointer<QTcpSocket>>> m_held;
    QList<QString> m_heldPaths;
    QList<QString> m_log;
};
