#include "app/windows.h"

#include "about/formsobre.h"
#include "catalogue/channelstore.h"
#include "catalogue/listenerlistloader.h"
#include "channels/formcanais.h"
#include "desktop/volumememory.h"
#include "media/engineservice.h"
#include "media/playbacksession.h"
#include "platform/logging.h"
#include "player/principal.h"

#include <QDialog>
#include <QNetworkAccessManager>

// The windows and the engine live until the process ends: the engine may
// be left holding a hung library call at exit, which only the process's end
// releases.
ProgramWindows::~ProgramWindows() = default;

void ProgramWindows::create()
{
    createMain();
    createAbout();
}

void ProgramWindows::createMain()
{
    // The listener's channel list is read while the main window is built, so
    // it is usually in by the time the window wants its row 1.
    auto *channels = new ListenerListLoader;
    // The engine's thread starts loading the playing library now, so that a
    // library that cannot start is known at once.
    m_engine = new EngineService;
    m_session = new PlaybackSession(m_engine, m_engine);
    m_main = new TFormPrincipal(m_session, this);
    m_main->setChannelSource(channels);
    m_channelSource = channels;
    // The listener's own sound level, before the first channel starts.
    new VolumeMemory(m_session);
    m_main->FormCreate();
    qCDebug(lcApp) << "window created: main";
}

void ProgramWindows::createAbout()
{
    m_about = new Tfsobre(m_main);
    qCDebug(lcApp) << "window created: About";
}

void ProgramWindows::createNews(const NewsWindowMaker &make)
{
    if (m_news)
        return;
    m_news = make(m_main);
    m_newsComing = false;
    qCDebug(lcApp) << "window created: news";
    m_main->NewsWindowArrived();
}

void ProgramWindows::newsUnavailable()
{
    m_newsComing = false;
    if (m_main)
        m_main->NewsWindowArrived();
}

QDialog *ProgramWindows::newsWindow() const
{
    return m_news;
}

bool ProgramWindows::newsWindowComing() const
{
    return m_newsComing;
}

QDialog *ProgramWindows::aboutWindow() const
{
    return m_about;
}

QDialog *ProgramWindows::channelsWindow() const
{
    if (!m_channels && m_main) {
        auto *store = new ChannelStore(m_channelSource ? m_channelSource->loaded() : ListenerList::Loaded(),
                                       ListenerList::writablePath());
        auto *network = new QNetworkAccessManager;
        m_channels = new TFormCanais(m_session, store, network, m_main);
        store->setParent(m_channels);
        network->setParent(m_channels);
        qCDebug(lcApp) << "window created: Canais";
    }
    return m_channels;
}
