#pragma once

#include "media/requestheaders.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <deque>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

// Turns a station's address into the stream addresses to try, one at a
// time: fetches its playlist file, follows HTTP redirects and playlists
// nested in playlists, and keeps the network from naming anything but
// network streams. Lives on the engine thread; nothing here blocks.
//
//   fetcher.start(url);  fetcher.next();
//   -> entryReady(address, found): play it; on failure call next() again
//   -> exhausted(why): nothing (more) to try
class PlaylistFetcher : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMaxDepth = 5;  // playlists inside playlists
    static constexpr int kMaxRedirects = 5;  // per fetch
    static constexpr int kMaxFetches = 16;  // per station, however wide the tree
    // Playlist entries per station: each may take a player's whole time
    // limit, and a list of thousands would keep a station connecting for
    // hours.
    static constexpr int kMaxEntries = 50;

    enum class Failure {
        None,
        NoAnswer,  // a playlist's server sent nothing in time
        Unreachable,  // refused, unknown host, HTTP error
        Unreadable,  // not a playlist, empty, nested too deep, a loop
        Refused,  // names something other than a network stream
    };
    Q_ENUM(Failure)

    // What the fetcher learnt of an address it hands on. The engine trusts
    // it over the address's shape: an HLS index served as "tv.m3u" or
    // behind a redirect, a plain stream under a playlist's name.
    enum class Found {
        Unknown,  // handed on unread: its shape is all there is to go by
        Stream,  // a playlist's address that answered with the stream itself
        Hls,  // an HLS index, at its final address
    };
    Q_ENUM(Found)

    explicit PlaylistFetcher(int timeoutMs, QObject *parent = nullptr);
    ~PlaylistFetcher() override;

    // Forgets everything and starts from the station's own address, which
    // may be of any scheme (the built-in catalogue is trusted).
    // `headers`: the channel's own User-Agent and Referer, sent for its
    // playlists as the engine sends them for its streams.
    void start(const QString &address, const RequestHeaders &headers = {});
    // Asks for the next address; answered later, never inside the call.
    void next();
    // Drops every fetch and lookup in flight; no signal follows.
    void cancel();
    // A fetch or name lookup is under way.
    bool busy() const;

signals:
    void entryReady(const QString &address, PlaylistFetcher::Found found);
    void exhausted(PlaylistFetcher::Failure lastFailure);

private:
    struct Item {
        QUrl url;
        bool fetch = false;  // a playlist to read, not a stream
        int depth = 0;
        QList<QUrl> chain;  // the playlists it came from, for loops
        Found found = Found::Unknown;
    };
    struct Lookup;

    void advance();
    void beginFetch(const Item &item);
    void request(const QUrl &url);
    void fetched(QNetworkReply *reply);
    void sniff(QNetworkReply *reply);
    void fail(Failure why, const QUrl &url, const char *reason);
    void pushEntries(const Item &parent, const QUrl &finalUrl, const QByteArray &body);
    void pushStream(std::deque<Item> &into, const QUrl &url, const Item &parent,
                    Found found = Found::Unknown);
    void clearFetch();

    int m_timeoutMs;
    quint64 m_gen = 0;
    quint64 m_fetchSerial = 0;  // which reply or lookup still counts
    std::deque<Item> m_pending;
    Failure m_last = Failure::None;
    RequestHeaders m_headers;
    int m_fetches = 0;
    int m_entries = 0;

    Item m_current;  // the playlist being fetched
    QList<QUrl> m_hops;  // its redirects so far
    bool m_fetching = false;
    QNetworkAccessManager *m_nam = nullptr;
    QPointer<QNetworkReply> m_reply;
    QTimer *m_deadline = nullptr;
    std::shared_ptr<Lookup> m_lookup;
};
