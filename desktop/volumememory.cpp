#include "desktop/volumememory.h"

#include "media/playbacksession.h"
#include "platform/logging.h"

#include <QCoreApplication>

#include <optional>

namespace {

const QString kVolume = QStringLiteral("sound/volume");
const QString kMuted = QStringLiteral("sound/muted");
constexpr int kQuietMs = 500;

// Only what this program writes counts: QVariant takes any other word
// ("sim", "no") for true, and a hand-edited file may hold anything.
std::optional<bool> storedFlag(const QVariant &value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    const QString text = value.toString().trimmed();
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    return std::nullopt;
}

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
    if (const std::optional<bool> muted = storedFlag(m_settings.value(kMuted)))
        engine->setMuted(*muted);
    else if (m_settings.contains(kMuted))
        qCDebug(lcDesktop) << "remembered mute ignored, not true or false:" << m_settings.value(kMuted);
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
    if (m_settings.status() != QSettings::NoError) {
        qCWarning(lcDesktop) << "sound could not be remembered in" << m_settings.fileName() << "status"
                             << m_settings.status();
        return;
    }
    qCDebug(lcDesktop) << "sound remembered: volume" << m_volume << "muted" << m_muted;
}
