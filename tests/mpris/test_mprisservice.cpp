// The service on a private session bus, read by a client connection of the
// test's own; and a bus that is absent or silent, which must never hold up
// the user-interface thread.
#include "app/desktopbinding.h"
#include "catalogue/channelcatalogue.h"
#include "desktop/busprobe.h"
#include "desktop/desktopcontrols.h"
#include "desktop/mprisservice.h"
#include "media/mediaengine.h"
#include "player/principal.h"
#include "support/sessionbus.h"
#include "support/testsupport.h"

#include <QComboBox>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// A blocking probe or connect would hold the loop for the probe's seconds;
// a loaded two-core machine alone delays a timer by tens of milliseconds.
constexpr qint64 kStallMs = 250;

// The longest the event loop went without running a 5 ms timer while
// `until` was false.
qint64 longestStall(const std::function<bool()> &until, int msTimeout)
{
    QElapsedTimer total, gap;
    total.start();
    gap.start();
    qint64 longest = 0;
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] { longest = qMax(longest, gap.restart()); });
    tick.start();
    while (!until() && total.elapsed() < msTimeout)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return longest;
}

}  // namespace

class TestMprisService : public QObject
{
    Q_OBJECT

    TFormPrincipal *w = nullptr;
    DesktopControls *controls = nullptr;

    MprisService *newService() { return new MprisService(controls, controls); }

private slots:
    void initTestCase()
    {
        TestSupport::quietEngines();
        w = new TFormPrincipal;
        w->FormCreate();
        controls = bindDesktopControls(w);
    }

    void cleanupTestCase() { delete w; }

    void findsTheSessionBusWithoutStartingOne()
    {
        QTemporaryDir runtime;
        QCOMPARE(BusProbe::sessionAddress(QStringLiteral("unix:path=/x"), runtime.path()),
                 QStringLiteral("unix:path=/x"));
        // No variable and no socket: no bus, and none autolaunched.
        QCOMPARE(BusProbe::sessionAddress(QString(), runtime.path()), QString());
        QCOMPARE(BusProbe::sessionAddress(QString(), QString()), QString());
        QFile socket(runtime.filePath(QStringLiteral("bus")));
        QVERIFY(socket.open(QIODevice::WriteOnly));
        QCOMPARE(BusProbe::sessionAddress(QString(), runtime.path()),
                 QStringLiteral("unix:path=") + runtime.filePath(QStringLiteral("bus")));
    }

    void probeTellsAnsweringFromSilent()
    {
        SessionBus bus;
        QVERIFY(bus.isRunning());
        QVERIFY2(BusProbe::answers(bus.address(), 3000), qPrintable(bus.address()));

        SilentBus silent;
        QVERIFY(silent.isListening());
        QElapsedTimer t;
        t.start();
        QVERIFY(!BusProbe::answers(silent.address(), 400));
        QVERIFY(t.elapsed() >= 350);
        QVERIFY(t.elapsed() < 2000);

        QVERIFY(!BusProbe::answers(QStringLiteral("unix:path=/nonexistent/bus"), 1000));
        // A later entry is not tried once the first names a socket.
        QVERIFY(!BusProbe::answers(QStringLiteral("unix:path=/nonexistent/bus;") + bus.address(), 1000));
        // Transports it cannot reach itself are left to libdbus.
        QVERIFY(BusProbe::answers(QStringLiteral("tcp:host=127.0.0.1,port=1"), 1000));
    }

    void startUpCheckSilencesAMuteBus()
    {
        const QByteArray saved = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        SessionBus bus;
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());
        QVERIFY(SessionBusCheck(2000).settle());
        QCOMPARE(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), bus.address());

        SilentBus silent;
        qputenv("DBUS_SESSION_BUS_ADDRESS", silent.address().toUtf8());
        QElapsedTimer t;
        t.start();
        SessionBusCheck check(500);
        QVERIFY(!check.settle());
        QVERIFY(t.elapsed() < 2000);
        // Qt and libdbus now fail at once instead of waiting for an answer.
        QCOMPARE(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"),
                 QString::fromLatin1(SessionBusCheck::kSilenced));
        QCOMPARE(BusProbe::sessionAddress(), QString());
        t.restart();
        QVERIFY(!QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("after"))
                     .isConnected());
        QVERIFY(t.elapsed() < 1000);
        qputenv("DBUS_SESSION_BUS_ADDRESS", saved);
    }

    void noBusSaysSoAtOnce()
    {
        MprisService *service = newService();
        QSignalSpy unavailable(service, &MprisService::unavailable);
        service->start(QString());
        QCOMPARE(unavailable.count(), 1);
        QVERIFY(!service->isRegistered());
        delete service;
    }

    void silentBusNeverHoldsTheEventLoop()
    {
        SilentBus silent;
        MprisService *service = newService();
        QSignalSpy unavailable(service, &MprisService::unavailable);
        QElapsedTimer t;
        t.start();
        service->start(silent.address());
        const qint64 stall = longestStall([&] { return !unavailable.isEmpty(); }, 10000);
        QCOMPARE(unavailable.count(), 1);
        QVERIFY2(stall < kStallMs, qPrintable(QString::number(stall)));
        // Given up after the probe's time, not libdbus's 25 seconds.
        QVERIFY(t.elapsed() >= MprisService::kProbeTimeoutMs - 100);
        QVERIFY(t.elapsed() < MprisService::kProbeTimeoutMs + 3000);
        QVERIFY(!service->isRegistered());
        delete service;
    }

    void servesThePlayerOnTheBus()
    {
        SessionBus bus;
        QVERIFY(bus.isRunning());
        MprisService *service = newService();
        QSignalSpy registered(service, &MprisService::registered);
        service->start(bus.address());
        const qint64 stall = longestStall([&] { return !registered.isEmpty(); }, 10000);
        QCOMPARE(registered.count(), 1);
        QVERIFY2(stall < kStallMs, qPrintable(QString::number(stall)));

        QDBusConnection client = QDBusConnection::connectToBus(bus.address(), QStringLiteral("client"));
        QVERIFY(client.isConnected());
        const QString name = QString::fromLatin1(MprisService::kServiceName);
        const QString path = QString::fromLatin1(MprisService::kObjectPath);
        const QString rootIface = QStringLiteral("org.mpris.MediaPlayer2");
        const QString playerIface = QStringLiteral("org.mpris.MediaPlayer2.Player");
        // The service answers on this very thread: the client never blocks.
        auto call = [&](const QString &iface, const QString &method, const QVariantList &args = {}) {
            QDBusMessage m = QDBusMessage::createMethodCall(name, path, iface, method);
            m.setArguments(args);
            QDBusPendingCall pending = client.asyncCall(m, 5000);
            if (!QTest::qWaitFor([&] { return pending.isFinished(); }, 6000))
                return QDBusMessage();
            return pending.reply();
        };
        const QString properties = QStringLiteral("org.freedesktop.DBus.Properties");
        auto getAll = [&](const QString &iface) {
            const QDBusMessage reply = call(properties, QStringLiteral("GetAll"), {iface});
            return reply.type() == QDBusMessage::ReplyMessage
                ? qdbus_cast<QVariantMap>(reply.arguments().value(0))
                : QVariantMap();
        };

        // Every property of both interfaces, as a desktop reads them on
        // sight; no Fullscreen.
        const QVariantMap root = getAll(rootIface);
        QCOMPARE(root.value("Identity").toString(), QStringLiteral("Brelo Player"));
        QCOMPARE(root.value("DesktopEntry").toString(), QStringLiteral("breloplayer"));
        QCOMPARE(root.value("CanRaise").toBool(), true);
        QCOMPARE(root.value("CanQuit").toBool(), true);
        QCOMPARE(root.value("HasTrackList").toBool(), false);
        QVERIFY(root.contains(QStringLiteral("SupportedUriSchemes")));
        QVERIFY(!root.contains(QStringLiteral("Fullscreen")));
        const QVariantMap player = getAll(playerIface);
        QCOMPARE(player.value("PlaybackStatus").toString(), controls->playbackStatus());
        QCOMPARE(player.value("CanSeek").toBool(), false);
        QCOMPARE(player.value("CanGoPrevious").toBool(), false);
        QCOMPARE(player.value("CanGoNext").toBool(), true);
        QCOMPARE(player.value("Volume").toDouble(), 1.0);
        const QVariantMap meta = qdbus_cast<QVariantMap>(player.value("Metadata"));
        QCOMPARE(meta.value("xesam:title").toString(), QStringLiteral("TV Tambrel"));
        QCOMPARE(meta.value("mpris:trackid").value<QDBusObjectPath>().path(),
                 QStringLiteral("/org/example/breloplayer/channel/1"));

        // A change on the program's side reaches the client as
        // PropertiesChanged.
        QVERIFY(client.connect(name, path, properties, QStringLiteral("PropertiesChanged"), this,
                               SLOT(propertiesChanged(QString, QVariantMap, QStringList))));
        m_seen.clear();
        w->PlayerBrelo->setVolume(40);
        QTRY_VERIFY(!m_seen.isEmpty());
        QCOMPARE(m_seen.last().value("Volume").toDouble(), 0.4);

        // The client sets the volume and moves the list.
        call(properties, QStringLiteral("Set"),
             {playerIface, QStringLiteral("Volume"), QVariant::fromValue(QDBusVariant(0.25))});
        QTRY_COMPARE(w->PlayerBrelo->volume(), 25);
        m_seen.clear();
        QCOMPARE(call(playerIface, QStringLiteral("Next")).type(), QDBusMessage::ReplyMessage);
        QCOMPARE(w->BreloCombo->currentIndex(), 1);
        QTRY_VERIFY(std::any_of(m_seen.cbegin(), m_seen.cend(),
                                [](const QVariantMap &m) { return m.value("CanGoPrevious").toBool(); }));
        // Streams of other programs are not opened.
        QCOMPARE(call(playerIface, QStringLiteral("OpenUri"), {QStringLiteral("http://192.0.2.1/x")}).type(),
                 QDBusMessage::ErrorMessage);
        QCOMPARE(w->PlayerBrelo->URL(), ChannelCatalogue::rows().at(1).address);

        QDBusConnection::disconnectFromBus(QStringLiteral("client"));
        delete service;
    }

public slots:
    void propertiesChanged(const QString &, const QVariantMap &props, const QStringList &)
    {
        m_seen << props;
    }

private:
    QList<QVariantMap> m_seen;
};

QTEST_MAIN(TestMprisService)
#include "test_mprisservice.moc"
