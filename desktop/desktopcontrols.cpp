#include "desktop/desktopcontrols.h"

#include "catalogue/catalogueentry.h"
#include "media/mediaengine.h"
#include "platform/appicon.h"
#include "platform/logging.h"
#include "player/principal.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDBusObjectPath>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QUrl>

namespace {

bool running(MediaEngine::Status s)
{
    return s == MediaEngine::Status::Playing || s == MediaEngine::Status::Buffering
        || s == MediaEngine::Status::Connecting || s == MediaEngine::Status::Reconnecting;
}

}  // namespace

DesktopControls::DesktopControls(TFormPrincipal *main, QObject *parent)
    : QObject(parent), m_main(main), m_artUrl(artUrl())
{
    MediaEngine *engine = m_main->PlayerBrelo;
    connect(engine, &MediaEngine::statusChanged, this, &DesktopControls::refresh);
    connect(engine, &MediaEngine::propertyWritten, this, &DesktopControls::refresh);
    connect(engine, &MediaEngine::volumeChanged, this, &DesktopControls::refresh);
    connect(engine, &MediaEngine::nowPlayingChanged, this, &DesktopControls::refresh);
    connect(m_main->BreloCombo, &QComboBox::currentIndexChanged, this, &DesktopControls::refresh);
    m_reported = playerProperties();
}

QString DesktopControls::playbackStatus() const
{
    const MediaEngine::Status s = m_main->PlayerBrelo->status();
    if (running(s))
        return QStringLiteral("Playing");
    if (s == MediaEngine::Status::Paused)
        return QStringLiteral("Paused");
    return QStringLiteral("Stopped");
}

int DesktopControls::playingRow() const
{
    const QString url = m_main->PlayerBrelo->URL();
    const QList<CatalogueEntry> &rows = m_main->channels();
    // The list's own row first, should two rows ever share an address.
    const int listed = m_main->BreloCombo->currentIndex();
    if (listed >= 0 && listed < rows.size() && rows.at(listed).address == url)
        return listed + 1;
    for (int i = 0; i < rows.size(); ++i)
        if (rows.at(i).address == url)
            return i + 1;
    return 0;
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
    const QString text = m_main->channels().at(row - 1).text;
    m.insert(
        QStringLiteral("mpris:trackid"),
        QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/example/breloplayer/channel/%1").arg(row))));
    // What the station says it plays now, under the channel's name, the way
    // desktop players show a radio's song.
    const QString now = m_main->PlayerBrelo->nowPlaying();
    m.insert(QStringLiteral("xesam:title"), now.isEmpty() ? text : now);
    m.insert(QStringLiteral("xesam:artist"), QStringList{text});
    if (!m_artUrl.isEmpty())
        m.insert(QStringLiteral("mpris:artUrl"), m_artUrl);
    return m;
}

double DesktopControls::volume() const
{
    return m_main->PlayerBrelo->volume() / 100.0;
}

void DesktopControls::setVolume(double volume)
{
    const int level = qRound(qBound(0.0, volume, 1.0) * 100);
    qCDebug(lcDesktop) << "volume from the desktop:" << level;
    m_main->PlayerBrelo->setVolume(level);
}

bool DesktopControls::canGoNext() const
{
    const int index = m_main->BreloCombo->currentIndex();
    return index + 1 < m_main->channels().size();
}

bool DesktopControls::canGoPrevious() const
{
    const int index = m_main->BreloCombo->currentIndex();
    return index >= 1 && index <= m_main->channels().size();
}

void DesktopControls::play()
{
    MediaEngine *engine = m_main->PlayerBrelo;
    // Asking the engine to play what it already plays would restart it.
    if (running(engine->status()))
        return;
    qCDebug(lcDesktop) << "play from the desktop";
    engine->play();
}

void DesktopControls::pause()
{
    MediaEngine *engine = m_main->PlayerBrelo;
    const MediaEngine::Status s = engine->status();
    qCDebug(lcDesktop) << "pause from the desktop";
    if (s == MediaEngine::Status::Connecting) {
        // Nothing plays yet that could be held; a later Play starts afresh.
        engine->stop();
    } else if (running(s)) {
        engine->pause();
    }
}

void DesktopControls::playPause()
{
    if (running(m_main->PlayerBrelo->status()))
        pause();
    else
        play();
}

void DesktopControls::stop()
{
    qCDebug(lcDesktop) << "stop from the desktop";
    m_main->PlayerBrelo->stop();
}

void DesktopControls::next()
{
    if (canGoNext())
        chooseListItem(m_main->BreloCombo->currentIndex() + 1);
}

void DesktopControls::previous()
{
    if (canGoPrevious())
        chooseListItem(m_main->BreloCombo->currentIndex() - 1);
}

void DesktopControls::chooseListItem(int index)
{
    QComboBox *list = m_main->BreloCombo;
    qCDebug(lcDesktop) << "channel from the desktop: row" << index + 1;
    // What the list itself does on an arrow key: select, then report the
    // user's choice, which runs the click and select handlers.
    list->setCurrentIndex(index);
    emit list->activated(index);
    emit list->textActivated(list->itemText(index));
}

void DesktopControls::raise()
{
    qCDebug(lcDesktop) << "raise from the desktop";
    m_main->TrayIconMessage(QSystemTrayIcon::DoubleClick);
}

void DesktopControls::quit()
{
    qCDebug(lcDesktop) << "quit from the desktop";
    // Queued, so that the caller's reply leaves before the program ends.
    QMetaObject::invokeMethod(m_main, &TFormPrincipal::Encerrar1Click, Qt::QueuedConnection);
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
