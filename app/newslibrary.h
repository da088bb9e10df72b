#pragma once

#include "news/newsmodule.h"

#include <QObject>
#include <QString>

class QLibrary;
class QThread;

// The news browser's module, loaded off the user-interface thread once the
// main window is up: mapping the web engine's libraries is most of what a
// start would otherwise wait for. The module stays loaded until the process
// ends.
class NewsLibrary : public QObject
{
    Q_OBJECT

public:
    explicit NewsLibrary(const QString &path, QObject *parent = nullptr);
    ~NewsLibrary() override;

    // The module as installed and as built: beside the program.
    static QString besideProgram();

    // Returns at once; loaded() or failed() follows on this object's thread.
    void load();

signals:
    void loaded(BreloNewsWindowEntry makeWindow);
    void failed(const QString &reason);

private:
    void finish(bool ok);

    QLibrary *m_library;
    QThread *m_thread = nullptr;
};
