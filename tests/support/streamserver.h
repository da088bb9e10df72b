#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QStringList>

#include <memory>

// A stand-in radio station for tests and benchmarks: an HTTP server on its
// own thread that serves live audio streams (mono,
// generated on the fly as 32-bit float PCM in a WAV header, a distinct
// tone per stream, paced in real time) and
// playlist files pointing at them.
//
//   StreamServer server;
//   server.listen();                             // 127.0.0.1, any free port
//   server.addStream("/", 440);                  // ICY server root
//   server.addStream("/live", 660, StreamServer::Delivery::Burst);
//   server.addFile("/tv.asx", StreamServer::asx({server.url("/live")}));
//   engine.setURL(server.url("/tv.asx"));
//
// Root test processes may listen on port 80 and serve catalogue host names
// mapped to 127.0.0.1.
class StreamServer : public QObject
{
    Q_OBJECT
public:
    enum class Delivery {
        RealTime,  // paced at the audio's own rate from the first byte
        Burst,  // Icecast-style: `burstMs` of audio at once, then real time
        Stalls,  // real time, but every 0.7-3 s nothing for a while,
                 // after which the backlog goes out at once
        Hung,  // accepts the connection and reads, never answers
        Mute,  // answers with the stream's headers, then sends nothing
    };
    struct Stream {
        double toneHz = 440;
        Delivery delivery = Delivery::RealTime;
        bool icy = true;  // "ICY 200 OK" status line, as SHOUTcast answers
        int burstMs = 2000;
        int stallMinMs = 50;
        int stallMaxMs = 250;
        // When set, the pauses' lengths in turn (over again at the end),
        // instead of random ones between the two above.
        QList<int> stallPatternMs;
        int sampleRate = 22050;
        int dropAfterMs = -1;  // >= 0: the server drops the connection this long into the stream
        // ICY in-band titles every this many bytes, for clients that ask
        // with "Icy-MetaData: 1"; 0: none.
        int icyMetaInt = 0;
        QString title;  // the first StreamTitle; setTitle() changes it live
        // Every metadata block carries a title of its own ("<title> 1",
        // "<title> 2", ...), as a station that announces on every block.
        bool newTitleEveryBlock = false;
        // Encoded audio (MP3, Ogg, ASF...) served instead of the tone, paced
        // at `payloadBytesPerSec`, over again when `loopPayload`, else held
        // open and silent after its end.
        QByteArray payload;
        QByteArray contentType = QByteArrayLiteral("audio/x-wav");
        int payloadBytesPerSec = 16000;
        bool loopPayload = true;
    };

    explicit StreamServer(QObject *parent = nullptr);
    ~StreamServer() override;

    // Starts listening; port 0 picks a free one.
    bool listen(const QHostAddress &address = QHostAddress::LocalHost, quint16 port = 0);
    // The same over TLS with the tests' own certificate (support/testcert.h);
    // url() then gives https:// addresses. trustTestCertificate() makes this
    // process's Qt clients accept it.
    bool listenTls(const QHostAddress &address = QHostAddress::LocalHost, quint16 port = 0);
    static void trustTestCertificate();
    quint16 port() const;
    QHostAddress address() const;
    // "http://127.0.0.1:<port><path>" ("https" after listenTls(); another
    // scheme or host if given).
    QString url(const QString &path = QStringLiteral("/"), const QString &scheme = {},
                const QString &host = {}) const;

    // Routes match the request path, query included when the route has one.
    void addStream(const QString &path, const Stream &stream);
    void addStream(const QString &path, double toneHz, Delivery delivery = Delivery::RealTime);
    void addFile(const QString &path, const QByteArray &body,
                 const QByteArray &contentType = QByteArrayLiteral("video/x-ms-asf"));
    // Answers with `code` and "Location: <location>" (absolute or relative).
    void addRedirect(const QString &path, const QString &location, int code = 302);
    void removeRoute(const QString &path);
    // The StreamTitle a stream's clients get from their next metadata block.
    void setTitle(const QString &path, const QString &title);

    // Playlist bodies.
    static QByteArray asx(const QStringList &refs);  // XML ASX, one entry per ref
    static QByteArray reference(const QStringList &refs);  // "[Reference]" Ref1=...
    static QByteArray m3u(const QStringList &entries);
    static QByteArray pls(const QStringList &entries);  // "[playlist]" File1=...

    // Observations; an empty path means every route together.
    int openConnections(const QString &path = {}) const;
    qint64 bytesSent(const QString &path = {}) const;
    int requests(const QString &path = {}) const;
    // The value of header `name` in the latest request for `path`; empty
    // when it had none.
    QByteArray lastRequestHeader(const QString &path, const QByteArray &name) const;

    // Drops every client connection at once.
    void closeAll();
    // As a station that goes down: drops every connection and refuses new
    // ones for `ms`, then listens again on the same port.
    void goDownFor(int ms);

    class Core;

private:
    std::unique_ptr<Core> m_core;
    class QThread *m_thread = nullptr;
};
