#pragma once

#include "catalogue/listenerlistparser.h"

#include <QDateTime>

// Where a listener's own list is found, how it is read and how it is saved.
namespace ListenerList {

// What a file looked like when read, to tell whether someone else changed
// it since: no file at all is a state of its own.
struct Stamp {
    bool exists = false;
    qint64 size = 0;
    QDateTime modified;
    bool operator==(const Stamp &) const = default;
};

struct Loaded : Parsed {
    Loaded() = default;
    Loaded(QList<CatalogueEntry> own) { rows = std::move(own); }
    // The file read, and how it looked then.
    QString path;
    Stamp stamp;
};

// The file to read, the first of the XDG configuration folders that holds
// one; empty when there is none.
QString locate();
// Where the listener's own edits go: their own configuration folder.
QString writablePath();

Stamp stampOf(const QString &path);

// Reads and parses the file at `path` and logs what it found; empty rows
// (no path, an unreadable or unusable file) keep the built-in list. It may
// block on a slow file system: call it off the user-interface thread.
Loaded load(const QString &path);

struct Saved {
    enum Outcome { Done, Conflict, Failed } outcome = Failed;
    // Why it failed, in the system's words.
    QString error;
    // The file as written, for the next save's comparison.
    Stamp stamp;
};
// Writes `bytes` to `path` as a whole or not at all, unless the file no
// longer looks as `expected`. Blocks: off the user-interface thread.
Saved save(const QString &path, const QByteArray &bytes, const Stamp &expected);

// Moves the listener's file aside as "<path>.bak" so the built-in channels
// come back; false when it stays.
bool setAside(const QString &path);

}  // namespace ListenerList
