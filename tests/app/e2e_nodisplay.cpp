#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

// The real program started where no X11 display can be reached: a Wayland
// session without XWayland, no session at all, a display that is gone. It
// must say in Portuguese what is missing and end with an error code,
// instead of Qt's abort about platform plugins.
class E2ENoDisplay : public QObject
{
    Q_OBJECT

    static QString binary() { return qEnvironmentVariable("BRELO_BINARY"); }

    // A display number no X server answers on here.
    static QString absentDisplay()
    {
        for (int n = 917; n < 1000; ++n) {
            if (!QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n))
                && !QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
                return QStringLiteral(":%1").arg(n);
        }
        return QString();
    }

private slots:
    void initTestCase() { QVERIFY2(QFile::exists(binary()), qPrintable(binary())); }

    void saysWhatIsMissing_data()
    {
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QStringList>("mustSay");
        const QStringList wayland{QStringLiteral("WAYLAND_DISPLAY=wayland-brelo-test")};
        QTest::newRow("wayland only") << wayland << QStringList{"XWayland", "xwayland", "DISPLAY"};
        QTest::newRow("wayland only, x11 asked for")
            << (wayland + QStringList{QStringLiteral("QT_QPA_PLATFORM=xcb")})
            << QStringList{"XWayland", "DISPLAY"};
        QTest::newRow("no session") << QStringList()
                                    << QStringList{"DISPLAY", "WAYLAND_DISPLAY", "sessão gráfica"};
        const QString gone = absentDisplay();
        QVERIFY(!gone.isEmpty());
        QTest::newRow("display gone") << QStringList{QStringLiteral("DISPLAY=") + gone}
                                      << QStringList{QStringLiteral("\"%1\"").arg(gone), "conectar"};
    }

    void saysWhatIsMissing()
    {
        QFETCH(QStringList, environment);
        QFETCH(QStringList, mustSay);
        QStringList env = QProcess::systemEnvironment().filter(
            QRegularExpression(QStringLiteral("^(?!(DISPLAY|WAYLAND_DISPLAY|QT_QPA_PLATFORM|XAUTHORITY)=)")));
        env += environment;
        QProcess p;
        p.setEnvironment(env);
        p.start(binary(), {});
        QVERIFY(p.waitForStarted());
        QVERIFY2(p.waitForFinished(10000), "the program did not end by itself");
        const QString err = QString::fromUtf8(p.readAllStandardError());
        // An abort would be a crash here, with a core dump on many desktops.
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 1);
        for (const QString &words : mustSay)
            QVERIFY2(err.contains(words),
                     qPrintable(QStringLiteral("missing \"%1\" in: %2").arg(words, err)));
        QVERIFY2(err.contains(QStringLiteral("Brelo Player")), qPrintable(err));
        QVERIFY2(!err.contains(QStringLiteral("plugin")), qPrintable(err));
        QVERIFY(p.readAllStandardOutput().isEmpty());
    }
};

QTEST_GUILESS_MAIN(E2ENoDisplay)
#include "e2e_nodisplay.moc"
