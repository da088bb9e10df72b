#include "support/streamserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QMutex>
#include <QPointer>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#include <cmath>
#include <cstring>

namespace {

struct Route {
    bool isStream = false;
    StreamServer::Stream stream;
    QByteArray body, contentType;
    int redirectStatus = 0;  // non-zero: `body` is the Location
};

struct Stats {
    int open = 0;
    qint64 bytes = 0;
    int requests = 0;
};

QByteArray wavHeader(int rate)
{
    // A live stream has no length: the sizes say "as long as it goes".
    // 32-bit float samples: with 16-bit PCM VLC first probes for DTS hidden
    // in the WAV data and waits for about two seconds of a real-time stream
    // before it plays, which would swamp every start-up figure.
    QByteArray h(46, '\0');
    char *p = h.data();
    auto u32 = [](char *at, quint32 v) { qToLittleEndian(v, at); };
    auto u16 = [](char *at, quint16 v) { qToLittleEndian(v, at); };
    std::memcpy(p, "RIFF", 4);
    u32(p + 4, 0xFFFFFFF0u);
    std::memcpy(p + 8, "WAVEfmt ", 8);
    u32(p + 16, 18);
    u16(p + 20, 3);  // IEEE float
    u16(p + 22, 1);  // mono
    u32(p + 24, quint32(rate));
    u32(p + 28, quint32(rate * 4));
    u16(p + 32, 4);
    u16(p + 34, 32);
    u16(p + 36, 0);  // no extra format bytes
    std::memcpy(p + 38, "data", 4);
    u32(p + 42, 0xFFFFFFC0u);
    return h;
}

}  // namespace

class StreamServer::Core : public QObject
{
public:
    struct Conn {
        QPointer<QTcpSocket> socket;
        QByteArray request;
        QString route;
        bool streaming = false;
        Stream stream;
        QElapsedTimer clock;
        qint64 framesSent = 0;
        double phase = 0;
        qint64 stallUntilMs = -1, nextStallMs = -1;
    };

    QTcpServer *server = nullptr;
    QTimer *pacer = nullptr;
    QList<Conn *> conns;
    mutable QMutex mutex;  // guards routes and stats
    QHash<QString, Route> routes;
    QHash<QString, Stats> stats;

    void start()
    {
        server = new QTcpServer(this);
        pacer = new QTimer(this);
        pacer->setTimerType(Qt::PreciseTimer);
        pacer->setInterval(10);
        connect(pacer, &QTimer::timeout, this, [this] { pace(); });
        connect(server, &QTcpServer::newConnection, this, [this] { accept(); });
    }

    void addStat(const QString &route, int open, qint64 bytes, int requests)
    {
        QMutexLocker lock(&mutex);
        Stats &s = stats[route];
        s.open += open;
        s.bytes += bytes;
        s.requests += requests;
    }

    void accept()
    {
        while (QTcpSocket *s = server->nextPendingConnection()) {
            auto *c = new Conn;
            c->socket = s;
            conns << c;
            connect(s, &QTcpSocket::readyRead, this, [this, c] { readRequest(c); });
            connect(s, &QTcpSocket::bytesWritten, this, [this, c](qint64 n) {
                if (!c->route.isNull())
                    addStat(c->route, 0, n, 0);
            });
            connect(s, &QTcpSocket::disconnected, this, [this, c] { drop(c); });
        }
    }

    void drop(Conn *c)
    {
        if (!conns.removeOne(c))
            return;
        if (!c->route.isNull())
            addStat(c->route, -1, 0, 0);
        if (c->socket)
            c->socket->deleteLater();
        delete c;
    }

    void readRequest(Conn *c)
    {
        c->request += c->socket->readAll();
        if (!c->route.isNull())
            return;  // the request is in; the rest is ignored
        const int end = c->request.indexOf("\r\n\r\n");
        if (end < 0) {
            if (c->request.size() > 16384)
                c->socket->abort();
            return;
        }
        const QList<QByteArray> first = c->request.left(c->request.indexOf("\r\n")).split(' ');
        const QString target = first.size() >= 2 ? QString::fromLatin1(first.at(1)) : QString();
        QString key = target;
        Route route;
        bool found = false;
        {
            QMutexLocker lock(&mutex);
            auto it = routes.constFind(target);
            if (it == routes.constEnd()) {
                key = target.section(u'?', 0, 0);
                it = routes.constFind(key);
            }
            if (it != routes.constEnd()) {
                route = *it;
                found = true;
            }
        }
        if (!found) {
            c->route = QStringLiteral("<404>");
            addStat(c->route, 1, 0, 1);
            c->socket->write("HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            c->socket->disconnectFromHost();
            return;
        }
        c->route = key;
        addStat(key, 1, 0, 1);
        if (route.redirectStatus) {
            c->socket->write("HTTP/1.0 " + QByteArray::number(route.redirectStatus)
                             + " Redirect\r\nLocation: " + route.body
                             + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            c->socket->disconnectFromHost();
            return;
        }
        if (!route.isStream) {
            c->socket->write("HTTP/1.0 200 OK\r\nContent-Type: " + route.contentType
                             + "\r\nContent-Length: " + QByteArray::number(route.body.size())
                             + "\r\nConnection: close\r\n\r\n" + route.body);
            c->socket->disconnectFromHost();
            return;
        }
        c->stream = route.stream;
        if (c->stream.delivery == Delivery::Hung)
            return;
        QByteArray head = c->stream.icy ? "ICY 200 OK\r\n" : "HTTP/1.0 200 OK\r\n";
        head += "Content-Type: audio/x-wav\r\nicy-name: Tom " + QByteArray::number(c->stream.toneHz)
            + " Hz\r\nicy-pub: 0\r\nCache-Control: no-cache\r\n\r\n";
        c->socket->write(head + wavHeader(c->stream.sampleRate));
        c->streaming = true;
        c->clock.start();
        if (c->stream.delivery == Delivery::Stalls)
            c->nextStallMs = 500 + QRandomGenerator::global()->bounded(1500);
        pace(c);
        if (!pacer->isActive())
            pacer->start();
    }

    void pace()
    {
        const auto all = conns;
        for (Conn *c : all)
            if (c->streaming && c->socket)
                pace(c);
    }

    void pace(Conn *c)
    {
        const qint64 now = c->clock.elapsed();
        const Stream &st = c->stream;
        if (st.dropAfterMs >= 0 && now >= st.dropAfterMs) {
            // Queued: dropping the connection deletes `c` under our feet.
            c->streaming = false;
            QMetaObject::invokeMethod(c->socket, &QTcpSocket::abort, Qt::QueuedConnection);
            return;
        }
        if (st.delivery == Delivery::Stalls) {
            if (c->stallUntilMs >= 0 && now < c->stallUntilMs)
                return;
            if (c->nextStallMs >= 0 && now >= c->nextStallMs) {
                c->stallUntilMs = now + 50 + QRandomGenerator::global()->bounded(qMax(1, st.stallMaxMs - 49));
                c->nextStallMs = c->stallUntilMs + 700 + QRandomGenerator::global()->bounded(2300);
                return;
            }
        }
        qint64 due = now * st.sampleRate / 1000;
        if (st.delivery == Delivery::Burst)
            due += qint64(st.burstMs) * st.sampleRate / 1000;
        qint64 frames = due - c->framesSent;
        if (frames <= 0 || c->socket->bytesToWrite() > 512 * 1024)
            return;  // a client that does not read is not fed without end
        QByteArray pcm(frames * 4, Qt::Uninitialized);
        auto *out = reinterpret_cast<quint32 *>(pcm.data());
        const double step = 2 * M_PI * st.toneHz / st.sampleRate;
        for (qint64 i = 0; i < frames; ++i) {
            const float v = float(0.37 * std::sin(c->phase));
            quint32 bits;
            std::memcpy(&bits, &v, 4);
            out[i] = qToLittleEndian(bits);
            c->phase += step;
            if (c->phase > 2 * M_PI)
                c->phase -= 2 * M_PI;
        }
        c->framesSent += frames;
        c->socket->write(pcm);
    }

    void closeAll()
    {
        const auto all = conns;
        for (Conn *c : all) {
            if (c->socket)
                c->socket->abort();
            drop(c);
        }
    }

    ~Core() override
    {
        for (Conn *c : std::as_const(conns))
            delete c;
    }
};

StreamServer::StreamServer(QObject *parent) : QObject(parent), m_core(std::make_unique<Core>())
{
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("streamserver"));
    m_core->moveToThread(m_thread);
    m_thread->start();
    QMetaObject::invokeMethod(
        m_core.get(), [c = m_core.get()] { c->start(); }, Qt::BlockingQueuedConnection);
}

StreamServer::~StreamServer()
{
    QMetaObject::invokeMethod(
        m_core.get(),
        [c = m_core.get()] {
            c->closeAll();
            delete c->server;
            c->server = nullptr;
            // A running timer would travel as a list that Qt posts to the
            // new thread and that is lost when the core goes first.
            c->pacer->stop();
            c->moveToThread(QCoreApplication::instance()->thread());
        },
        Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
}

bool StreamServer::listen(const QHostAddress &address, quint16 port)
{
    bool ok = false;
    QMetaObject::invokeMethod(
        m_core.get(), [&] { ok = m_core->server->listen(address, port); }, Qt::BlockingQueuedConnection);
    return ok;
}

quint16 StreamServer::port() const
{
    quint16 p = 0;
    QMetaObject::invokeMethod(
        m_core.get(), [&] { p = m_core->server->serverPort(); }, Qt::BlockingQueuedConnection);
    return p;
}

QHostAddress StreamServer::address() const
{
    QHostAddress a;
    QMetaObject::invokeMethod(
        m_core.get(), [&] { a = m_core->server->serverAddress(); }, Qt::BlockingQueuedConnection);
    return a;
}

QString StreamServer::url(const QString &path, const QString &scheme, const QString &host) const
{
    const QString h = host.isEmpty() ? address().toString() : host;
    const quint16 p = port();
    const bool defaultPort = p == 80 && scheme == QLatin1String("http");
    return scheme + QStringLiteral("://") + h + (defaultPort ? QString() : u':' + QString::number(p)) + path;
}

void StreamServer::addStream(const QString &path, const Stream &stream)
{
    QMutexLocker lock(&m_core->mutex);
    Route r;
    r.isStream = true;
    r.stream = stream;
    m_core->routes.insert(path, r);
}

void StreamServer::addStream(const QString &path, double toneHz, Delivery delivery)
{
    Stream s;
    s.toneHz = toneHz;
    s.delivery = delivery;
    addStream(path, s);
}

void StreamServer::addFile(const QString &path, const QByteArray &body, const QByteArray &contentType)
{
    QMutexLocker lock(&m_core->mutex);
    Route r;
    r.body = body;
    r.contentType = contentType;
    m_core->routes.insert(path, r);
}

void StreamServer::addRedirect(const QString &path, const QString &location, int status)
{
    QMutexLocker lock(&m_core->mutex);
    Route r;
    r.body = location.toUtf8();
    r.redirectStatus = status;
    m_core->routes.insert(path, r);
}

void StreamServer::removeRoute(const QString &path)
{
    QMutexLocker lock(&m_core->mutex);
    m_core->routes.remove(path);
}

QByteArray StreamServer::asx(const QStringList &refs)
{
    QByteArray b = "<ASX version=\"3.0\">\r\n  <TITLE>Brelo</TITLE>\r\n";
    for (const QString &r : refs)
        b += "  <ENTRY>\r\n    <REF HREF=\"" + r.toHtmlEscaped().toUtf8() + "\"/>\r\n  </ENTRY>\r\n";
    return b + "</ASX>\r\n";
}

QByteArray StreamServer::reference(const QStringList &refs)
{
    QByteArray b = "[Reference]\r\n";
    for (int i = 0; i < refs.size(); ++i)
        b += "Ref" + QByteArray::number(i + 1) + "=" + refs.at(i).toUtf8() + "\r\n";
    return b;
}

QByteArray StreamServer::m3u(const QStringList &entries)
{
    QByteArray b = "#EXTM3U\n";
    for (const QString &e : entries)
        b += "#EXTINF:-1,Brelo\n" + e.toUtf8() + "\n";
    return b;
}

int StreamServer::openConnections(const QString &path) const
{
    QMutexLocker lock(&m_core->mutex);
    if (!path.isEmpty())
        return m_core->stats.value(path).open;
    int n = 0;
    for (const Stats &s : std::as_const(m_core->stats))
        n += s.open;
    return n;
}

qint64 StreamServer::bytesSent(const QString &path) const
{
    QMutexLocker lock(&m_core->mutex);
    if (!path.isEmpty())
        return m_core->stats.value(path).bytes;
    qint64 n = 0;
    for (const Stats &s : std::as_const(m_core->stats))
        n += s.bytes;
    return n;
}

int StreamServer::requests(const QString &path) const
{
    QMutexLocker lock(&m_core->mutex);
    if (!path.isEmpty())
        return m_core->stats.value(path).requests;
    int n = 0;
    for (const Stats &s : std::as_const(m_core->stats))
        n += s.requests;
    return n;
}

void StreamServer::goDownFor(int ms)
{
    QMetaObject::invokeMethod(
        m_core.get(),
        [c = m_core.get(), ms] {
            const QHostAddress address = c->server->serverAddress();
            const quint16 port = c->server->serverPort();
            c->server->close();
            c->closeAll();
            QTimer::singleShot(ms, c, [c, address, port] { c->server->listen(address, port); });
        },
        Qt::BlockingQueuedConnection);
}

void StreamServer::closeAll()
{
    QMetaObject::invokeMethod(
        m_core.get(), [c = m_core.get()] { c->closeAll(); }, Qt::BlockingQueuedConnection);
}
