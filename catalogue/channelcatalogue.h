#pragma once

#include "catalogue/catalogueentry.h"

#include <QList>

// The built-in channels, in list order, compiled from catalogue/channels.tsv
// (or the table a packager names with BRELO_CHANNEL_TABLE). The source
// tree's hosts are reserved example names and documentation addresses.
namespace ChannelCatalogue {
const QList<CatalogueEntry> &rows();
}  // namespace ChannelCatalogue
