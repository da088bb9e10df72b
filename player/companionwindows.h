#pragma once

class QDialog;

// The windows the main window's menu opens besides itself. The program
// creates them after the main window, so the main window is handed this
// directory when it is built and asks it only when a command runs.
class CompanionWindows
{
public:
    virtual ~CompanionWindows() = default;
    virtual QDialog *newsWindow() const = 0;
    // The news window does not exist yet but is on its way; the main window
    // is told when it arrives (TFormPrincipal::NewsWindowArrived).
    virtual bool newsWindowComing() const { return false; }
    virtual QDialog *aboutWindow() const = 0;
    // The Canais window, made when first asked for; none without the program.
    virtual QDialog *channelsWindow() const { return nullptr; }
};
