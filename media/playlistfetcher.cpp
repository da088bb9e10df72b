#include "media/playlistfetcher.h"

#include "media/playlist.h"
#include "platform/logging.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <netdb.h>
#include <sys/socket.h>

#include <mutex>
#include <thread>

// What a name lookup's thread may reach once it answers.
struct PlaylistFetcher::Lookup {
    std::mutex mutex;
    PlaylistFetcher *owner = nullptr;  // null once the fetcher is gone
};

namespace {

bool needsLookup(const QString &host)
{
    return !host.isEmpty() && QHostAddress(host).isNull();
}

// Two spellings of one playlist (mms:// or http://, "a/../b") are one
// playlist for loop detection.
QUrl sameness(const QUrl &url)
{
    return Playlist::fetchAddress(url).adjusted(QUrl::NormalizePathSegments | QUrl::RemoveFragment);
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// How much of an answer tells a stream from a playlist: audio and video
// formats show bytes that are no text within their first frame or header.
constexpr qint64 kSniffBytes = 512;

// Audio and video types, less those that playlists are served as. An ASF
// stream shares its type with ASX files: its first bytes tell it apart.
bool isStreamType(const QByteArray &contentType)
{
    const QByteArray type = contentType.split(';').constFirst().trimmed().toLower();
    if (!type.startsWith("audio/") && !type.startsWith("video/"))
        return false;
    static const char *const playlistTypes[] = {"mpegurl", "scpls", "x-ms-", "asx", "pls"};
    for (const char *p : playlistTypes)
        if (type.contains(p))
            return false;
    return true;
}

// Text whose first line is a comment, a section, markup or an address.
bool opensLikePlaylist(QByteArray head)
{
    if (head.startsWith("\xEF\xBB\xBF"))
        head.remove(0, 3);
    head = head.trimmed();
    const QByteArray line = head.left(head.indexOf('\n')).trimmed();
    return line.startsWith('#') || line.startsWith('[') || line.startsWith('<') || line.contains("://")
        || line.contains('/') || line.contains('.');
}

}  // namespace

PlaylistFetcher::PlaylistFetcher(int timeoutMs, QObject *parent)
    : QObject(parent), m_timeoutMs(timeoutMs), m_lookup(std::make_shared<Lookup>())
{
    m_lookup->owner = this;
    m_nam = new QNetworkAccessManager(this);
    // Followed by hand: to count hops, catch loops and look each new host
    // up where a hung resolver cannot hold up the exit.
    m_nam->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    m_deadline = new QTimer(this);
    m_deadline->setSingleShot(true);
    connect(m_deadline, &QTimer::timeout, this, [this] {
        const QUrl url = m_current.url;
        clearFetch();
        fail(Failure::NoAnswer, url, "no answer in time");
        advance();
    });
}

PlaylistFetcher::~PlaylistFetcher()
{
    std::lock_guard lock(m_lookup->mutex);
    m_lookup->owner = nullptr;
}

void PlaylistFetcher::start(const QString &address, const RequestHeaders &headers)
{
    cancel();
    m_headers = headers;
    m_last = Failure::None;
    m_fetches = 0;
    m_entries = 0;
    const QUrl url(address, QUrl::TolerantMode);
    if (Playlist::looksLikePlaylist(url)) {
        m_pending.push_back({url, true, 1, {}});
        return;
    }
    for (const QString &c : Playlist::candidates(address))
        m_pending.push_back({QUrl(c, QUrl::TolerantMode), false, 0, {}});
}

void PlaylistFetcher::next()
{
    QMetaObject::invokeMethod(
        this,
        [this, gen = m_gen] {
            if (gen == m_gen && !m_fetching)
                advance();
        },
        Qt::QueuedConnection);
}

void PlaylistFetcher::cancel()
{
    ++m_gen;
    clearFetch();
    m_pending.clear();
}

bool PlaylistFetcher::busy() const
{
    return m_fetching;
}

void PlaylistFetcher::clearFetch()
{
    m_deadline->stop();
    m_fetching = false;
    if (m_reply) {
        QNetworkReply *r = m_reply;
        m_reply = nullptr;
        r->disconnect(this);
        r->abort();
        r->deleteLater();
    }
    // A lookup still out finds its fetch gone.
    m_hops.clear();
    m_current = {};
    ++m_fetchSerial;
}

void PlaylistFetcher::fail(Failure why, const QUrl &url, const char *reason)
{
    m_last = why;
    qCDebug(lcMedia) << "entry failed:" << url.toDisplayString() << reason;
}

void PlaylistFetcher::advance()
{
    while (!m_pending.empty()) {
        const Item item = m_pending.front();
        m_pending.pop_front();
        if (!item.fetch) {
            emit entryReady(item.url.toString(), item.found);
            return;
        }
        if (m_fetches >= kMaxFetches) {
            fail(Failure::Unreadable, item.url, "too many playlists for one station");
            continue;
        }
        beginFetch(item);
        return;
    }
    emit exhausted(m_last);
}

void PlaylistFetcher::beginFetch(const Item &item)
{
    ++m_fetches;
    m_current = item;
    m_hops.clear();
    m_fetching = true;
    // The whole fetch, lookups and redirects included, counts against the
    // time limit.
    m_deadline->start(m_timeoutMs);
    qCDebug(lcMedia) << "fetching playlist" << item.url.toDisplayString();
    request(Playlist::fetchAddress(item.url));
}

void PlaylistFetcher::request(const QUrl &url)
{
    const quint64 serial = ++m_fetchSerial;
    auto go = [this, url] {
        QNetworkRequest req(url);
        req.setTransferTimeout(m_timeoutMs);
        req.setHeader(QNetworkRequest::UserAgentHeader,
                      m_headers.userAgent.isEmpty() ? QByteArray("BreloPlayer/" BRELO_VERSION_SHORT)
                                                    : m_headers.userAgent.toUtf8());
        if (!m_headers.referrer.isEmpty())
            req.setRawHeader("Referer", m_headers.referrer.toUtf8());
        QNetworkReply *reply = m_nam->get(req);
        m_reply = reply;
        connect(reply, &QNetworkReply::downloadProgress, this, [reply](qint64 got, qint64) {
            // An abort reports its progress once more, from a closed reply.
            if (got > Playlist::kMaxBytes && reply->isOpen()) {
                // Longer than any station's playlist: a stream under a
                // playlist's name or a runaway list. What came so far tells.
                reply->setProperty("head", reply->read(Playlist::kMaxBytes));
                reply->setProperty("tooBig", true);
                reply->abort();
            }
        });
        connect(reply, &QNetworkReply::readyRead, this, [this, reply] { sniff(reply); });
        connect(reply, &QNetworkReply::finished, this, [this, reply] { fetched(reply); });
    };
    if (!needsLookup(url.host())) {
        go();
        return;
    }
    // Qt's own lookups run in a pool that the process's exit waits for; a
    // resolver that never answers would hold the exit for seconds. So look
    // the name up on a thread nobody waits for, and fetch only once it
    // answered.
    std::thread([lookup = m_lookup, host = url.host().toUtf8(), serial, url, go] {
        addrinfo hints{};
        hints.ai_socktype = SOCK_STREAM;
        addrinfo *res = nullptr;
        const bool ok = getaddrinfo(host.constData(), nullptr, &hints, &res) == 0;
        if (res)
            freeaddrinfo(res);
        std::lock_guard lock(lookup->mutex);
        PlaylistFetcher *f = lookup->owner;
        if (!f)
            return;
        QMetaObject::invokeMethod(
            f,
            [f, serial, ok, url, go] {
                if (f->m_fetchSerial != serial)
                    return;
                if (ok) {
                    go();
                    return;
                }
                f->clearFetch();
                f->fail(Failure::Unreachable, url, "host name not found");
                f->advance();
            },
            Qt::QueuedConnection);
    }).detach();
}

void PlaylistFetcher::sniff(QNetworkReply *reply)
{
    // A stream under a playlist's name would otherwise be read up to the
    // size limit, at its own pace: at 128 kbit/s longer than the time limit.
    if (!reply->isOpen() || reply->property("sniffed").toBool())
        return;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status < 200 || status >= 300)
        return;
    const QByteArray type = reply->rawHeader("Content-Type");
    const QByteArray head = reply->peek(kSniffBytes);
    if (head.isEmpty())
        return;
    const bool binary = Playlist::hasControlBytes(head);
    // Servers that give a playlist the type of its stream are met too:
    // text that opens as a playlist does is read as one.
    if (!binary && !(isStreamType(type) && !opensLikePlaylist(head))) {
        if (head.size() >= kSniffBytes)
            reply->setProperty("sniffed", true);
        return;
    }
    qCDebug(lcMedia) << "answer is a stream:" << reply->url().toDisplayString() << "type" << type
                     << (binary ? "with binary data" : "");
    reply->setProperty("sniffed", true);
    reply->setProperty("stream", true);
    reply->abort();
}

void PlaylistFetcher::fetched(QNetworkReply *reply)
{
    reply->deleteLater();
    if (reply != m_reply)
        return;
    m_reply = nullptr;
    const QUrl at = reply->url();
    const bool tooBig = reply->property("tooBig").toBool();
    const bool stream = reply->property("stream").toBool();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();

    if (!tooBig && !stream && isRedirect(status)) {
        const QUrl target = at.resolved(QUrl::fromEncoded(reply->rawHeader("Location")));
        m_hops << sameness(at);
        const char *why = nullptr;
        Failure failure = Failure::Unreadable;
        if (m_hops.size() > kMaxRedirects) {
            why = "too many redirects";
        } else if (m_hops.contains(sameness(target))) {
            why = "redirect loop";
        } else if (target.scheme() != QLatin1String("http") && target.scheme() != QLatin1String("https")) {
            why = "redirect to a non-web address";
            failure = Failure::Refused;
        }
        if (!why) {
            qCDebug(lcMedia) << "playlist redirected to" << target.toDisplayString();
            request(target);
            return;
        }
        const QUrl url = m_current.url;
        clearFetch();
        fail(failure, url, why);
        advance();
        return;
    }

    const Item item = m_current;
    const QList<QUrl> hops = m_hops;
    const QNetworkReply::NetworkError error = reply->error();
    clearFetch();
    // A stream served under a playlist's name (too long to be a playlist,
    // or a SHOUTcast server's "ICY 200 OK" that is no HTTP): the library
    // plays it.
    const bool notHttp = status == 0
        && (error == QNetworkReply::ProtocolFailure || error == QNetworkReply::RemoteHostClosedError);
    QByteArray head;
    if (tooBig) {
        // A runaway list plays from its first entries; handed to the library
        // whole, it would be read and held entirely (hundreds of megabytes).
        head = reply->property("head").toByteArray();
        head.truncate(head.lastIndexOf('\n') + 1);
        const Playlist::Parsed parsed = Playlist::parse(head, at);
        if (parsed.format == Playlist::Format::None || parsed.entries.isEmpty())
            head.clear();
    }
    if (!head.isEmpty()) {
        qCDebug(lcMedia) << "playlist too long, read from its start:" << item.url.toDisplayString();
        Item parent = item;
        parent.chain << hops << sameness(item.url) << sameness(at);
        pushEntries(parent, at, head);
    } else if (tooBig || stream || notHttp) {
        qCDebug(lcMedia) << "not a playlist but a stream:" << item.url.toDisplayString();
        std::deque<Item> streams;
        pushStream(streams, item.url, item, Found::Stream);
        m_pending.insert(m_pending.begin(), streams.begin(), streams.end());
    } else if (error != QNetworkReply::NoError) {
        const bool silent
            = error == QNetworkReply::TimeoutError || error == QNetworkReply::OperationCanceledError;
        fail(silent ? Failure::NoAnswer : Failure::Unreachable, item.url,
             silent ? "no answer in time" : "could not be fetched");
    } else {
        Item parent = item;
        parent.chain << hops << sameness(item.url) << sameness(at);
        pushEntries(parent, at, reply->readAll());
    }
    advance();
}

void PlaylistFetcher::pushStream(std::deque<Item> &into, const QUrl &url, const Item &parent, Found found)
{
    for (const QString &c : Playlist::candidates(url.toString()))
        into.push_back({QUrl(c, QUrl::TolerantMode), false, parent.depth, parent.chain, found});
}

void PlaylistFetcher::pushEntries(const Item &parent, const QUrl &finalUrl, const QByteArray &body)
{
    const Playlist::Parsed parsed = Playlist::parse(body, finalUrl);
    std::deque<Item> kids;
    switch (parsed.format) {
    case Playlist::Format::None:
        // Not a playlist after all: let the library make what it can of it.
        qCDebug(lcMedia) << "not a playlist:" << parent.url.toDisplayString();
        pushStream(kids, parent.url, parent);
        break;
    case Playlist::Format::Hls:
        qCDebug(lcMedia) << "HLS playlist, streamed as a whole:" << finalUrl.toDisplayString();
        kids.push_back({finalUrl, false, parent.depth, parent.chain, Found::Hls});
        break;
    default:
        qCDebug(lcMedia) << "playlist read:" << parent.url.toDisplayString() << parsed.entries.size()
                         << "entries";
        if (parsed.entries.isEmpty())
            fail(Failure::Unreadable, parent.url, "playlist without entries");
        for (const Playlist::Entry &e : parsed.entries) {
            if (m_entries >= kMaxEntries) {
                qCDebug(lcMedia) << "playlist entries past" << kMaxEntries
                                 << "for one station left out:" << parent.url.toDisplayString();
                break;
            }
            ++m_entries;
            const QUrl u(e.address, QUrl::TolerantMode);
            if (!Playlist::allowedFromNetwork(u)) {
                fail(Failure::Refused, u, "not a network stream");
            } else if (parent.chain.contains(sameness(u))) {
                fail(Failure::Unreadable, u, "playlist names itself");
            } else if (e.nested || Playlist::looksLikePlaylist(u)) {
                if (parent.depth >= kMaxDepth)
                    fail(Failure::Unreadable, u, "playlists nested too deep");
                else
                    kids.push_back({u, true, parent.depth + 1, parent.chain});
            } else {
                Item stream = parent;
                stream.depth = parent.depth + 1;
                pushStream(kids, u, stream);
            }
        }
        break;
    }
    m_pending.insert(m_pending.begin(), kids.begin(), kids.end());
}
