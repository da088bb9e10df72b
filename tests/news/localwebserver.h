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

    QTcpServer m_server;
    QHash<QString, QPair<QByteArray, QByteArray>> m_pages;
    QHash<QString, QList<QPointer<QTcpSocket>>> m_held;
    QList<QString> m_heldPaths;
    QList<QString> m_log;
};
