#pragma once

#include "catalogue/catalogueentry.h"
#include "media/enginestatus.h"

#include <QList>
#include <QObject>
#include <QString>

class PlaybackEngine;

// The playback model: which channels there are, which one is chosen, what
// the engine does with it and what plays now. The main window, the engine's
// controls, the tray, the desktop's media controls and every feature that
// plays or follows playback drive this one object, so the rules of choosing
// live here once.
//
// Rows count from 0 in list order. The list offers one empty item after the
// channels: choosing it (row == channelCount()) chooses no channel and leaves
// the engine as it is.
class PlaybackSession : public QObject
{
    Q_OBJECT
public:
    explicit PlaybackSession(PlaybackEngine *engine, QObject *parent = nullptr);

    PlaybackEngine *engine() const { return m_engine; }

    // The channels in list order: the built-in table or the listener's list.
    // The chosen row goes back to the first; nothing starts.
    void setChannels(const QList<CatalogueEntry> &rows);
    // The same for a list the listener edited while listening: nothing
    // stops, and the chosen row follows the channel that plays (or, with
    // none, the one chosen) to its new place, or to the empty item when it
    // is gone.
    void replaceChannels(const QList<CatalogueEntry> &rows);
    const QList<CatalogueEntry> &channels() const { return m_channels; }
    int channelCount() const { return int(m_channels.size()); }

    // The row the list shows chosen: a channel's, the empty item's
    // (channelCount()), or -1 before any.
    int chosenRow() const { return m_chosen; }
    // The row whose address the engine holds, the chosen one first should
    // two rows share it; -1 for none.
    int playingRow() const;

    // Chooses `row` and plays its address. The station the engine is
    // already at work on stays untouched, as restarting it would leave a
    // gap; one that failed or was stopped is tried afresh.
    void choose(int row);
    bool canGoNext() const;
    bool canGoPrevious() const;
    // The next or previous channel, never the empty item.
    void next();
    void previous();

    void play();
    // Holds what sounds; a station still connecting, or one being won back
    // after a break, has nothing to hold, so it stops, and a later Play
    // starts afresh.
    void pause();
    void playPause();
    void stop();
    void setVolume(int volume);
    void setMuted(bool muted);

    Engine::Status status() const;
    Engine::Reason reason() const;
    bool isActive() const { return Engine::isActive(status()); }
    QString nowPlaying() const;
    int volume() const;
    bool muted() const;
    QString address() const;

signals:
    void channelsChanged();
    // `row` as chosenRow(): by a choice, or by a new list.
    void chosenRowChanged(int row);
    // Someone chose `row` (the list, the desktop's Next and Previous, a
    // feature), whether or not the engine was given its address.
    void channelChosen(int row);
    void statusChanged(Engine::Status status, Engine::Reason reason);
    void nowPlayingChanged(const QString &title);
    void volumeChanged(int volume);
    void mutedChanged(bool muted);
    // The engine was given another address (or the same again).
    void addressChanged(const QString &address);

private:
    void setChosen(int row);
    void publishRequestHeaders();

    PlaybackEngine *m_engine;
    QList<CatalogueEntry> m_channels;
    int m_chosen = -1;
};
