#pragma once

#include "player/companionwindows.h"

class TFormPrincipal;
class Tfsobre;
class TBrowseNoticia;

// The program's three windows, created once, hidden, in their order
// (main, About, news) and living until the process ends.
class ProgramWindows : public CompanionWindows
{
public:
    ProgramWindows() = default;
    ProgramWindows(const ProgramWindows &) = delete;
    ProgramWindows &operator=(const ProgramWindows &) = delete;
    ~ProgramWindows() override;

    void create();

    TFormPrincipal *main() const { return m_main; }
    Tfsobre *about() const { return m_about; }
    TBrowseNoticia *news() const { return m_news; }

    QDialog *newsWindow() const override;
    QDialog *aboutWindow() const override;

private:
    TFormPrincipal *m_main = nullptr;
    Tfsobre *m_about = nullptr;
    TBrowseNoticia *m_news = nullptr;
};
