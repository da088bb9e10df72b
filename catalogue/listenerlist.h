#pragma once

#include "catalogue/listenerlistparser.h"

// Where a listener's own list is found and how it is read.
namespace ListenerList {

// The file to read, the first of the XDG configuration folders that holds
// one; empty when there is none.
QString locate();

// Reads and parses the file at `path` and logs what it found; empty rows
// (no path, an unreadable or unusable file) keep the built-in list. It may
// block on a slow file system: call it off the user-interface thread.
QList<CatalogueEntry> load(const QString &path);

}  // namespace ListenerList
