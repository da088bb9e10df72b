#include "desktop/desktopcontrols.h"

#include "catalogue/catalogueentry.h"
#include "media/playbacksession.h"
#include "platform/appicon.h"
#include "platform/logging.h"

#include <QCoreApplication>
#include <QDBusObjectPath>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

DesktopControls::DesktopControls(PlaybackSession *session, QObject *parent)
    : QObject(parent), m_session(session), m_artUrl(artUrl())
{
    connect(m_session, &PlaybackSession::statusChanged, this, &DesktopControls::refresh);
    connect(m_session, &PlaybackSession::addressChanged, this, &DesktopControls::refresh);
    connect(m_session, &PlaybackSession::volumeChanged, this, &DesktopControls::refresh);
    connect(m_session, &PlaybackSession::nowPlayingChanged, this, &DesktopControls::refresh);
    connect(m_session, &PlaybackSession::chosenRowChanged, this, &DesktopControls::refresh);
    connect(m_session, &PlaybackSession::channelsChanged, this, &DesktopControls::refresh);
    m_reported = playerProperties();
}

QString DesktopControls::playbackStatus() const
{
    if (m_session->isActive())
        return QStringLiteral("Playing");
    if (m_session->status() == Engine::Status::Paused)
        return QStringLiteral("Paused");
    return QStringLiteral("Stopped");
}

int DesktopControls::playingRow() const
{
    return m_session->playingRow() + 1;
}

QVariantMap DesktopControls::metadata() const
{
    QVariantMap m;
    const int row = playingRow();
    if (row == 0) {
        m.insert(QStringLiteral("mpris:trackid"),
                 QVariant::fromValue(
                     QDBusObjectPath(QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"))));
        return m;
    }
    const QString text = m_session->channels().at(row - 1).text;
    m.insert(
        QStringLiteral("mpris:trackid"),
        QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/example/breloplayer/channel/%1").arg(row))));
    // What the station says it plays now, under the channel's name, the way
    // desktop players show a radio's song.
    const QString now = m_session->nowPlaying();
    m.insert(QStringLiteral("xesam:title"), now.isEmpty() ? text : now);
    m.insert(QStringLiteral("xesam:artist"), QStringList{text});
    if (!m_artUrl.isEmpty())
        m.insert(QStringLiteral("mpris:artUrl"), m_artUrl);
    return m;
}

double DesktopControls::volume() const
{
    return m_session->volume() / 100.0;
}

void DesktopControls::setVolume(double volume)
{
    const int level = qRound(qBound(0.0, volume, 1.0) * 100);
    qCDebug(lcDesktop) << "volume from the desktop:" << level;
    m_session->setVolume(level);
}

bool DesktopControls::canGoNext() const
{
    return m_session->canGoNext();
}

bool DesktopControls::canGoPrevious() const
{
    return m_session->canGoPrevious();
}

void DesktopControls::play()
{
    qCDebug(lcDesktop) << "play from the desktop";
    m_session->play();
}

void DesktopControls::pause()
{
    qCDebug(lcDesktop) << "pause from the desktop";
    m_session->pause();
}

void DesktopControls::playPause()
{
    m_session->playPause();
}

void DesktopControls::stop()
{
    qCDebug(lcDesktop) << "stop from the desktop";
    m_session->stop();
}

void DesktopControls::next()
{
    if (!canGoNext())
        return;
    qCDebug(lcDesktop) << "channel from the desktop: row" << m_session->chosenRow() + 2;
    m_session->next();
}

void DesktopControls::previous()
{
    if (!canGoPrevious())
        return;
    qCDebug(lcDesktop) << "channel from the desktop: row" << m_session->chosenRow();
    m_session->previous();
}

void DesktopControls::raise()
{
    qCDebug(lcDesktop) << "raise from the desktop";
    emit raiseRequested();
}

void DesktopControls::quit()
{
    qCDebug(lcDesktop) << "quit from the desktop";
    emit quitRequested();
}

QString DesktopControls::artUrl()
{
    const QString name = QStringLiteral("icons/hicolor/256x256/apps/%1.png").arg(AppIcon::themeName());
    // The program's own prefix first (<prefix>/lib/breloplayer/breloplayer),
    // then the desktop's data folders.
    QString file = QDir(QCoreApplication::applicationDirPath())
                       .absoluteFilePath(QStringLiteral("../../share/") + name);
    if (!QFileInfo(file).isFile())
        file = QStandardPaths::locate(QStandardPaths::GenericDataLocation, name);
    if (file.isEmpty())
        return {};
    return QUrl::fromLocalFile(QFileInfo(file).canonicalFilePath()).toString();
}

QVariantMap DesktopControls::playerProperties() const
{
    return {
        {QStringLiteral("PlaybackStatus"), playbackStatus()},
        {QStringLiteral("Metadata"), metadata()},
        {QStringLiteral("Volume"), volume()},
        {QStringLiteral("CanGoNext"), canGoNext()},
        {QStringLiteral("CanGoPrevious"), canGoPrevious()},
    };
}

void DesktopControls::refresh()
{
    const QVariantMap now = playerProperties();
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it)
        if (m_reported.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    if (changed.isEmpty())
        return;
    m_reported = now;
    if (changed.contains(QStringLiteral("PlaybackStatus")))
        qCDebug(lcDesktop) << "playback status:" << now.value(QStringLiteral("PlaybackStatus")).toString();
    emit playerPropertiesChanged(changed);
}
