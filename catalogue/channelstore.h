#pragma once

#include "catalogue/listenerlist.h"

#include <QObject>

#include <optional>

// The listener's file as the program keeps it: what surrounds the rows
// (header, trailer, programme guides), where it is saved and how it looked
// when last read or written. Saves and reloads run on a worker thread and
// end in a signal; saves asked for while one runs collapse into the latest.
class ChannelStore : public QObject
{
    Q_OBJECT
public:
    // `read` is the file as read at start (empty for none); edits go to `path`.
    ChannelStore(const ListenerList::Loaded &read, const QString &path, QObject *parent = nullptr);

    QString path() const { return m_path; }
    QStringList guides() const { return m_list.guides; }

    void save(const QList<CatalogueEntry> &rows);
    // Reads the file anew, forgetting what it looked like before.
    void reload();
    // Sets the file aside as a backup: the built-in channels come back.
    bool setAside();
    // A list from elsewhere takes the place of ours: its header (and the
    // programme guides named there) with it.
    void adoptHeader(const ListenerList::Parsed &from);
    // Its programme guides join ours.
    void addGuides(const QStringList &guides);

signals:
    void saved();
    void saveFailed(const QString &error);
    // Someone else changed the file since it was read: it was left alone.
    void conflict();
    void reloaded(const QList<CatalogueEntry> &rows);

private:
    void startSave();

    ListenerList::Parsed m_list;  // rows unused: the caller holds them
    QString m_path;
    ListenerList::Stamp m_stamp;
    bool m_saving = false;
    std::optional<QList<CatalogueEntry>> m_next;
};
