#pragma once

#include <QString>
#include <QVariant>
#include <QWidget>

#include <functional>
#include <memory>

class StoredState;

// The media engine control of the main window (`PlayerBrelo`). It hides the
// playing library entirely: the windows see only the property writes
// `URL`, `uiMode` and `fullScreen`, the stored initial state, its own
// playback controls and a status with, for failures, the reason
// (`StatusTexts` words both for the listener).
//
// No call here blocks the user-interface thread: opening, switching and
// closing streams run on the engine's own thread.
class MediaEngine : public QWidget
{
    Q_OBJECT
    // The stored initial state, as hexadecimal text in the window's layout.
    Q_PROPERTY(QString ControlData READ controlData WRITE setControlData DESIGNABLE false)

public:
    // Reconnecting: the stream broke off after sound flowed and the engine
    // opens it again by itself, for as long as the channel stays chosen.
    enum class Status { Idle, Connecting, Buffering, Playing, Paused, Stopped, Failed, Reconnecting };
    Q_ENUM(Status)
    // Why playback stopped or failed; None while all is well.
    enum class Reason {
        None,
        NoAnswer,  // the station accepted nothing or sent nothing in time
        Unreachable,  // refused, not found, or nothing playable behind it
        PlaylistUnreadable,
        ConnectionLost,  // the stream broke off while sound flowed
        BroadcastEnded,  // the station closed the stream in good order
        EngineUnavailable,  // the playing library could not be started
    };
    Q_ENUM(Reason)

    // Decoded audio, for tests and benchmarks: interleaved signed 16-bit
    // samples, called on an engine thread ahead of the moment they are due
    // to sound, `dueUs` on the monotonic clock (CLOCK_MONOTONIC, in µs).
    using AudioTap
        = std::function<void(const qint16 *samples, int frames, int channels, int rate, qint64 dueUs)>;

    struct Options {
        bool video = true;  // false: no picture at all (window-less tests)
        AudioTap audioTap;  // set: decoded sound goes here instead of the speakers
        int openTimeoutMs = 8000;  // a station that sends nothing for this long "does not answer"
        // How far ahead of the sound the network is read. Short enough that
        // a channel starts in about a third of the library's default time,
        // long enough to ride out a server that pauses for a quarter of a
        // second (the library's clock adds its own margin on top).
        int networkCachingMs = kDefaultNetworkCachingMs;
    };
    static constexpr int kDefaultNetworkCachingMs = 250;
    static constexpr int kShutdownTimeoutMs = 500;
    // Applies to engines created afterwards (the layout creates ours).
    static void setDefaultOptions(const Options &options);
    static Options defaultOptions();

    explicit MediaEngine(QWidget *parent = nullptr);
    ~MediaEngine() override;

    // Loads the stored state from its hexadecimal text; throws ControlError
    // naming the offset for a malformed block.
    void setControlData(const QString &hex);
    QString controlData() const;

    // Property writes. Each throws ControlError when the value is refused.
    void setURL(const QString &url);
    void setUiMode(const QString &mode);
    void setFullScreen(bool on);

    QString URL() const;
    QString uiMode() const;  // as stored: lower-case
    bool fullScreen() const;
    int volume() const;
    bool muted() const;

    Status status() const;
    Reason reason() const;
    QString statusText() const;

    // The engine's own controls, as its buttons and sliders drive them.
    void play();
    void pause();
    void stop();
    void setVolume(int volume);
    void setMuted(bool muted);

    // The address the engine plays now: the entry inside a playlist file,
    // empty until one started.
    QString currentEntry() const;

    // What the station says plays now (its in-band title, else its name),
    // as plain text; empty when it says nothing.
    QString nowPlaying() const;

    // Ends playback and lets go of the library within `msTimeout`; a call
    // still hung inside the library after that is abandoned to the
    // process's end.
    void shutdown(int msTimeout = kShutdownTimeoutMs);

signals:
    // Every accepted property write, in order (name as written, value).
    void propertyWritten(const QString &name, const QVariant &value);
    void statusChanged(MediaEngine::Status status, const QString &text);
    // The playing library could not be started (missing or broken
    // plug-ins): nothing will ever play. Once, with the text to show.
    void unavailable(const QString &text);
    // The engine's re-buffering after playback had started (a dropout).
    void rebuffered();
    void fullScreenChanged(bool on);
    // The sound level or mute changed, by the engine's own controls or by a call.
    void volumeChanged(int volume);
    void mutedChanged(bool muted);
    // Playback of `address` began (a playlist's entry, not the file).
    void entryStarted(const QString &address);
    void nowPlayingChanged(const QString &title);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applyUiMode();
    void startAddress();
    void showStatus();

    class Private;
    std::unique_ptr<Private> d;
};
