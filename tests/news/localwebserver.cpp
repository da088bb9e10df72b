#include "localwebserver.h"

#include <QTcpSocket>
#include <QTimer>

LocalWebServer::LocalWebServer(QObject *parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *s = m_server.nextPendingConnection()) {
            connect(s, &QTcpSocket::readyRead, this, [this, s] { serve(s); });
            connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        }
    });
}

bool LocalWebServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

QString LocalWebServer::url(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
}

void LocalWebServer::addPage(const QString &path, const QByteArray &body, const QByteArray &type)
{
    m_pages.insert(path, {type, body, {}});
}

void LocalWebServer::addAttachment(const QString &path, const QByteArray &body, const QString &fileName)
{
    m_pages.insert(path,
                   {"application/octet-stream", body,
                    "Content-Disposition: attachment; filename=\"" + fileName.toUtf8() + "\"\r\n"});
}

void LocalWebServer::stallAfter(const QString &path, qsizetype bytes)
{
    m_stallAt.insert(path, bytes);
}

void LocalWebServer::breakAfter(const QString &path, qsizetype bytes)
{
    m_breakAt.insert(path, bytes);
}

void LocalWebServer::hold(const QString &path)
{
    if (!m_heldPaths.contains(path))
        m_heldPaths.append(path);
}

void LocalWebServer::release(const QString &path)
{
    m_heldPaths.removeAll(path);
    const auto waiting = m_held.take(path);
    for (const auto &s : waiting) {
        if (s)
            answer(s, path);
    }
    const auto stalled = m_stalled.take(path);
    for (const auto &[s, rest] : stalled) {
        if (s) {
            s->write(rest);
            s->disconnectFromHost();
        }
    }
}

void LocalWebServer::serve(QTcpSocket *socket)
{
    // One request per connection: the answer closes it.
    QByteArray head = socket->property("head").toByteArray() + socket->readAll();
    socket->setProperty("head", head);
    if (!head.contains("\r\n\r\n") || socket->property("seen").toBool())
        return;
    socket->setProperty("seen", true);
    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    const QString path = requestLine.size() >= 2 ? QString::fromUtf8(requestLine.at(1)) : QString();
    m_log.append(path);
    emit requested(path);
    if (m_heldPaths.contains(path)) {
        m_held[path].append(socket);
        return;
    }
    answer(socket, path);
}

void LocalWebServer::answer(QTcpSocket *socket, const QString &path)
{
    const auto page = m_pages.constFind(path);
    QByteArray status = "200 OK";
    Page p{"text/plain", "not found", {}};
    if (page == m_pages.constEnd())
        status = "404 Not Found";
    else
        p = *page;
    const QByteArray head = "HTTP/1.1 " + status + "\r\nContent-Type: " + p.type
        + "\r\nContent-Length: " + QByteArray::number(p.body.size()) + "\r\n" + p.extraHeaders
        + "Cache-Control: no-store\r\nConnection: close\r\n\r\n";
    if (m_breakAt.contains(path)) {
        socket->write(head + p.body.left(m_breakAt.value(path)));
        socket->flush();
        // Gone before the length it announced: a reset, not a clean close.
        QTimer::singleShot(200, socket, [socket] { socket->abort(); });
        return;
    }
    if (m_stallAt.contains(path)) {
        const qsizetype first = m_stallAt.value(path);
        socket->write(head + p.body.left(first));
        m_stalled[path].append({socket, p.body.mid(first)});
        return;
    }
    socket->write(head + p.body);
    socket->disconnectFromHost();
}
