#pragma once

#include "catalogue/catalogueentry.h"

#include <QByteArrayView>
#include <QList>
#include <QStringList>

// A listener's own channel list: an extended M3U file
// ($XDG_CONFIG_HOME/breloplayer/canais.m3u) whose entries replace the
// built-in channels for the run.
//
//   #EXTM3U
//   #EXTINF:-1,Rádio da Cidade
//   http://radio.example.net:8000/aovivo
//   https://tv.example.org/live.m3u        (no #EXTINF: the address is its text)
namespace ListenerList {

// Larger files are refused unread: no channel list comes near it.
inline constexpr qsizetype maxBytes = 1024 * 1024;

struct Parsed {
    // In file order; empty when the built-in list is to stay.
    QList<CatalogueEntry> rows;
    // Why lines, or the file as a whole, were set aside: one reason each.
    QStringList reasons;
};

// Bytes of the file in, its rows and reasons out; touches nothing else.
Parsed parse(QByteArrayView bytes);

}  // namespace ListenerList
