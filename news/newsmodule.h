#pragma once

class QDialog;
class QWidget;

// The news browser module's one entry point, looked up by this name once the
// module is loaded. Makes the news window, hidden, its first site loading;
// call it on the user-interface thread.
#define BRELO_NEWS_WINDOW_ENTRY "breloCreateNewsWindow"
using BreloNewsWindowEntry = QDialog *(*)(QWidget *parent);

extern "C" __attribute__((visibility("default"))) QDialog *breloCreateNewsWindow(QWidget *parent);
