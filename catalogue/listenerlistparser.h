#pragma once

#include "catalogue/catalogueentry.h"

#include <QByteArrayView>
#include <QList>
#include <QStringList>

// A listener's own channel list: an extended M3U file
// ($XDG_CONFIG_HOME/breloplayer/canais.m3u) whose entries replace the
// built-in channels.
//
//   #EXTM3U x-tvg-url="https://guia.example/epg.xml"
//   #EXTINF:-1 tvg-id="c1" tvg-logo="…" group-title="Notícias;Brasil",Rádio da Cidade
//   #EXTVLCOPT:http-user-agent=Mozilla/5.0
//   #EXTVLCOPT:http-referrer=https://portal.example/
//   http://radio.example.net:8000/aovivo
//   https://tv.example.org/live.m3u8|User-Agent=VLC&Referer=https://x.example/
//
// Whatever the program does not understand stays in each row's source and
// is written back as it was.
namespace ListenerList {

// Larger files are refused unread.
inline constexpr qsizetype maxBytes = 32 * 1024 * 1024;
// Past this a list is cut; an import that reaches it is refused whole.
inline constexpr int maxRows = 50000;

struct Parsed {
    // In file order; empty when the built-in list is to stay.
    QList<CatalogueEntry> rows;
    // Why lines, or the file as a whole, were set aside: one reason each.
    QStringList reasons;
    // Lines before the first row (up to #EXTM3U) and after the last one.
    QByteArray header;
    QByteArray trailer;
    // The programme guides the header names (x-tvg-url, url-tvg, tvg-url).
    QStringList guides;
    // Entries with an address that is not a network one, left out.
    int skipped = 0;
    // maxRows was reached and the rest left out.
    bool cut = false;
};

// Bytes of the file in, its rows and reasons out; touches nothing else.
Parsed parse(QByteArrayView bytes);

// The file for `list`: header, each row's source (or fresh lines for a row
// made here) and trailer. A list read by parse() and left alone gives back
// the bytes it was read from.
QByteArray write(const Parsed &list);

// `row` under another name, its other lines and attributes kept.
CatalogueEntry renamed(const CatalogueEntry &row, const QString &text);

// `text` without control characters, which no list item may show.
QString cleanName(QStringView text);

}  // namespace ListenerList
