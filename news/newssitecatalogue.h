#pragma once

#include "catalogue/catalogueentry.h"

#include <QList>

// The 13 news and study sites of the browser's site list, in list order.
// The hosts are reserved example names; the first row is also the page
// loaded when the browser window is created.
class NewsSiteCatalogue
{
public:
    // The built-in rows.
    NewsSiteCatalogue();
    // Other rows, for a browser that must reach pages of its own (the tests
    // point the same texts at a local server).
    explicit NewsSiteCatalogue(QList<CatalogueEntry> rows);

    static const QList<CatalogueEntry> &builtIn();

    const QList<CatalogueEntry> &rows() const { return m_rows; }
    qsizetype size() const { return m_rows.size(); }
    const CatalogueEntry &at(qsizetype i) const { return m_rows.at(i); }

private:
    QList<CatalogueEntry> m_rows;
};
