#include "support/sessionbus.h"

#include <csignal>
#include <sys/prctl.h>

SessionBus::SessionBus()
{
    m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Ends with the test even when the test does not end cleanly.
    m_daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                    QStringLiteral("--address=unix:dir=") + m_dir.path(),
                    QStringLiteral("--print-address=1")});
    if (!m_daemon.waitForStarted(5000))
        return;
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(5000)) { }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
}

SessionBus::~SessionBus()
{
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(3000))
            m_daemon.kill();
        m_daemon.waitForFinished(3000);
    }
}

SilentBus::SilentBus()
{
    m_server.listen(m_dir.filePath(QStringLiteral("bus")));
}
