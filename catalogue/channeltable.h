#pragma once

#include "catalogue/catalogueentry.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// The built-in channel table as the build reads it from its data file: UTF-8
// text, one channel a line, its display text and address separated by one
// tab; blank lines and lines starting with "#" are skipped.
namespace ChannelTable {

struct Parsed {
    QList<CatalogueEntry> rows;
    // Empty when the table is sound; else the first fault, with its line.
    QString error;
    int errorLine = 0;
};

Parsed parse(QByteArrayView data);

// C++ source defining ChannelCatalogue::rows() with `rows`; `origin` names
// the data file in its heading.
QByteArray toSource(const QList<CatalogueEntry> &rows, const QString &origin);

}  // namespace ChannelTable
