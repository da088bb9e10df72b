#pragma once

#include <QString>

#include <chrono>
#include <future>

// Finds the session bus without starting one, and tells a bus that answers
// from one that only accepts. libdbus would wait 25 seconds for a silent bus
// and autolaunch a private one where there is none; neither is any use to a
// desktop's media controls.
namespace BusProbe {

// The session bus's address as the desktop publishes it
// (DBUS_SESSION_BUS_ADDRESS, else $XDG_RUNTIME_DIR/bus when that socket
// exists); empty when there is no bus. The second form takes the two
// variables' values instead of reading the environment.
QString sessionAddress();
QString sessionAddress(const QString &envAddress, const QString &runtimeDir);

// Whether the bus at `address` answers the opening of the D-Bus handshake
// within `timeoutMs`. Addresses of a transport it cannot reach itself (tcp,
// launchd, ...) count as answering and are left to libdbus. Blocks: call it
// off the user-interface thread.
bool answers(const QString &address, int timeoutMs);

}  // namespace BusProbe

// The session bus looked at while the program starts. Qt's accessibility
// bridge and tray icon join the bus on the user-interface thread, where a
// bus that accepts but never answers would hold the start for libdbus's 25
// seconds; this settles the question once, off that thread, before they ask.
class SessionBusCheck
{
public:
    // Starts probing the session bus on a thread of its own; returns at once.
    explicit SessionBusCheck(int timeoutMs = 2000);

    // Waits for the verdict, at most until the probe's own time runs out
    // (counted from construction). A bus that did not answer is replaced,
    // for this process and what it starts, by an address that fails at
    // once. Returns whether the bus answered (false also when there is none).
    bool settle();

    // The stand-in address of a silent bus; libdbus refuses it at once.
    static constexpr const char *kSilenced = "disabled:";

private:
    QString m_address;
    std::chrono::steady_clock::time_point m_deadline;
    std::shared_future<bool> m_answered;
};
