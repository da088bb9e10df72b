#include "media/icymedia_p.h"

#include "media/icyreader.h"
#include "media/playlist.h"

#include <QMutex>

#include <vlc/vlc.h>

namespace EngineDetail {

class IcyFeed
{
public:
    QUrl url;
    int timeoutMs = 8000;
    RequestHeaders headers;
    std::function<void(const QString &, bool)> onTitle;

    QMutex mutex;  // guards reader and cancelled against cancel()
    std::shared_ptr<IcyReader> reader;
    bool cancelled = false;
};

namespace {

int openFeed(void *opaque, void **data, uint64_t *size)
{
    auto *feed = static_cast<IcyFeed *>(opaque);
    *data = feed;
    *size = UINT64_MAX;  // a live stream: no length
    const QByteArray agent = feed->headers.userAgent.isEmpty()
        ? QByteArray("BreloPlayer/" BRELO_VERSION_SHORT)
        : feed->headers.userAgent.toUtf8();
    auto reader = std::make_shared<IcyReader>(feed->url, feed->timeoutMs, agent);
    reader->referrer = feed->headers.referrer.toUtf8();
    reader->onTitle = [feed](const QString &t) { feed->onTitle(t, false); };
    reader->onStationName = [feed](const QString &n) { feed->onTitle(n, true); };
    {
        QMutexLocker lock(&feed->mutex);
        if (feed->cancelled)
            return -1;
        feed->reader = reader;
    }
    return reader->open() ? 0 : -1;
}

ssize_t readFeed(void *data, unsigned char *buffer, size_t length)
{
    auto *feed = static_cast<IcyFeed *>(data);
    std::shared_ptr<IcyReader> reader;
    {
        QMutexLocker lock(&feed->mutex);
        reader = feed->reader;
    }
    return reader ? ssize_t(reader->read(reinterpret_cast<char *>(buffer), qint64(length))) : -1;
}

void closeFeed(void *data)
{
    auto *feed = static_cast<IcyFeed *>(data);
    QMutexLocker lock(&feed->mutex);
    feed->reader.reset();
}

}  // namespace

IcyMedia newIcyMedia(libvlc_instance_t *vlc, const QUrl &url, int timeoutMs, const RequestHeaders &headers,
                     std::function<void(const QString &, bool)> onTitle)
{
    IcyMedia m;
    m.feed = std::make_shared<IcyFeed>();
    m.feed->url = url;
    m.feed->timeoutMs = timeoutMs;
    m.feed->headers = headers;
    m.feed->onTitle = std::move(onTitle);
    // No seek callback: a live stream cannot seek.
    m.media = libvlc_media_new_callbacks(vlc, openFeed, readFeed, nullptr, closeFeed, m.feed.get());
    return m;
}

void cancelIcyFeed(const std::shared_ptr<IcyFeed> &feed)
{
    if (!feed)
        return;
    QMutexLocker lock(&feed->mutex);
    feed->cancelled = true;
    if (feed->reader)
        feed->reader->cancel();
}

bool wantsIcyReader(const QUrl &url)
{
    // Plain HTTP titles come through the library's own access; HLS is the
    // library's to fetch piece by piece. An address named like a playlist
    // file reaches the engine only once the playlist fetcher found a stream
    // there: handed to the library by address, its own playlist reader
    // would take the stream by that name and read it as a list for ever.
    const QString scheme = url.scheme().toLower();
    if (Playlist::looksLikePlaylist(url))
        return scheme == QLatin1String("http") || scheme == QLatin1String("https");
    return scheme == QLatin1String("https") && !Playlist::looksLikeHls(url);
}

}  // namespace EngineDetail
