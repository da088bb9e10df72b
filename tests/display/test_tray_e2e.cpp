// The real program on desktops whose tray differs from the session's
// XEmbed tray: none at all (stock GNOME, weston), and a StatusNotifierItem
// host on the session bus (KDE Plasma, GNOME's AppIndicator extension).
// Whatever the desktop, the window must stay reachable; a second start
// brings it forward. Runs on a display of its own with openbox and no X11
// tray; figures are read from outside, with xprop/xdotool and D-Bus.
#include "display/owndisplay.h"
#include "display/xprobe.h"
#include "support/sessionbus.h"
#include "support/sniwatcherprocess.h"
#include "support/testsupport.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kTitle = QStringLiteral("^Brelo Player 1.6$");

QString xdotool(const QStringList &args)
{
    return XProbe::run(QStringLiteral("xdotool"), args);
}

QString hex(quint64 w)
{
    return QStringLiteral("0x%1").arg(w, 0, 16);
}

// The icon as the host sees it: the item's bus name and object path.
struct Item {
    QString service;
    QString path;
};

Item itemFrom(const QString &registered)
{
    // Qt registers its own bus name; other programs register "name/path".
    const qsizetype slash = registered.indexOf(u'/');
    if (slash < 0)
        return {registered, QStringLiteral("/StatusNotifierItem")};
    return {registered.left(slash), registered.mid(slash)};
}

}  // namespace

class TestTrayE2E : public QObject
{
    Q_OBJECT

    QTemporaryDir config;
    std::unique_ptr<QProcess> app;
    quint64 win = 0;

    std::unique_ptr<QProcess> start(const QString &busAddress)
    {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(qEnvironmentVariable("BRELO_PLAYER"), {});
        return p;
    }

    void startMain(const QString &busAddress)
    {
        app = start(busAddress);
        QVERIFY(app->waitForStarted());
        win = XProbe::waitForClientWindow(app->processId(), kTitle);
        QVERIFY(win != 0);
        // Let the window manager finish taking the window in, as a person
        // would before reaching for it.
        QTest::qWait(500);
    }

    bool inTaskbar() const { return XProbe::clientList().contains(win); }

    void close()
    {
        XProbe::run(QStringLiteral("wmctrl"), {QStringLiteral("-i"), QStringLiteral("-c"), hex(win)});
    }

    // The refused second start: its box shows, the running window comes
    // forward (wherever it was), and Enter closes the box.
    void secondStartBringsTheWindowForward(const QString &busAddress)
    {
        auto second = start(busAddress);
        QVERIFY(second->waitForStarted());
        QVERIFY(XProbe::waitFor([&] { return XProbe::isViewable(win) && XProbe::wmState(win) == 1; }, 15000));
        QVERIFY(inTaskbar());
        const quint64 box = XProbe::waitForClientWindow(second->processId(), QStringLiteral("^Atenção$"));
        QVERIFY(box != 0);
        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(box)});
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        QVERIFY(second->waitForFinished(10000));
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(app->state(), QProcess::Running);
    }

    // What the icon's tooltip says: the title of the item's ToolTip
    // property, (icon name, icon pixmaps, title, text).
    static QString toolTipTitle(QDBusConnection &bus, const Item &item)
    {
        QDBusMessage get = QDBusMessage::createMethodCall(item.service, item.path,
                                                          QStringLiteral("org.freedesktop.DBus.Properties"),
                                                          QStringLiteral("Get"));
        get << QStringLiteral("org.kde.StatusNotifierItem") << QStringLiteral("ToolTip");
        const QDBusMessage reply = bus.call(get, QDBus::Block, 5000);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return QStringLiteral("(no answer: %1)").arg(reply.errorMessage());
        const QDBusArgument tip
            = reply.arguments().first().value<QDBusVariant>().variant().value<QDBusArgument>();
        QString iconName, title, text;
        tip.beginStructure();
        tip >> iconName;
        tip.beginArray();
        while (!tip.atEnd()) {
            int width, height;
            QByteArray pixels;
            tip.beginStructure();
            tip >> width >> height >> pixels;
            tip.endStructure();
        }
        tip.endArray();
        tip >> title >> text;
        tip.endStructure();
        return title;
    }

    static bool call(QDBusConnection &bus, const Item &item, const QString &method)
    {
        QDBusMessage m = QDBusMessage::createMethodCall(item.service, item.path,
                                                        QStringLiteral("org.kde.StatusNotifierItem"), method);
        m << 900 << 700;
        return bus.call(m, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
    }

    // A viewable window of the program's whose top-right corner is at
    // `corner`: the context menu, which opens there (Qt gives its menus no
    // window type that tells them apart).
    quint64 menuAt(const QPoint &corner) const
    {
        for (const QString &id : xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                          QStringLiteral("--pid"), QString::number(app->processId())})
                                     .split(u'\n', Qt::SkipEmptyParts)) {
            const QRect r = XProbe::outerRect(id.toULongLong());
            if (id.toULongLong() != win && r.right() + 1 == corner.x() && r.top() == corner.y())
                return id.toULongLong();
        }
        return 0;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo::exists(qEnvironmentVariable("BRELO_PLAYER")), "BRELO_PLAYER");
        QVERIFY(config.isValid());
    }

    void cleanup()
    {
        if (app)
            TestSupport::endProgram(*app);
        app.reset();
        win = 0;
    }

    // No tray: a minimise request minimises (the taskbar keeps the window),
    // a close request minimises as well and the sound goes on, and a second
    // start brings the window back.
    void withoutTrayTheWindowStaysReachable()
    {
        SessionBus bus;
        QVERIFY(bus.isRunning());
        startMain(bus.address());

        xdotool({QStringLiteral("windowminimize"), QString::number(win)});
        QVERIFY(XProbe::waitFor([&] { return XProbe::wmState(win) == 3; }));
        QTest::qWait(500);
        QCOMPARE(XProbe::wmState(win), 3);
        QVERIFY(inTaskbar());

        XProbe::run(QStringLiteral("wmctrl"), {QStringLiteral("-i"), QStringLiteral("-a"), hex(win)});
        QVERIFY(XProbe::waitFor([&] { return XProbe::wmState(win) == 1 && XProbe::isViewable(win); }));

        close();
        QVERIFY(XProbe::waitFor([&] { return XProbe::wmState(win) == 3; }));
        QTest::qWait(500);
        QCOMPARE(XProbe::wmState(win), 3);
        QVERIFY(inTaskbar());
        QCOMPARE(app->state(), QProcess::Running);

        secondStartBringsTheWindowForward(bus.address());
    }

    // A StatusNotifierItem host: closing hides the window into an icon that
    // registers with the host, tells the program's tooltip, opens the menu
    // on the host's request and brings the window back on activation (and
    // goes away then).
    void statusNotifierTray()
    {
        SessionBus bus;
        QVERIFY(bus.isRunning());
        SniWatcherProcess watcher(bus.address());
        QVERIFY(watcher.isReady());
        startMain(bus.address());
        QDBusConnection host = QDBusConnection::connectToBus(bus.address(), QStringLiteral("tray-host"));
        QVERIFY(host.isConnected());

        close();
        QVERIFY(XProbe::waitFor([&] { return !XProbe::isViewable(win); }));
        QVERIFY(XProbe::waitFor([&] { return !watcher.registeredItems().isEmpty(); }, 10000));
        const Item item = itemFrom(watcher.registeredItems().last());
        QVERIFY(!inTaskbar());
        QCOMPARE(toolTipTitle(host, item), QStringLiteral("Player Brelo 1.6"));

        // The host asks for the menu where the pointer is.
        const QPoint pointer(700, 300);
        xdotool({QStringLiteral("mousemove"), QString::number(pointer.x()), QString::number(pointer.y())});
        QVERIFY(call(host, item, QStringLiteral("ContextMenu")));
        QVERIFY(XProbe::waitFor([&] { return menuAt(pointer) != 0; }));
        xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
        QVERIFY(XProbe::waitFor([&] { return menuAt(pointer) == 0; }));
        QVERIFY(!XProbe::isViewable(win));

        QVERIFY(call(host, item, QStringLiteral("Activate")));
        QVERIFY(XProbe::waitFor([&] { return XProbe::isViewable(win) && XProbe::wmState(win) == 1; }));
        QVERIFY(inTaskbar());
        QVERIFY(XProbe::waitFor([&] { return !host.interface()->isServiceRegistered(item.service); }));

        // Hidden into the icon again, and brought back by a second start.
        close();
        QVERIFY(XProbe::waitFor([&] { return !XProbe::isViewable(win); }));
        secondStartBringsTheWindowForward(bus.address());
        QDBusConnection::disconnectFromBus(QStringLiteral("tray-host"));
    }
};

int main(int argc, char **argv)
{
    return runOnOwnDisplay("1024x768x24", true, [&] {
        QCoreApplication app(argc, argv);
        TestTrayE2E test;
        return QTest::qExec(&test, argc, argv);
    });
}

#include "test_tray_e2e.moc"
