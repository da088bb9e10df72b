#pragma once

#include <QByteArray>
#include <QStringList>
#include <QUrl>

// Stream addresses and the playlist files that point at them.
namespace Playlist {

// Whether an address names a playlist file (.asx, .wvx, .wax, .m3u, .pls)
// that the engine fetches and reads itself rather than handing it on.
bool looksLikePlaylist(const QUrl &url);

// Where to fetch a playlist file from: mms:// playlists come over HTTP
// (a Windows Media server serves them on the same port).
QUrl fetchAddress(const QUrl &url);

// The entries of a playlist file, in order, resolved against `base`:
// XML ASX (.asx/.wvx/.wax, lenient about case and well-formedness), the
// "[Reference]" ini variant (Ref1=, Ref2=, ... played as written), M3U and
// PLS. Empty when `body` is none of these.
QStringList entries(const QByteArray &body, const QUrl &base);

// The addresses to try for one entry, in order: an mms:// address rolls
// over to HTTP on the same host and port, as Windows Media servers also
// answer there.
QStringList candidates(const QString &address);

}  // namespace Playlist
