#include "support/streamserver.h"

#include "support/testcert.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QMutex>
#include <QPointer>
#include <QRandomGenerator>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
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
    int redirectCode = 0;
    QByteArray location;
};

struct Stats {
    int open = 0;
    qint64 bytes = 0;
    int requests = 0;
    QByteArray lastHead;  // the request line and headers of the latest request
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
        int stalls = 0;
        bool icy = false;  // the client asked for in-band titles
        int sinceMeta = 0;  // body bytes since the last metadata block
        QString titleSent;
        int titleBlocks = 0;
        qint64 payloadPos = 0;  // bytes of the payload sent, all rounds
    };

    QTcpServer *server = nullptr;
    bool tls = false;
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
        {
            QMutexLocker lock(&mutex);
            stats[key].lastHead = c->request.left(end);
        }
        if (route.redirectCode) {
            c->socket->write("HTTP/1.1 " + QByteArray::number(route.redirectCode) + " Moved\r\nLocation: "
                             + route.location + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
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
        const QByteArray headers = c->request.left(end).toLower();
        c->icy = c->stream.icyMetaInt > 0 && headers.contains("\r\nicy-metadata: 1");
        QByteArray head = c->stream.icy ? "ICY 200 OK\r\n" : "HTTP/1.0 200 OK\r\n";
        head += "Content-Type: " + c->stream.contentType + "\r\nicy-name: Tom "
            + QByteArray::number(c->stream.toneHz) + " Hz\r\nicy-pub: 0\r\nCache-Control: no-cache\r\n";
        if (c->icy)
            head += "icy-metaint: " + QByteArray::number(c->stream.icyMetaInt) + "\r\n";
        c->socket->write(head + "\r\n");
        if (c->stream.delivery == Delivery::Mute)
            return;
        if (c->stream.payload.isEmpty())
            writeBody(c, wavHeader(c->stream.sampleRate));
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
                const int pause = st.stallPatternMs.isEmpty()
                    ? st.stallMinMs
                        + QRandomGenerator::global()->bounded(qMax(1, st.stallMaxMs - st.stallMinMs + 1))
                    : st.stallPatternMs.at(c->stalls % st.stallPatternMs.size());
                ++c->stalls;
                c->stallUntilMs = now + pause;
                c->nextStallMs = c->stallUntilMs + 700 + QRandomGenerator::global()->bounded(2300);
                return;
            }
        }
        if (!st.payload.isEmpty()) {
            pacePayload(c, now);
            return;
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
        writeBody(c, pcm);
    }

    void pacePayload(Conn *c, qint64 now)
    {
        const Stream &st = c->stream;
        qint64 due = now * st.payloadBytesPerSec / 1000;
        if (st.delivery == Delivery::Burst)
            due += qint64(st.burstMs) * st.payloadBytesPerSec / 1000;
        const qint64 size = st.payload.size();
        if (!st.loopPayload)
            due = qMin(due, size);
        if (due <= c->payloadPos || c->socket->bytesToWrite() > 512 * 1024)
            return;
        QByteArray out;
        while (c->payloadPos < due) {
            const qint64 at = c->payloadPos % size;
            const qint64 n = qMin(due - c->payloadPos, size - at);
            out.append(st.payload.constData() + at, n);
            c->payloadPos += n;
        }
        writeBody(c, out);
    }

    // The body as the client asked for it: with a metadata block after
    // every `icyMetaInt` bytes when it wanted titles.
    void writeBody(Conn *c, const QByteArray &bytes)
    {
        if (!c->icy) {
            c->socket->write(bytes);
            return;
        }
        const int interval = c->stream.icyMetaInt;
        QByteArray out;
        qsizetype i = 0;
        while (i < bytes.size()) {
            const qsizetype n = qMin<qsizetype>(interval - c->sinceMeta, bytes.size() - i);
            out.append(bytes.constData() + i, n);
            i += n;
            c->sinceMeta += int(n);
            if (c->sinceMeta < interval)
                break;
            c->sinceMeta = 0;
            QString title;
            {
                QMutexLocker lock(&mutex);
                title = routes.value(c->route).stream.title;
            }
            if (c->stream.newTitleEveryBlock)
                title += QLatin1Char(' ') + QString::number(++c->titleBlocks);
            if (title == c->titleSent) {
                out.append('\0');  // no change
                continue;
            }
            c->titleSent = title;
            QByteArray block = "StreamTitle='" + title.toUtf8().left(4000) + "';";
            block.append(QByteArray((16 - block.size() % 16) % 16, '\0'));
            out.append(char(block.size() / 16));
            out.append(block);
        }
        c->socket->write(out);
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

bool StreamServer::listenTls(const QHostAddress &address, quint16 port)
{
    QMetaObject::invokeMethod(
        m_core.get(),
        [c = m_core.get()] {
            delete c->server;
            c->tls = true;
            auto *s = new QSslServer(c);
            QSslConfiguration config = QSslConfiguration::defaultConfiguration();
            config.setLocalCertificate(QSslCertificate(QByteArray(kTestCertificatePem)));
            config.setPrivateKey(QSslKey(QByteArray(kTestKeyPem), QSsl::Rsa));
            config.setPeerVerifyMode(QSslSocket::VerifyNone);
            s->setSslConfiguration(config);
            c->server = s;
            QObject::connect(s, &QTcpServer::pendingConnectionAvailable, c, [c] { c->accept(); });
        },
        Qt::BlockingQueuedConnection);
    return listen(address, port);
}

void StreamServer::trustTestCertificate()
{
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.addCaCertificate(QSslCertificate(QByteArray(kTestCertificatePem)));
    QSslConfiguration::setDefaultConfiguration(config);
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
    bool tls = false;
    QMetaObject::invokeMethod(
        m_core.get(), [&] { tls = m_core->tls; }, Qt::BlockingQueuedConnection);
    const QString s = scheme.isEmpty() ? QString::fromLatin1(tls ? "https" : "http") : scheme;
    const bool defaultPort = p == 80 && s == QLatin1String("http");
    return s + QStringLiteral("://") + h + (defaultPort ? QString() : u':' + QString::number(p)) + path;
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

void StreamServer::addRedirect(const QString &path, const QString &location, int code)
{
    QMutexLocker lock(&m_core->mutex);
    Route r;
    r.redirectCode = code;
    r.location = location.toUtf8();
    m_core->routes.insert(path, r);
}

void StreamServer::setTitle(const QString &path, const QString &title)
{
    QMutexLocker lock(&m_core->mutex);
    auto it = m_core->routes.find(path);
    if (it != m_core->routes.end())
        it->stream.title = title;
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

QByteArray StreamServer::pls(const QStringList &entries)
{
    QByteArray b = "[playlist]\n";
    for (int i = 0; i < entries.size(); ++i)
        b += "File" + QByteArray::number(i + 1) + "=" + entries.at(i).toUtf8() + "\nTitle"
            + QByteArray::number(i + 1) + "=Brelo\n";
    return b + "NumberOfEntries=" + QByteArray::number(entries.size()) + "\nVersion=2\n";
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

QByteArray StreamServer::lastRequestHeader(const QString &path, const QByteArray &name) const
{
    QMutexLocker lock(&m_core->mutex);
    const QList<QByteArray> lines = m_core->stats.value(path).lastHead.split('\n');
    for (const QByteArray &line : lines.mid(1)) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.first(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
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
