#pragma once

#include <QHash>
#include <QString>

// What a channel asks to be sent to its station's server in place of the
// player's own: many IPTV servers refuse a request without them.
struct RequestHeaders {
    QString userAgent;
    QString referrer;
    bool isEmpty() const { return userAgent.isEmpty() && referrer.isEmpty(); }
};

// By station address (the channel's, before any playlist is read); only
// channels that ask for something are in it.
using RequestHeaderTable = QHash<QString, RequestHeaders>;
