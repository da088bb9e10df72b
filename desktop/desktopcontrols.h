#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

class PlaybackSession;

// What a desktop's media controls see of the player and may do to it, in
// MPRIS terms: the playback model's channels, choice and engine. Commands
// take the same paths as the user's own: the model's choice of a channel,
// and, through whoever listens, the tray icon's double click and the exit
// command.
class DesktopControls : public QObject
{
    Q_OBJECT
public:
    explicit DesktopControls(PlaybackSession *session, QObject *parent = nullptr);

    // "Playing", "Paused" or "Stopped".
    QString playbackStatus() const;
    // mpris:trackid, xesam:title, xesam:artist and, when installed,
    // mpris:artUrl of the channel the engine plays.
    QVariantMap metadata() const;
    // 0.0 to 1.0; values outside are clamped.
    double volume() const;
    void setVolume(double volume);
    bool canGoNext() const;
    bool canGoPrevious() const;

    void play();
    void pause();
    void playPause();
    void stop();
    void next();
    void previous();
    void raise();
    void quit();

    // Catalogue row (from 1) of what the engine plays; 0 for none.
    int playingRow() const;

    // The program's icon as a file:// URL, from the installed icon theme;
    // empty when the program is not installed.
    static QString artUrl();

signals:
    // Properties of the Player interface whose values changed, with their
    // new values.
    void playerPropertiesChanged(const QVariantMap &changed);
    // The desktop asks for the window, or for the program's end.
    void raiseRequested();
    void quitRequested();

private:
    QVariantMap playerProperties() const;
    void refresh();

    PlaybackSession *m_session;
    QString m_artUrl;
    QVariantMap m_reported;
};
