#include "support/sniwatcherprocess.h"

#include <csignal>
#include <sys/prctl.h>

SniWatcherProcess::SniWatcherProcess(const QString &busAddress)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
    m_process.setProcessEnvironment(env);
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_process.start(qEnvironmentVariable("BRELO_SNIWATCHER"), {});
    if (m_process.waitForStarted(5000))
        while (!m_process.canReadLine() && m_process.waitForReadyRead(5000)) { }
    m_ready = m_process.readLine().trimmed() == "ready";
}

SniWatcherProcess::~SniWatcherProcess()
{
    ::kill(pid_t(m_process.processId()), SIGCONT);
    m_process.kill();
    m_process.waitForFinished(3000);
}

void SniWatcherProcess::hang()
{
    ::kill(pid_t(m_process.processId()), SIGSTOP);
}

QStringList SniWatcherProcess::registeredItems()
{
    m_process.waitForReadyRead(1000);
    const QList<QByteArray> lines = m_process.readAllStandardOutput().split('\n');
    for (const QByteArray &line : lines)
        if (line.startsWith("item "))
            m_items << QString::fromUtf8(line.mid(5));
    return m_items;
}
