// Placeholder until the libVLC engine lands: keeps the written properties.
#include "media/mediaengine.h"
#include "app/errors.h"

namespace {
MediaEngine::Options &defaults()
{
    static MediaEngine::Options o;
    return o;
}
} // namespace

class MediaEngine::Private
{
public:
    QString url, uiMode = QStringLiteral("mini"), controlData;
    bool fullScreen = false;
};

void MediaEngine::setDefaultOptions(const Options &options) { defaults() = options; }
MediaEngine::Options MediaEngine::defaultOptions() { return defaults(); }

MediaEngine::MediaEngine(QWidget *parent) : QWidget(parent), d(std::make_unique<Private>()) {}
MediaEngine::~MediaEngine() = default;

void MediaEngine::setControlData(const QString &hex) { d->controlData = hex; }
QString MediaEngine::controlData() const { return d->controlData; }

void MediaEngine::setURL(const QString &url)
{
    d->url = url;
    emit propertyWritten(QStringLiteral("URL"), url);
}

void MediaEngine::setUiMode(const QString &mode)
{
    const QString m = mode.toLower();
    static const QStringList accepted = {"invisible", "none", "mini", "full", "custom"};
    if (!accepted.contains(m))
        throw ControlError(QStringLiteral("Valor inválido para uiMode: \"%1\"").arg(mode));
    d->uiMode = m;
    emit propertyWritten(QStringLiteral("uiMode"), mode);
}

void MediaEngine::setFullScreen(bool on)
{
    d->fullScreen = on;
    emit propertyWritten(QStringLiteral("fullScreen"), on);
}

QString MediaEngine::URL() const { return d->url; }
QString MediaEngine::uiMode() const { return d->uiMode; }
bool MediaEngine::fullScreen() const { return d->fullScreen; }
int MediaEngine::volume() const { return 100; }
bool MediaEngine::muted() const { return false; }
MediaEngine::Status MediaEngine::status() const { return Status::Idle; }
QString MediaEngine::statusText() const { return {}; }
void MediaEngine::shutdown(int) {}
