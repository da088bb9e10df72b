#pragma once

#include <QString>
#include <QStringView>

// What every channel list may hold, the one built in and a listener's own.
namespace ChannelRules {

// More would make the drop-down list unusable.
inline constexpr int maxRows = 500;

// Only streams reached over the network: a list must never make the player
// open a local file or device.
bool isNetworkAddress(QStringView address);

// The schemes isNetworkAddress accepts, for messages: "http, https, ...".
QString networkSchemes();

// True when `text` holds a control character, which no list item may show.
bool hasControlCharacter(QStringView text);

}  // namespace ChannelRules
