#pragma once

#include <QObject>
#include <QTimer>
#include <QtMath>

#include <QList>
#include <QTcpServer>
#include <QTcpSocket>

// A minimal station on 127.0.0.1: an ASX playlist naming an endless WAV
// stream (a quiet tone), served over HTTP/1.0. It counts what it sends so
// a test can see a listener stay connected and the data flow.
class LocalStreamServer : public QObject
{
    Q_OBJECT
public:
    explicit LocalStreamServer(QObject *parent = nullptr) : QObject(parent)
    {
        connect(&m_server, &QTcpServer::newConnection, this, &LocalStreamServer::accept);
        m_pump.setInterval(50);
        connect(&m_pump, &QTimer::timeout, this, &LocalStreamServer::pump);
    }

    bool listen(quint16 port) { return m_server.listen(QHostAddress::LocalHost, port); }

    // The playlist at any path ending in ".asx" names `streamUrl`.
    void setStreamUrl(const QString &url) { m_streamUrl = url; }

    int requests() const { return m_requests; }
    qint64 streamBytes() const { return m_streamBytes; }
    int openStreams() const { return int(m_streams.size()); }

private:
    void accept()
    {
        while (QTcpSocket *s = m_server.nextPendingConnection()) {
            connect(s, &QTcpSocket::readyRead, this, [this, s] { request(s); });
            connect(s, &QTcpSocket::disconnected, this, [this, s] {
                m_streams.removeAll(s);
                s->deleteLater();
            });
        }
    }

    void request(QTcpSocket *s)
    {
        if (m_streams.contains(s) || !s->canReadLine())
            return;
        const QByteArray line = s->readLine();
        s->readAll();
        ++m_requests;
        const QList<QByteArray> parts = line.split(' ');
        const QByteArray path = parts.size() > 1 ? parts.at(1) : QByteArray();
        if (path.endsWith(".asx")) {
            const QByteArray body = "<asx version=\"3.0\"><entry><ref href=\"" + m_streamUrl.toUtf8()
                + "\"/></entry></asx>\r\n";
            s->write("HTTP/1.0 200 OK\r\nContent-Type: video/x-ms-asf\r\nContent-Length: "
                     + QByteArray::number(body.size()) + "\r\n\r\n" + body);
            s->disconnectFromHost();
            return;
        }
        s->write("HTTP/1.0 200 OK\r\nContent-Type: audio/wav\r\n\r\n");
        s->write(wavHeader());
        m_streams.append(s);
        if (!m_pump.isActive())
            m_pump.start();
    }

    // 50 ms of a 440 Hz tone, 8 kHz mono 16-bit, to every listener.
    void pump()
    {
        QByteArray chunk(400 * 2, Qt::Uninitialized);
        auto *samples = reinterpret_cast<qint16 *>(chunk.data());
        for (int i = 0; i < 400; ++i, ++m_phase)
            samples[i] = qint16(3000 * qSin(2 * M_PI * 440 * m_phase / 8000.0));
        for (QTcpSocket *s : std::as_const(m_streams)) {
            s->write(chunk);
            m_streamBytes += chunk.size();
        }
    }

    static QByteArray wavHeader()
    {
        QByteArray h;
        const auto u32 = [&h](quint32 v) { for (int i = 0; i < 4; ++i) h.append(char((v >> (8 * i)) & 0xff)); };
        const auto u16 = [&h](quint16 v) { h.append(char(v & 0xff)); h.append(char(v >> 8)); };
        h.append("RIFF");
        u32(0xffffffffu);
        h.append("WAVEfmt ");
        u32(16);
        u16(1);       // PCM
        u16(1);       // mono
        u32(8000);    // rate
        u32(16000);   // bytes per second
        u16(2);       // block align
        u16(16);      // bits
        h.append("data");
        u32(0xffffffffu);
        return h;
    }

    QTcpServer m_server;
    QTimer m_pump;
    QList<QTcpSocket *> m_streams;
    QString m_streamUrl;
    int m_requests = 0;
    qint64 m_streamBytes = 0;
    qint64 m_phase = 0;
};
