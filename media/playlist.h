#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QUrl>

// Stream addresses and the playlist files that point at them. Everything
// here is a pure function of its arguments: no network, no state.
namespace Playlist {

// The most bytes a playlist file may have; anything longer is a stream
// served under a playlist's name.
inline constexpr qint64 kMaxBytes = 256 * 1024;

enum class Format {
    None,  // not a playlist (an error page, audio, garbage)
    Asx,  // XML ASX (.asx/.wvx/.wax)
    Reference,  // "[Reference]" ini variant of Windows Media
    Pls,  // "[playlist]" File1=...
    M3u,  // plain or extended M3U
    Hls,  // an HLS media or master playlist: the library streams it itself
};

struct Entry {
    QString address;  // resolved against the playlist's own address
    bool nested = false;  // names another playlist (ASX <entryref>)
    bool operator==(const Entry &) const = default;
};

struct Parsed {
    Format format = Format::None;
    QList<Entry> entries;
};

// Reads a playlist file: its format and its entries in order, each resolved
// against `base` (the address the file came from, after redirects). ASX is
// read leniently (case, comments, unquoted attributes; it is rarely
// well-formed XML). An HLS playlist has no entries: it is handed on whole.
Parsed parse(const QByteArray &body, const QUrl &base);

// Whether `bytes` hold anything but text: no playlist file does, while
// audio and video do within their first bytes.
bool hasControlBytes(QByteArrayView bytes);

// The addresses of parse(), in order.
QStringList entries(const QByteArray &body, const QUrl &base);

// Whether an address names a playlist file (.asx, .wvx, .wax, .m3u, .pls)
// that the engine fetches and reads itself rather than handing it on.
bool looksLikePlaylist(const QUrl &url);

// Whether an address names an HLS playlist (.m3u8), which the library
// streams itself.
bool looksLikeHls(const QUrl &url);

// Where to fetch a playlist file from: mms:// playlists come over HTTP
// (a Windows Media server serves them on the same port).
QUrl fetchAddress(const QUrl &url);

// The addresses to try for one entry, in order: an mms:// address rolls
// over to MMS over HTTP and then plain HTTP on the same host and port, as
// Windows Media servers also answer there.
QStringList candidates(const QString &address);

// Whether a playlist fetched from the network may name this address: only
// network streams, never local files, devices or the library's own
// pseudo-schemes.
bool allowedFromNetwork(const QUrl &url);

}  // namespace Playlist
