#pragma once

#include <QString>

#include <chrono>
#include <memory>

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
// bridge joins the bus on the user-interface thread as soon as a window
// exists, and a bus that accepts but never answers would hold it there for
// good; this settles the question once, off that thread, before it asks.
class SessionBusCheck
{
public:
    // Starts probing the session bus on a thread of its own; returns at once.
    explicit SessionBusCheck(int timeoutMs = 2000);
    ~SessionBusCheck();

    // Runs the event loop until the verdict is in, at most until the probe's
    // own time runs out (counted from construction): the thread keeps
    // answering meanwhile. A bus that did not answer is replaced, for this
    // process and what it starts, by an address that fails at once. Returns
    // whether the bus answered (false also when there is none). Needs the
    // application object.
    bool settle();

    // The stand-in address of a silent bus; libdbus refuses it at once.
    static constexpr const char *kSilenced = "disabled:";

private:
    struct Verdict;

    QString m_address;
    std::chrono::steady_clock::time_point m_deadline;
    std::shared_ptr<Verdict> m_verdict;
};
