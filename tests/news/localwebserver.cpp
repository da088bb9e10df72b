#include "localwebserver.h"

#include <QTcpSocket>

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
    m_pages.insert(path, {type, body});
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
    QByteArray status = "200 OK", type, body;
    if (page == m_pages.constEnd()) {
        status = "404 Not Found";
        type = "text/plain";
        body = "not found";
    } else {
        type = page->first;
        body = page->second;
    }
    socket->write("HTTP/1.1 " + status + "\r\nContent-Type: " + type
                  + "\r\nContent-Length: " + QByteArray::number(body.size())
                  + "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + body);
    socket->disconnectFromHost();
}
