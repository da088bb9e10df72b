#pragma once

#include <QLocalServer>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A private session bus for one test: `dbus-daemon --session` listening in
// a folder of its own, ended with the object.
class SessionBus
{
public:
    SessionBus();
    ~SessionBus();

    // Whether the daemon started and told its address.
    bool isRunning() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
};

// A bus that takes connections and never says a word, as a hung
// dbus-daemon would.
class SilentBus
{
public:
    SilentBus();

    bool isListening() const { return m_server.isListening(); }
    QString address() const { return QStringLiteral("unix:path=") + m_server.fullServerName(); }

private:
    QTemporaryDir m_dir;
    QLocalServer m_server;
};
