#pragma once

// Private to media/: a libVLC media that reads its stream through
// IcyReader, for streams whose titles the library's own access drops.

#include "media/requestheaders.h"

#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

struct libvlc_instance_t;
struct libvlc_media_t;

namespace EngineDetail {

class IcyFeed;

// What the player keeps alive for such a media, and how to end its wait.
struct IcyMedia {
    libvlc_media_t *media = nullptr;  // null when the library refused it
    std::shared_ptr<IcyFeed> feed;
};

// Titles (and the station's name, first) arrive through `onTitle` on the
// library's reading thread.
IcyMedia newIcyMedia(libvlc_instance_t *vlc, const QUrl &url, int timeoutMs, const RequestHeaders &headers,
                     std::function<void(const QString &title, bool stationName)> onTitle);

// Any thread: a read or connect under way gives up at once.
void cancelIcyFeed(const std::shared_ptr<IcyFeed> &feed);

// Whether the library's own access would drop this stream's titles.
bool wantsIcyReader(const QUrl &url);

}  // namespace EngineDetail
