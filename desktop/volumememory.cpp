#include "desktop/volumememory.h"

#include "media/playbacksession.h"
#include "platform/logging.h"

#include <QCoreApplication>

namespace {

const QString kVolume = QStringLiteral("sound/volume");
const QString kMuted = QStringLiteral("sound/muted");
constexpr int kQuietMs = 500;

}  // namespace

VolumeMemory::VolumeMemory(PlaybackSession *engine)
    : QObject(engine), m_settings(QSettings::NativeFormat, QSettings::UserScope,
                                  QStringLiteral("breloplayer"), QStringLiteral("breloplayer"))
{
    bool ok = false;
    const int volume = m_settings.value(kVolume).toInt(&ok);
    // A hand-edited file may hold anything: only a level the engine takes counts.
    if (ok && volume >= 0 && volume <= 100)
        engine->setVolume(volume);
    const QVariant muted = m_settings.value(kMuted);
    if (muted.isValid() && muted.canConvert<bool>())
        engine->setMuted(muted.toBool());
    m_volume = engine->volume();
    m_muted = engine->muted();
    qCDebug(lcDesktop) << "sound at start: volume" << m_volume << "muted" << m_muted;

    m_quiet.setSingleShot(true);
    m_quiet.setInterval(kQuietMs);
    connect(&m_quiet, &QTimer::timeout, this, &VolumeMemory::flush);
    connect(engine, &PlaybackSession::volumeChanged, this, [this](int volume) {
        m_volume = volume;
        m_quiet.start();
    });
    connect(engine, &PlaybackSession::mutedChanged, this, [this](bool muted) {
        m_muted = muted;
        m_quiet.start();
    });
    // The exit command ends the program without destroying its windows.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        if (m_quiet.isActive())
            flush();
    });
}

VolumeMemory::~VolumeMemory()
{
    if (m_quiet.isActive())
        flush();
}

void VolumeMemory::flush()
{
    m_quiet.stop();
    m_settings.setValue(kVolume, m_volume);
    m_settings.setValue(kMuted, m_muted);
    m_settings.sync();
    qCDebug(lcDesktop) << "sound remembered: volume" << m_volume << "muted" << m_muted;
}
