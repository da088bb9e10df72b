#include "media/icyreader.h"

#include "platform/logging.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QSslSocket>

#include <netdb.h>
#include <sys/socket.h>

namespace {

constexpr int kPollMs = 50;  // how soon a cancel is seen

// The host's first address, looked up here rather than by Qt, whose lookups
// run in a pool that the process's exit waits for.
QString addressOf(const QString &host)
{
    if (!QHostAddress(host).isNull())
        return host;
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *res = nullptr;
    if (getaddrinfo(host.toUtf8().constData(), nullptr, &hints, &res) != 0 || !res)
        return {};
    const QHostAddress a(res->ai_addr);
    freeaddrinfo(res);
    return a.toString();
}

QByteArray header(const QByteArray &headers, const QByteArray &name)
{
    for (const QByteArray &line : headers.split('\n')) {
        const int colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

}  // namespace

IcyReader::IcyReader(const QUrl &url, int timeoutMs, const QByteArray &userAgent)
    : m_url(url), m_timeoutMs(timeoutMs), m_userAgent(userAgent)
{ }

IcyReader::~IcyReader() = default;

void IcyReader::cancel()
{
    m_cancelled = true;
}

bool IcyReader::waitFor(const std::function<bool()> &done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (m_cancelled || deadline.hasExpired() || m_socket->state() == QAbstractSocket::UnconnectedState)
            return done();
        m_socket->waitForReadyRead(kPollMs);
    }
    return true;
}

bool IcyReader::connectTo(const QUrl &url)
{
    const bool tls = url.scheme() == QLatin1String("https");
    const QString address = addressOf(url.host());
    if (address.isEmpty()) {
        qCDebug(lcMedia) << "stream host not found:" << url.toDisplayString();
        return false;
    }
    m_socket = std::make_unique<QSslSocket>();
    const quint16 port = quint16(url.port(tls ? 443 : 80));
    if (tls) {
        // The certificate is checked against the name, not the address.
        m_socket->connectToHostEncrypted(address, port, url.host());
        const QDeadlineTimer deadline(m_timeoutMs);
        // Waited for in short steps, so that a cancel (another channel
        // chosen) ends the wait for a host that never answers at once.
        while (!m_socket->isEncrypted() && !m_cancelled && !deadline.hasExpired()
               && m_socket->state() != QAbstractSocket::UnconnectedState) {
            if (m_socket->state() == QAbstractSocket::ConnectedState)
                m_socket->waitForEncrypted(kPollMs);
            else
                m_socket->waitForConnected(kPollMs);
        }
        if (!m_socket->isEncrypted()) {
            qCDebug(lcMedia) << "no secure connection:" << url.toDisplayString() << m_socket->errorString();
            return false;
        }
    } else {
        m_socket->connectToHost(address, port);
        const QDeadlineTimer deadline(m_timeoutMs);
        while (m_socket->state() != QAbstractSocket::ConnectedState) {
            if (m_cancelled || deadline.hasExpired()
                || m_socket->state() == QAbstractSocket::UnconnectedState)
                return false;
            m_socket->waitForConnected(kPollMs);
        }
    }
    QByteArray target = url.path(QUrl::FullyEncoded).toUtf8();
    if (target.isEmpty())
        target = "/";
    if (url.hasQuery())
        target += '?' + url.query(QUrl::FullyEncoded).toUtf8();
    QByteArray host = url.host(QUrl::FullyEncoded).toUtf8();
    if (url.port() > 0)
        host += ':' + QByteArray::number(url.port());
    // HTTP/1.0: no chunked body to undo.
    const QByteArray referer = referrer.isEmpty() ? QByteArray() : "\r\nReferer: " + referrer;
    m_socket->write("GET " + target + " HTTP/1.0\r\nHost: " + host + "\r\nUser-Agent: " + m_userAgent
                    + referer + "\r\nAccept: */*\r\nIcy-MetaData: 1\r\nConnection: close\r\n\r\n");
    return true;
}

bool IcyReader::readHeaders(QByteArray *headers)
{
    QByteArray got;
    const bool complete = waitFor(
        [&] {
            got += m_socket->readAll();
            return got.contains("\r\n\r\n") || got.contains("\n\n") || got.size() > kMaxHeaderBytes;
        },
        m_timeoutMs);
    int end = got.indexOf("\r\n\r\n");
    int skip = 4;
    if (end < 0) {
        end = got.indexOf("\n\n");
        skip = 2;
    }
    if (!complete || end < 0)
        return false;
    *headers = got.left(end);
    m_pending = got.mid(end + skip);
    return true;
}

bool IcyReader::open()
{
    QUrl url = m_url;
    for (int hop = 0; hop <= kMaxRedirects; ++hop) {
        if (m_cancelled || !connectTo(url))
            return false;
        QByteArray headers;
        if (!readHeaders(&headers))
            return false;
        const QList<QByteArray> status = headers.left(headers.indexOf('\n')).trimmed().split(' ');
        const int code = status.size() > 1 ? status.at(1).toInt() : 0;
        if (code >= 300 && code < 400) {
            const QUrl next = url.resolved(QUrl::fromEncoded(header(headers, "location")));
            if (next.scheme() != QLatin1String("http") && next.scheme() != QLatin1String("https"))
                return false;
            if (url.scheme() == QLatin1String("https") && next.scheme() != QLatin1String("https")) {
                // What the listener chose as a private connection must not
                // quietly go on in the clear.
                qCWarning(lcMedia) << "redirect from a secure address to an insecure one refused:"
                                   << url.toDisplayString() << "->" << next.toDisplayString();
                return false;
            }
            qCDebug(lcMedia) << "stream redirected to" << next.toDisplayString();
            url = next;
            continue;
        }
        if (code != 200) {
            qCDebug(lcMedia) << "stream refused:" << url.toDisplayString() << code;
            return false;
        }
        const QString name = Icy::headerText(header(headers, "icy-name"));
        if (!name.isEmpty() && onStationName)
            onStationName(name);
        m_splitter = Icy::Splitter(header(headers, "icy-metaint").toInt());
        return true;
    }
    qCDebug(lcMedia) << "stream redirected too often:" << m_url.toDisplayString();
    return false;
}

qint64 IcyReader::read(char *buffer, qint64 max)
{
    if (max <= 0)
        return 0;
    while (m_audio.isEmpty()) {
        if (m_cancelled || !m_socket)
            return -1;
        QByteArray raw;
        if (!m_pending.isEmpty()) {
            raw.swap(m_pending);
        } else {
            if (m_socket->bytesAvailable() == 0 && !m_socket->waitForReadyRead(kPollMs)) {
                if (m_socket->state() == QAbstractSocket::UnconnectedState)
                    return 0;  // the station closed the stream
                continue;
            }
            raw = m_socket->readAll();
        }
        m_audio = m_splitter.feed(raw);
        QString title;
        if (m_splitter.takeTitle(&title) && onTitle)
            onTitle(title);
    }
    const qint64 n = qMin<qint64>(max, m_audio.size());
    memcpy(buffer, m_audio.constData(), size_t(n));
    m_audio.remove(0, n);
    return n;
}
