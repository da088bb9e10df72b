#pragma once

#include "catalogue/listenerlist.h"

#include <QList>
#include <QObject>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// Looks for and reads the listener's channel list on a thread of its own, so
// that a slow home folder never holds up the window. A read that never ends
// holds up nothing either, not even the program's exit.
class ListenerListLoader : public QObject
{
    Q_OBJECT

public:
    using Read = std::function<ListenerList::Loaded()>;
    // Starts `read` at once; by default ListenerList::load(ListenerList::locate()).
    explicit ListenerListLoader(QObject *parent = nullptr);
    explicit ListenerListLoader(Read read, QObject *parent = nullptr);
    ~ListenerListLoader() override;

    // The rows, when the read ends within `wait` (empty rows: keep the
    // built-in list); nothing otherwise, and `ready` brings them later.
    std::optional<QList<CatalogueEntry>> takeWithin(std::chrono::milliseconds wait);
    // All that was read besides the rows (the file's header, where it was,
    // how it looked), once the rows are in.
    const ListenerList::Loaded &loaded() const;

signals:
    void ready(const QList<CatalogueEntry> &rows);

private:
    void deliver();

    struct Shared;
    std::shared_ptr<Shared> m_shared;
    bool m_taken = false;
};
