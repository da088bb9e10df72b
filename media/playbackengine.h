#pragma once

#include "media/enginestatus.h"
#include "media/requestheaders.h"

#include <QObject>
#include <QString>

// What the playback model drives: an engine that plays one address at a
// time and reports codes. EngineService is the real one; tests put a fake
// in its place.
class PlaybackEngine : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The address to play; starts it at once unless the stored state turned
    // the automatic start off. Always the new address: a paused station must
    // not resume under the name of the one just chosen.
    virtual void setURL(const QString &url) = 0;
    virtual QString URL() const = 0;
    // What each station's requests carry besides the player's own headers;
    // taken at the next start of an address.
    virtual void setRequestHeaders(const RequestHeaderTable &) { }

    // Resumes a paused station, else starts the address anew.
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;
    virtual void setVolume(int volume) = 0;  // 0 to 100, clamped
    virtual void setMuted(bool muted) = 0;

    virtual int volume() const = 0;
    virtual bool muted() const = 0;
    virtual Engine::Status status() const = 0;
    virtual Engine::Reason reason() const = 0;
    // What the station says plays now (its in-band title, else its name),
    // as plain text; empty when it says nothing.
    virtual QString nowPlaying() const = 0;

signals:
    // Every accepted address, in order, even one that cannot start now.
    void urlWritten(const QString &url);
    // `detail`: the buffer's fill while buffering, the attempt while
    // reconnecting.
    void statusChanged(Engine::Status status, Engine::Reason reason, int detail);
    void nowPlayingChanged(const QString &title);
    // The sound level or mute changed, by a control or by a call.
    void volumeChanged(int volume);
    void mutedChanged(bool muted);
};
