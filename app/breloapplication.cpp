#include "app/breloapplication.h"

#include "platform/errors.h"

BreloApplication::BreloApplication(int &argc, char **argv) : QApplication(argc, argv) { }

bool BreloApplication::notify(QObject *receiver, QEvent *event)
{
    bool handled = false;
    Errors::guarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}
