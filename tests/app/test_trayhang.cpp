// The tray icon asks the desktop's StatusNotifierWatcher (over D-Bus)
// which kind of tray it has. That watcher is another program, and it may
// hang: the start-up must not wait for it. The session bus here is the
// test's own, and its watcher never answers a call.
#include "platform/trayicon.h"
#include "support/latenessprobe.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QSemaphore>
#include <QSystemTrayIcon>
#include <QTest>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

class Watcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
public:
    bool hostRegistered() const { return true; }
};

// Owns the watcher's name and object on a thread that stops serving them.
class HungWatcher : public QThread
{
public:
    explicit HungWatcher(QString address) : m_address(std::move(address)) { }
    QSemaphore registered;
    QSemaphore release;
    bool ok = false;

protected:
    void run() override
    {
        QDBusConnection bus = QDBusConnection::connectToBus(m_address, QStringLiteral("hung-watcher"));
        Watcher watcher;
        ok = bus.isConnected() && bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"))
            && bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                                  QDBusConnection::ExportAllProperties);
        registered.release();
        release.acquire();  // calls to the watcher queue up, unanswered
        QDBusConnection::disconnectFromBus(QStringLiteral("hung-watcher"));
    }

private:
    QString m_address;
};

}  // namespace

class TestTrayHang : public QObject
{
    Q_OBJECT

    std::unique_ptr<HungWatcher> watcher;

private slots:
    void initTestCase()
    {
        const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
        QVERIFY2(!address.isEmpty(), "no private session bus");
        watcher = std::make_unique<HungWatcher>(address);
        watcher->start();
        watcher->registered.acquire();
        QVERIFY(watcher->ok);
        QVERIFY(QDBusConnection::sessionBus().interface()->isServiceRegistered(
            QStringLiteral("org.kde.StatusNotifierWatcher")));
    }

    void cleanupTestCase()
    {
        if (watcher) {
            watcher->release.release();
            watcher->wait(5000);
        }
    }

    void creatingTheIconDoesNotWait()
    {
        QElapsedTimer clock;
        clock.start();
        TrayIcon icon(QIcon(), QStringLiteral("Player Brelo 1.6"));
        const qint64 took = clock.elapsed();
        QVERIFY2(took < 150, qPrintable(QStringLiteral("creating the icon took %1 ms").arg(took)));
        // Unanswered, the tray counts as the X11 one: a double click is one.
        QCOMPARE(TrayIcon::translate(QSystemTrayIcon::DoubleClick, icon.isStatusNotifier()),
                 int(QSystemTrayIcon::DoubleClick));

        // The loop keeps turning while the question stays open.
        LatenessProbe probe;
        probe.start();
        QTest::qWait(300);
        QVERIFY(probe.stop() < 50);
    }
};

int main(int argc, char **argv)
{
    // The bus must be there before Qt first looks for one.
    pid_t daemonPid = 0;
    if (FILE *out = ::popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r")) {
        char address[512] = {}, pid[32] = {};
        if (std::fgets(address, sizeof address, out) && std::fgets(pid, sizeof pid, out)) {
            address[std::strcspn(address, "\n")] = 0;
            ::setenv("DBUS_SESSION_BUS_ADDRESS", address, 1);
            daemonPid = pid_t(std::atoi(pid));
        }
        ::pclose(out);
    }
    int rc;
    {
        QApplication app(argc, argv);
        TestTrayHang test;
        rc = QTest::qExec(&test, argc, argv);
    }
    if (daemonPid > 0)
        ::kill(daemonPid, SIGTERM);
    return rc;
}
#include "test_trayhang.moc"
