#pragma once

#include <QString>

// One row of a built-in list: what the user reads, and the address handed on
// unchanged when that text is chosen.
struct CatalogueEntry {
    QString text;
    QString address;
};
