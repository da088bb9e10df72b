#pragma once

#include "media/engineoptions.h"
#include "media/engineservice.h"
#include "media/enginestatus.h"

#include <QString>
#include <QVariant>
#include <QWidget>

#include <memory>

// The media engine control of the main window (`PlayerBrelo`): what shows
// an EngineService. The picture's surface, the engine's own buttons and
// sliders, its status label and the full-screen window live here; playing
// lives in the service, which hides the playing library entirely. The
// window's layout writes the control's properties `URL`, `uiMode` and
// `fullScreen` and its stored initial state here.
class MediaEngine : public QWidget
{
    Q_OBJECT
    // The stored initial state, as hexadecimal text in the window's layout.
    Q_PROPERTY(QString ControlData READ controlData WRITE setControlData DESIGNABLE false)

public:
    using Status = Engine::Status;
    using Reason = Engine::Reason;
    using Options = Engine::Options;
    using AudioTap = Engine::AudioTap;
    static constexpr int kDefaultNetworkCachingMs = Engine::kDefaultNetworkCachingMs;
    static constexpr int kShutdownTimeoutMs = EngineService::kShutdownTimeoutMs;
    // Applies to engines made afterwards (the layout makes ours).
    static void setDefaultOptions(const Options &options) { EngineService::setDefaultOptions(options); }
    static Options defaultOptions() { return EngineService::defaultOptions(); }

    // The presentations the window asks for.
    enum class UiMode { None, Mini, Full, Invisible };
    Q_ENUM(UiMode)

    explicit MediaEngine(QWidget *parent = nullptr);
    ~MediaEngine() override;

    // The engine this control shows and drives. Until one is given, the
    // control makes one of its own the first time it needs one; a stored
    // state loaded before is handed to whichever it gets.
    void setEngine(EngineService *engine);
    EngineService *engine();

    // Loads the stored state from its hexadecimal text; throws ControlError
    // naming the offset for a malformed block.
    void setControlData(const QString &hex);
    QString controlData() const;

    // Property writes. Each throws ControlError when the value is refused.
    void setURL(const QString &url);
    void setUiMode(const QString &mode);
    void setUiMode(UiMode mode);
    void setFullScreen(bool on);
    // While the picture fills the screen: its window takes the keyboard
    // back (the compact window was activated under it).
    void focusFullScreen();

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
    // What the station says plays now, as plain text; empty when it says nothing.
    QString nowPlaying() const;

    // Ends playback and lets go of the library within `msTimeout`.
    void shutdown(int msTimeout = kShutdownTimeoutMs);

signals:
    // Every accepted property write, in order (name as written, value).
    void propertyWritten(const QString &name, const QVariant &value);
    void statusChanged(Engine::Status status, const QString &text);
    // The playing library could not be started: once, with the text to show.
    void unavailable(const QString &text);
    // The engine's re-buffering after playback had started (a dropout).
    void rebuffered();
    void fullScreenChanged(bool on);
    void volumeChanged(int volume);
    void mutedChanged(bool muted);
    // Playback of `address` began (a playlist's entry, not the file).
    void entryStarted(const QString &address);
    void nowPlayingChanged(const QString &title);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    const EngineService *service() const;
    void bindEngine();
    void applyUiMode();
    void showStatus();
    void showEngineStatus(Engine::Status s, Engine::Reason reason, int detail);
    void leaveFullScreen();

    class Private;
    std::unique_ptr<Private> d;
};
