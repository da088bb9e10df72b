#pragma once

#include "media/engineoptions.h"
#include "media/playbackengine.h"

#include <QString>

#include <functional>
#include <memory>

struct StoredState;

// The engine itself, without a widget: the engine thread that talks to the
// playing library, the stored initial state, the address and the status.
// No call here blocks the user-interface thread: opening, switching and
// closing streams run on the engine's own thread. The widgets that show it
// (MediaEngine) draw into the window it is given.
class EngineService : public PlaybackEngine
{
    Q_OBJECT
public:
    static constexpr int kShutdownTimeoutMs = 500;
    // Applies to engines created afterwards without options of their own.
    static void setDefaultOptions(const Engine::Options &options);
    static Engine::Options defaultOptions();

    explicit EngineService(const Engine::Options &options = defaultOptions(), QObject *parent = nullptr);
    ~EngineService() override;

    const Engine::Options &options() const;

    // The stored initial state: automatic start, volume, mute and, when it
    // has one, the address (started as any other).
    void applyStoredState(const StoredState &state);

    // Where the picture goes: asked for the X11 window each time an address
    // starts, so that the window is made only when it is needed.
    void setVideoWindow(std::function<quint64()> window);
    // The picture's window was made anew: the library cannot move its
    // picture, so a station at work starts again into the new one.
    void videoWindowChanged(quint64 window);

    void setURL(const QString &url) override;
    QString URL() const override;
    void setRequestHeaders(const RequestHeaderTable &table) override;
    void play() override;
    void pause() override;
    void stop() override;
    void setVolume(int volume) override;
    void setMuted(bool muted) override;
    // A recording's position, 0.0 to 1.0.
    void setPosition(double position);

    int volume() const override;
    bool muted() const override;
    Engine::Status status() const override;
    Engine::Reason reason() const override;
    // The buffer's fill while buffering, the attempt while reconnecting.
    int statusDetail() const;
    QString nowPlaying() const override;
    // The address the engine plays now: the entry inside a playlist file,
    // empty until one started.
    QString currentEntry() const;

    // Ends playback and lets go of the library within `msTimeout`; a call
    // still hung inside the library after that is abandoned to the
    // process's end.
    void shutdown(int msTimeout = kShutdownTimeoutMs);

signals:
    // The playing library could not be started (missing or broken
    // plug-ins): nothing will ever play. Once.
    void unavailable();
    // The engine's re-buffering after playback had started (a dropout).
    void rebuffered();
    // Playback of `address` began (a playlist's entry, not the file).
    void entryStarted(const QString &address);
    void positionChanged(double position, bool seekable);

private:
    void startAddress();

    class Private;
    std::unique_ptr<Private> d;
};
