#include "support/testsupport.h"

#include <QProcess>
#include <QTest>

// The real program as a screen reader meets it: its accessibility tree read
// over AT-SPI by atspi_tree.py (names, roles, states, the Tab path and the
// announced channel choice), on the buses tests/app/atspi_session.sh gives.
class E2EAtspi : public QObject
{
    Q_OBJECT

private slots:
    void treeAsAScreenReaderReadsIt()
    {
        QProcess player;
        player.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        player.start(qEnvironmentVariable("BRELO_BINARY"), {});
        QVERIFY2(player.waitForStarted(10000), qPrintable(player.errorString()));

        QProcess reader;
        reader.setProcessChannelMode(QProcess::MergedChannels);
        reader.start(QStringLiteral("/usr/bin/python3"),
                     {qEnvironmentVariable("BRELO_ATSPI_READER"), QString::number(player.processId())});
        const bool finished = reader.waitForFinished(40000);
        if (!finished)
            reader.kill();
        reader.waitForFinished(3000);
        const QByteArray said = reader.readAll();
        qInfo().noquote() << said;
        const bool playerAlive = player.state() == QProcess::Running;
        TestSupport::endProgram(player);

        QVERIFY2(finished, "the tree reader did not finish in 40 s");
        QVERIFY2(playerAlive, "the player ended while its tree was read");
        QCOMPARE(reader.exitStatus(), QProcess::NormalExit);
        QVERIFY2(reader.exitCode() == 0, said.constData());
    }
};

QTEST_GUILESS_MAIN(E2EAtspi)
#include "e2e_atspi.moc"
