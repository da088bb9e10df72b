#pragma once

#include "player/companionwindows.h"

#include <functional>

class EngineService;
class PlaybackSession;
class QWidget;
class TFormPrincipal;
class Tfsobre;
class ListenerListLoader;

// The program's three windows, created once, hidden, in their order (main,
// About, news) and living until the process ends. The news window comes a
// moment after the others: its library is loaded once the main window shows.
class ProgramWindows : public CompanionWindows
{
public:
    using NewsWindowMaker = std::function<QDialog *(QWidget *parent)>;

    ProgramWindows() = default;
    ProgramWindows(const ProgramWindows &) = delete;
    ProgramWindows &operator=(const ProgramWindows &) = delete;
    ~ProgramWindows() override;

    // The main and About windows.
    void create();
    // The same in two steps: the About window is made once the main window
    // shows, which then appears sooner.
    void createMain();
    void createAbout();
    // The news window, made now; a request for it that came while it was
    // on its way is answered.
    void createNews(const NewsWindowMaker &make);
    // The news window will not come.
    void newsUnavailable();

    TFormPrincipal *main() const { return m_main; }
    // The playback model beneath the windows, made with the main window.
    PlaybackSession *session() const { return m_session; }
    EngineService *engine() const { return m_engine; }
    Tfsobre *about() const { return m_about; }

    QDialog *newsWindow() const override;
    bool newsWindowComing() const override;
    QDialog *aboutWindow() const override;
    QDialog *channelsWindow() const override;

private:
    EngineService *m_engine = nullptr;
    PlaybackSession *m_session = nullptr;
    TFormPrincipal *m_main = nullptr;
    Tfsobre *m_about = nullptr;
    QDialog *m_news = nullptr;
    bool m_newsComing = true;
    ListenerListLoader *m_channelSource = nullptr;
    // Made when first asked for: most runs never open it.
    mutable QDialog *m_channels = nullptr;
};
