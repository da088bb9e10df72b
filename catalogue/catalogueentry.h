#pragma once

#include <QByteArray>
#include <QString>

// One row of a channel list: what the user reads, and the address handed on
// unchanged when that text is chosen. A listener's own list adds what IPTV
// lists carry with a channel.
struct CatalogueEntry {
    CatalogueEntry() = default;
    CatalogueEntry(QString text, QString address) : text(std::move(text)), address(std::move(address)) { }

    QString text;
    QString address;
    // group-title or #EXTGRP; several groups joined by ';' as written.
    QString group;
    // Sent to the station's server in place of the player's own, when set:
    // many IPTV servers refuse a request without the ones they expect.
    QString userAgent;
    QString referrer;
    // The lines of the listener's file this row came from, comments before
    // it included, byte for byte, so that what the program does not
    // understand is written back as it was. Empty for a row made here.
    QByteArray source;
};
