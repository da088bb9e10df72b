#include "app/windows.h"

#include "about/formsobre.h"
#include "catalogue/listenerlistloader.h"
#include "desktop/volumememory.h"
#include "news/noticia.h"
#include "platform/logging.h"
#include "player/principal.h"

// The windows live until the process ends: the engine inside the main
// window may be left holding a hung library call at exit, which only the
// process's end releases.
ProgramWindows::~ProgramWindows() = default;

void ProgramWindows::create()
{
    // The listener's channel list is read while the main window is built, so
    // it is usually in by the time the window wants its row 1.
    auto *channels = new ListenerListLoader;
    m_main = new TFormPrincipal(this);
    m_main->setChannelSource(channels);
    // The listener's own sound level, before the first channel starts.
    new VolumeMemory(m_main->PlayerBrelo);
    m_main->FormCreate();
    m_about = new Tfsobre(m_main);
    m_news = new TBrowseNoticia(m_main);
    qCDebug(lcApp) << "windows created: main, About, news";
}

QDialog *ProgramWindows::newsWindow() const
{
    return m_news;
}

QDialog *ProgramWindows::aboutWindow() const
{
    return m_about;
}
