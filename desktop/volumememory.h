#pragma once

#include <QObject>
#include <QSettings>
#include <QTimer>

class PlaybackSession;

// The listener's volume and mute, kept from one start to the next in the
// user's configuration folder (~/.config/breloplayer/breloplayer.conf).
// Until the listener changes either, the engine's stored state decides.
class VolumeMemory : public QObject
{
    Q_OBJECT
public:
    // Gives the model's engine the remembered values, then follows its
    // changes. A child of the model.
    explicit VolumeMemory(PlaybackSession *engine);
    ~VolumeMemory() override;

    // Writes what is pending now instead of after the quiet interval.
    void flush();

private:
    QSettings m_settings;
    // The engine's values as last reported: the engine may be gone by the
    // time they are written.
    int m_volume;
    bool m_muted;
    // A dragged slider changes the volume many times a second; the file is
    // written once the hand rests.
    QTimer m_quiet;
};
