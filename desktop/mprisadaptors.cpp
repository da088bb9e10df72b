#include "desktop/mprisadaptors.h"

#include "desktop/desktopcontrols.h"
#include "platform/appicon.h"

void MprisObject::refuseCall(QDBusError::ErrorType type, const QString &message)
{
    if (calledFromDBus())
        sendErrorReply(type, message);
}

MprisRootAdaptor::MprisRootAdaptor(MprisObject *object, DesktopControls *controls)
    : QDBusAbstractAdaptor(object), m_controls(controls)
{ }

QString MprisRootAdaptor::identity() const
{
    return QStringLiteral("Brelo Player");
}

QString MprisRootAdaptor::desktopEntry() const
{
    return AppIcon::themeName();
}

void MprisRootAdaptor::Raise()
{
    m_controls->raise();
}

void MprisRootAdaptor::Quit()
{
    m_controls->quit();
}

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisObject *object, DesktopControls *controls)
    : QDBusAbstractAdaptor(object), m_object(object), m_controls(controls)
{ }

QString MprisPlayerAdaptor::playbackStatus() const
{
    return m_controls->playbackStatus();
}

QVariantMap MprisPlayerAdaptor::metadata() const
{
    return m_controls->metadata();
}

double MprisPlayerAdaptor::volume() const
{
    return m_controls->volume();
}

void MprisPlayerAdaptor::setVolume(double volume)
{
    m_controls->setVolume(volume);
}

bool MprisPlayerAdaptor::canGoNext() const
{
    return m_controls->canGoNext();
}

bool MprisPlayerAdaptor::canGoPrevious() const
{
    return m_controls->canGoPrevious();
}

void MprisPlayerAdaptor::Next()
{
    m_controls->next();
}

void MprisPlayerAdaptor::Previous()
{
    m_controls->previous();
}

void MprisPlayerAdaptor::Pause()
{
    m_controls->pause();
}

void MprisPlayerAdaptor::PlayPause()
{
    m_controls->playPause();
}

void MprisPlayerAdaptor::Stop()
{
    m_controls->stop();
}

void MprisPlayerAdaptor::Play()
{
    m_controls->play();
}

// A live stream has no place to go to.
void MprisPlayerAdaptor::Seek(qlonglong) { }

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath &, qlonglong) { }

void MprisPlayerAdaptor::OpenUri(const QString &)
{
    // The channel list is the only way to choose a stream.
    m_object->refuseCall(QDBusError::NotSupported,
                         QStringLiteral("Brelo Player opens only its own channels"));
}
