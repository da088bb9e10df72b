#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

class TFormPrincipal;

// What a desktop's media controls see of the player and may do to it, in
// MPRIS terms: the main window's channel list and engine. Commands take the
// same paths as the user's own: the list's choice events, the tray icon's
// double click, the exit command.
class DesktopControls : public QObject
{
    Q_OBJECT
public:
    explicit DesktopControls(TFormPrincipal *main, QObject *parent = nullptr);

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

private:
    QVariantMap playerProperties() const;
    void refresh();
    void chooseListItem(int index);

    TFormPrincipal *m_main;
    QString m_artUrl;
    QVariantMap m_reported;
};
