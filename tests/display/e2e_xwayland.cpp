// The real program in a Wayland session, through XWayland, under Debian's
// weston (headless): a compositor that publishes no frame extents and
// draws a frame with a wide shadow around X11 windows. Whatever frame Qt
// makes of that, the window keeps the room its layout needs, and it lies on
// the screen, in Normal and in Extended.
#include "display/xprobe.h"
#include "support/testsupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 1024;

// The client area the controls reach to: the list's right edge (20 + 143),
// the menu button's bottom (183 + 23); in Extended the update label's
// right edge (165 + 199) and the menu button's bottom (335 + 23).
const QSize kNormalLayout(163, 206);
const QSize kExtendedLayout(364, 358);

QRect clientRect(quint64 window)
{
    const QString info
        = XProbe::run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(window)});
    const auto field = [&](const char *label) {
        const QRegularExpression re(QRegularExpression::escape(QLatin1String(label))
                                    + QStringLiteral(":\\s*(-?\\d+)"));
        return re.match(info).captured(1).toInt();
    };
    if (info.isEmpty())
        return {};
    return QRect(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
                 field("Height"));
}

}  // namespace

class E2EXWayland : public QObject
{
    Q_OBJECT

    QTemporaryDir runtime;
    QProcess weston;
    QProcess player;
    quint64 window = 0;

    QString westonLog() const
    {
        QFile f(runtime.filePath(QStringLiteral("weston.log")));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    bool layoutFitsOnScreen(const QSize &layout)
    {
        const QRect screen(0, 0, kScreenWidth, kScreenHeight);
        QRect c;
        const bool ok = XProbe::waitFor([&] {
            c = clientRect(window);
            return c.width() >= layout.width() && c.height() >= layout.height() && screen.contains(c);
        });
        if (!ok)
            qWarning() << "client area" << c << "layout" << layout;
        return ok;
    }

private slots:
    void initTestCase()
    {
        const QString binary = qEnvironmentVariable("BRELO_PLAYER");
        QVERIFY2(QFile::exists(binary), qPrintable(binary));
        QVERIFY(runtime.isValid());
        QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        weston.setProcessEnvironment(env);
        weston.setStandardOutputFile(runtime.filePath(QStringLiteral("weston.log")));
        weston.setStandardErrorFile(runtime.filePath(QStringLiteral("weston.log")), QIODevice::Append);
        weston.start(QStringLiteral("weston"),
                     {QStringLiteral("--backend=headless-backend.so"), QStringLiteral("--xwayland"),
                      QStringLiteral("--socket=brelo-wayland"),
                      QStringLiteral("--width=%1").arg(kScreenWidth),
                      QStringLiteral("--height=%1").arg(kScreenHeight), QStringLiteral("--idle-time=0")});
        QVERIFY2(weston.waitForStarted(), "weston is not installed");
        static const QRegularExpression listening(QStringLiteral("xserver listening on display (:\\d+)"));
        QString display;
        QVERIFY2(XProbe::waitFor(
                     [&] {
                         display = listening.match(westonLog()).captured(1);
                         return !display.isEmpty();
                     },
                     10000),
                 qPrintable(westonLog()));

        // The X tools of the probe talk to XWayland from here on.
        qputenv("DISPLAY", display.toUtf8());
        env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("brelo-wayland"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), runtime.filePath(QStringLiteral("config")));
        player.setProcessEnvironment(env);
        player.setProcessChannelMode(QProcess::ForwardedChannels);
        player.start(binary, {});
        QVERIFY(player.waitForStarted());
        QVERIFY(XProbe::waitFor(
            [&] {
                const QString ids
                    = XProbe::run(QStringLiteral("xdotool"),
                                  {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                   QStringLiteral("--name"), QStringLiteral("^Brelo Player 1\\.6$")});
                window = ids.split(u'\n', Qt::SkipEmptyParts).value(0).toULongLong();
                return window != 0;
            },
            20000));
    }

    void cleanupTestCase()
    {
        TestSupport::endProgram(player);
        TestSupport::endProgram(weston);
    }

    void normalKeepsItsLayout()
    {
        // The compositor publishes no frame: nothing to be misled by here
        // but Qt's guess from the frame window.
        QVERIFY(!XProbe::run(
                     QStringLiteral("xprop"),
                     {QStringLiteral("-id"), QString::number(window), QStringLiteral("_NET_FRAME_EXTENTS")})
                     .contains(u'='));
        QVERIFY(XProbe::isViewable(window));
        QVERIFY(layoutFitsOnScreen(kNormalLayout));
    }

    void extendedKeepsItsLayout()
    {
        XProbe::run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QString::number(window)});
        XProbe::run(QStringLiteral("xdotool"),
                    {QStringLiteral("key"), QStringLiteral("--window"), QString::number(window),
                     QStringLiteral("ctrl+e")});
        QVERIFY(layoutFitsOnScreen(kExtendedLayout));
        XProbe::run(QStringLiteral("xdotool"),
                    {QStringLiteral("key"), QStringLiteral("--window"), QString::number(window),
                     QStringLiteral("ctrl+n")});
        QVERIFY(XProbe::waitFor([&] { return clientRect(window).width() < kExtendedLayout.width(); }));
        QVERIFY(layoutFitsOnScreen(kNormalLayout));
    }
};

QTEST_GUILESS_MAIN(E2EXWayland)
#include "e2e_xwayland.moc"
