#include "media/playbacksession.h"

#include "media/playbackengine.h"
#include "platform/logging.h"

PlaybackSession::PlaybackSession(PlaybackEngine *engine, QObject *parent) : QObject(parent), m_engine(engine)
{
    connect(m_engine, &PlaybackEngine::statusChanged, this,
            [this](Engine::Status s, Engine::Reason reason, int) { emit statusChanged(s, reason); });
    connect(m_engine, &PlaybackEngine::nowPlayingChanged, this, &PlaybackSession::nowPlayingChanged);
    connect(m_engine, &PlaybackEngine::volumeChanged, this, &PlaybackSession::volumeChanged);
    connect(m_engine, &PlaybackEngine::mutedChanged, this, &PlaybackSession::mutedChanged);
    connect(m_engine, &PlaybackEngine::urlWritten, this, &PlaybackSession::addressChanged);
}

void PlaybackSession::setChannels(const QList<CatalogueEntry> &rows)
{
    m_channels = rows;
    publishRequestHeaders();
    qCDebug(lcCatalogue) << "channels offered:" << rows.size();
    emit channelsChanged();
    // A list freshly filled stands on its first item, as Qt's does.
    setChosen(0);
}

void PlaybackSession::replaceChannels(const QList<CatalogueEntry> &rows)
{
    const int playing = playingRow();
    const int followed = playing >= 0 ? playing : m_chosen;
    const QString address
        = followed >= 0 && followed < channelCount() ? m_channels.at(followed).address : QString();
    m_channels = rows;
    publishRequestHeaders();
    int row = int(rows.size());
    for (int i = 0; !address.isEmpty() && i < rows.size(); ++i) {
        if (rows.at(i).address == address) {
            row = i;
            break;
        }
    }
    qCDebug(lcCatalogue) << "channels edited:" << rows.size() << "- the chosen row is now" << row;
    emit channelsChanged();
    setChosen(row);
}

int PlaybackSession::playingRow() const
{
    const QString url = m_engine->URL();
    if (m_chosen >= 0 && m_chosen < channelCount() && m_channels.at(m_chosen).address == url)
        return m_chosen;
    for (int i = 0; i < channelCount(); ++i)
        if (m_channels.at(i).address == url)
            return i;
    return -1;
}

void PlaybackSession::choose(int row)
{
    setChosen(row);
    if (row < 0 || row >= channelCount()) {
        qCDebug(lcCatalogue) << "no channel chosen: the empty item";
        emit channelChosen(row);
        return;
    }
    const CatalogueEntry &channel = m_channels.at(row);
    // Writing the address again would restart it and the listener would
    // hear a gap; a station that failed or was stopped is tried afresh.
    if (m_engine->URL() == channel.address && isActive()) {
        qCDebug(lcCatalogue) << "channel" << row + 1 << "chosen again while on the air:" << channel.address;
    } else {
        qCDebug(lcCatalogue) << "channel" << row + 1 << "chosen:" << channel.address;
        m_engine->setURL(channel.address);
    }
    emit channelChosen(row);
}

bool PlaybackSession::canGoNext() const
{
    return m_chosen + 1 < channelCount();
}

bool PlaybackSession::canGoPrevious() const
{
    return m_chosen >= 1 && m_chosen <= channelCount();
}

void PlaybackSession::next()
{
    if (canGoNext())
        choose(m_chosen + 1);
}

void PlaybackSession::previous()
{
    if (canGoPrevious())
        choose(m_chosen - 1);
}

void PlaybackSession::play()
{
    // Asking the engine to play what it already plays would restart it.
    if (isActive())
        return;
    m_engine->play();
}

void PlaybackSession::pause()
{
    const Engine::Status s = status();
    if (s == Engine::Status::Connecting || s == Engine::Status::Reconnecting)
        m_engine->stop();
    else if (isActive())
        m_engine->pause();
}

void PlaybackSession::playPause()
{
    if (isActive())
        pause();
    else
        play();
}

void PlaybackSession::stop()
{
    m_engine->stop();
}

void PlaybackSession::setVolume(int volume)
{
    m_engine->setVolume(volume);
}

void PlaybackSession::setMuted(bool muted)
{
    m_engine->setMuted(muted);
}

Engine::Status PlaybackSession::status() const
{
    return m_engine->status();
}
Engine::Reason PlaybackSession::reason() const
{
    return m_engine->reason();
}
QString PlaybackSession::nowPlaying() const
{
    return m_engine->nowPlaying();
}
int PlaybackSession::volume() const
{
    return m_engine->volume();
}
bool PlaybackSession::muted() const
{
    return m_engine->muted();
}
QString PlaybackSession::address() const
{
    return m_engine->URL();
}

void PlaybackSession::publishRequestHeaders()
{
    RequestHeaderTable table;
    for (const CatalogueEntry &row : std::as_const(m_channels))
        if (!row.userAgent.isEmpty() || !row.referrer.isEmpty())
            table.insert(row.address, {row.userAgent, row.referrer});
    m_engine->setRequestHeaders(table);
}

void PlaybackSession::setChosen(int row)
{
    if (row == m_chosen)
        return;
    m_chosen = row;
    emit chosenRowChanged(row);
}
