#pragma once

#include "catalogue/catalogueentry.h"

#include <QList>

// The 57 built-in channels, in list order. The hosts are reserved example
// names and documentation addresses.
namespace ChannelCatalogue {
const QList<CatalogueEntry> &rows();
}  // namespace ChannelCatalogue
