#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// A StatusNotifierWatcher on a test's private bus (support/sniwatcher, whose
// path the test finds in BRELO_SNIWATCHER), as a desktop's tray host runs
// one. Ended with the object, and with the test if the test dies.
class SniWatcherProcess
{
public:
    explicit SniWatcherProcess(const QString &busAddress);
    ~SniWatcherProcess();

    bool isReady() const { return m_ready; }
    // Owns the name and never answers again, as a hung tray host.
    void hang();
    // Every item that registered so far ("service" or "service/path"), in
    // order; waits up to a second for news.
    QStringList registeredItems();

private:
    QProcess m_process;
    QStringList m_items;
    bool m_ready = false;
};
