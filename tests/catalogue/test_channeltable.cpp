#include "catalogue/channelcatalogue.h"
#include "catalogue/channeltable.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The build step that turns a channel table into the program's list: a
// table with awkward texts comes out unchanged (this test is built from
// escapes.tsv), and a malformed one stops the build naming file, line and
// fault.
class TestChannelTable : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    struct Run {
        int exitCode = -1;
        QString errors;
        bool wroteSource = false;
    };

    Run generate(const QByteArray &table)
    {
        const QString in = dir.filePath(QStringLiteral("channels.tsv"));
        const QString out = dir.filePath(QStringLiteral("table.cpp"));
        QFile::remove(out);
        QFile f(in);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(table) != table.size())
            return {};
        f.close();
        QProcess tool;
        tool.start(QStringLiteral(BRELO_CHANNELTABLEGEN), {in, out});
        if (!tool.waitForFinished(30000))
            return {};
        return {tool.exitCode(), QString::fromUtf8(tool.readAllStandardError()), QFile::exists(out)};
    }

    static QByteArray rows(int count)
    {
        QByteArray t;
        for (int i = 1; i <= count; ++i)
            t += "Canal " + QByteArray::number(i) + "\thttp://tv.example/" + QByteArray::number(i) + "\n";
        return t;
    }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void awkwardTextsSurvive()
    {
        const QList<CatalogueEntry> expected = {
            {QStringLiteral("Aspas \"duplas\" e barra \\ invertida"),
             QStringLiteral("http://a.example/x?q=\"1\"")},
            {QStringLiteral("KRVN TV \u2014 S\u00e3o Jo\u00e3o"),
             QStringLiteral("mms://b.example:1755/\u00e7")},
            {QStringLiteral("R\u00e1dio \U0001F4FB Estrela"), QStringLiteral("rtsp://192.0.2.7/live")},
            {QStringLiteral("\?\?=tr\u00edgrafo\?\?/"), QStringLiteral("https://c.example/a\\b")},
        };
        const QList<CatalogueEntry> &compiled = ChannelCatalogue::rows();
        QCOMPARE(compiled.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            QCOMPARE(compiled.at(i).text, expected.at(i).text);
            QCOMPARE(compiled.at(i).address, expected.at(i).address);
        }
    }

    void soundTablesBuild_data()
    {
        QTest::addColumn<QByteArray>("table");
        QTest::newRow("500 rows, the most allowed") << rows(500);
        QTest::newRow("CRLF line ends") << QByteArray("A\thttp://a.example/\r\nB\tmms://b.example/x\r\n");
        QTest::newRow("comments and blank lines")
            << QByteArray("# heading\n\nA\thttp://a.example/\n   \n# end\n");
        QTest::newRow("every network scheme")
            << QByteArray("A\thttp://a.example/\nB\thttps://a.example/\nC\tmms://a.example/\n"
                          "D\tmmsh://a.example/\nE\trtsp://a.example/\nF\trtmp://a.example/live\n");
    }

    void soundTablesBuild()
    {
        QFETCH(QByteArray, table);
        const Run run = generate(table);
        QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
        QVERIFY(run.wroteSource);
    }

    void malformedTablesStopTheBuild_data()
    {
        QTest::addColumn<QByteArray>("table");
        QTest::addColumn<QString>("where");  // ":<line>" or empty
        QTest::addColumn<QString>("fault");

        const QByteArray ok = "A\thttp://a.example/\n";
        QTest::newRow("three columns")
            << ok + "B\thttp://b.example/\textra\n"
            << ":2"
            << "expected 2 columns (display text, address) separated by one tab, found 3";
        QTest::newRow("spaces for the tab") << ok + "B    http://b.example/\n"
                                            << ":2"
                                            << "expected 2 columns (display text, address) separated by "
                                               "one tab, found 1";
        QTest::newRow("empty text") << ok + "\thttp://b.example/\n"
                                    << ":2"
                                    << "empty display text";
        QTest::newRow("duplicate text") << ok + "B\thttp://b.example/\nA\thttp://c.example/\n"
                                        << ":3"
                                        << "display text \"A\" is already on line 1";
        QTest::newRow("file scheme")
            << ok + "B\tfile:///home/ana/musica.mp3\n"
            << ":2"
            << "\"file:///home/ana/musica.mp3\" is not a network address (http, https, "
               "mms, mmsh, rtsp, rtmp)";
        QTest::newRow("local path") << ok + "B\t/srv/radio.mp3\n"
                                    << ":2"
                                    << "\"/srv/radio.mp3\" is not a network address";
        QTest::newRow("capture device") << ok + "B\tv4l2:///dev/video0\n"
                                        << ":2"
                                        << "\"v4l2:///dev/video0\" is not a network address";
        QTest::newRow("scheme without host") << ok + "B\thttp:///aovivo\n"
                                             << ":2"
                                             << "\"http:///aovivo\" is not a network address";
        QTest::newRow("blank after the text") << ok + "B \thttp://b.example/\n"
                                              << ":2"
                                              << "blank at the start or end of a column";
        QTest::newRow("control character") << ok + "B\x1b[31m\thttp://b.example/\n"
                                           << ":2"
                                           << "control character in the display text";
        QTest::newRow("501 rows") << rows(501) << ":501"
                                  << "more than 500 channels";
        QTest::newRow("only comments") << QByteArray("# nothing yet\n\n") << ""
                                       << "no channel";
        QTest::newRow("Latin-1 text") << QByteArray("R\xe1") + "dio\thttp://a.example/\n"
                                      << ""
                                      << "not UTF-8 text";
    }

    void malformedTablesStopTheBuild()
    {
        QFETCH(QByteArray, table);
        QFETCH(QString, where);
        QFETCH(QString, fault);
        const Run run = generate(table);
        QCOMPARE(run.exitCode, 1);
        QVERIFY(!run.wroteSource);
        const QString expected = dir.filePath(QStringLiteral("channels.tsv")) + where
            + QStringLiteral(": error: channel table: ") + fault;
        QVERIFY2(run.errors.startsWith(expected), qPrintable(run.errors));
    }

    void missingTableStopsTheBuild()
    {
        QProcess tool;
        tool.start(QStringLiteral(BRELO_CHANNELTABLEGEN),
                   {dir.filePath(QStringLiteral("absent.tsv")), dir.filePath(QStringLiteral("out.cpp"))});
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitCode(), 1);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("out.cpp"))));
    }
};

QTEST_GUILESS_MAIN(TestChannelTable)
#include "test_channeltable.moc"
