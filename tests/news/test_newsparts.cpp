#include "news/newssitecatalogue.h"
#include "news/newsstatusbar.h"
#include "news/progressrule.h"
#include "news/statustexts.h"

#include <QDate>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QUrl>

// The parts of the news window that need no web engine: the site list, the
// progress rule, the date and time panels and the status bar's panels.
class TestNewsParts : public QObject
{
    Q_OBJECT

private slots:
    void catalogueTexts()
    {
        const QStringList expected = {"Tambrel Notícias",
                                      "Orvalia Destaques",
                                      "Bíblia Velmora On-Line",
                                      "Séries Bíblicas, Sermões e Audios Rede Quelvar",
                                      "Estudos Bíblicos download, Portal Ternes",
                                      "Blog Vestra",
                                      "Brelo Sermões/Livros",
                                      "Download Revistas KLD",
                                      "Meditações Tessel",
                                      "Livros Helvane",
                                      "Download pregações Portal Veldon",
                                      "Memória Ombrela Downloads",
                                      "O Marco Orvel"};
        const NewsSiteCatalogue sites;
        QCOMPARE(sites.size(), 13);
        for (int i = 0; i < 13; ++i)
            QCOMPARE(sites.at(i).text, expected.at(i));
    }

    void catalogueForms_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("pathPattern");
        QTest::newRow("1 news dir") << 1 << "^/[^/.]+/$";
        QTest::newRow("2 category") << 2 << "^/category/[^/.]+/$";
        QTest::newRow("3 root") << 3 << "^/$";
        QTest::newRow("4 root") << 4 << "^/$";
        QTest::newRow("5 two segments") << 5 << "^/[^/.]+/[^/.]+$";
        QTest::newRow("6 dir") << 6 << "^/[^/.]+/$";
        QTest::newRow("7 dir") << 7 << "^/[^/.]+/$";
        QTest::newRow("8 html two deep") << 8 << "^/[^/.]+/[^/.]+/[^/]+\\.html$";
        QTest::newRow("9 html four deep, year")
            << 9 << "^/[^/.]+/[^/.]+/[^/.]+/(\\d{4})/[^/]*\\1[^/]*\\.html$";
        QTest::newRow("10 root") << 10 << "^/$";
        QTest::newRow("11 aspx tabid") << 11 << "^/[^/.]+/[^/.]+/[^/.]+/tabid/\\d+/Default\\.aspx$";
        QTest::newRow("12 htm one deep") << 12 << "^/[^/.]+/[^/]+\\.htm$";
        QTest::newRow("13 root") << 13 << "^/$";
    }

    void catalogueForms()
    {
        QFETCH(int, row);
        QFETCH(QString, pathPattern);
        const QString address = NewsSiteCatalogue().at(row - 1).address;
        const QUrl url(address);
        QVERIFY2(url.isValid(), qPrintable(address));
        QCOMPARE(url.scheme(), QStringLiteral("http"));
        QCOMPARE(url.port(), -1);
        QVERIFY(!url.hasQuery() && !address.contains(u'?'));
        QVERIFY2(url.host().endsWith(QLatin1String(".example")), qPrintable(address));
        const QString path = url.path(QUrl::FullyDecoded);
        QVERIFY2(QRegularExpression(pathPattern).match(path).hasMatch(), qPrintable(path));
        if (row == 11) {
            const QStringList dirs = path.split(u'/', Qt::SkipEmptyParts).mid(0, 5);
            int accented = 0;
            for (const QString &d : dirs)
                accented += std::any_of(d.begin(), d.end(), [](QChar c) { return c.unicode() > 127; });
            QCOMPARE(accented, 2);
        }
    }

    void progressRule_data()
    {
        QTest::addColumn<int>("progress");
        QTest::addColumn<int>("max");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<int>("position");
        QTest::newRow("(0,100) hides") << 0 << 100 << false << 0;
        QTest::newRow("(-1,10000) hides") << -1 << 10000 << false << 0;
        QTest::newRow("(5,1) hides") << 5 << 1 << false << 0;
        QTest::newRow("(1,2) half") << 1 << 2 << true << 50;
        QTest::newRow("(2,3) truncates") << 2 << 3 << true << 66;
        QTest::newRow("(1,10000) shown at 0") << 1 << 10000 << true << 0;
        QTest::newRow("(150,100) full") << 150 << 100 << true << 100;
        QTest::newRow("(100,100) full") << 100 << 100 << true << 100;
        // 30 MB of 40 MB: the product no longer fits 32 bits.
        QTest::newRow("large byte counts") << 30000000 << 40000000 << true << 75;
        QTest::newRow("(max int, max int)") << INT_MAX << INT_MAX << true << 100;
    }

    void progressRule()
    {
        QFETCH(int, progress);
        QFETCH(int, max);
        QFETCH(bool, visible);
        QFETCH(int, position);
        const ProgressStep step = progressStep(progress, max);
        QCOMPARE(step.visible, visible);
        if (visible)
            QCOMPARE(step.position, position);
    }

    void datePanel_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("text");
        QTest::newRow("saturday") << QDate(2011, 3, 5) << QStringLiteral(" sábado,05 de março de 2011");
        QTest::newRow("new year") << QDate(2026, 1, 1)
                                  << QStringLiteral(" quinta-feira,01 de janeiro de 2026");
    }

    void datePanel()
    {
        QFETCH(QDate, date);
        QFETCH(QString, text);
        QCOMPARE(StatusTexts::datePanel(date), text);
    }

    void timePanel()
    {
        QCOMPARE(StatusTexts::timePanel(QTime(9, 4, 5)), QStringLiteral(" 09:04:05"));
        QCOMPARE(StatusTexts::timePanel(QTime(23, 59, 0, 999)), QStringLiteral(" 23:59:00"));
    }

    void statusBarPanels()
    {
        NewsStatusBar bar;
        bar.setPanels(QStringLiteral("550:left 100:left 250:center 100:center"));
        QCOMPARE(bar.panelCount(), 4);
        // Nothing to report before a layout has sized the bar.
        QVERIFY(!bar.panelRect(1));

        bar.setGeometry(0, 0, 1024, 19);
        QCOMPARE(bar.panelRect(0), QRect(0, 2, 550, 17));
        QCOMPARE(bar.panelRect(1), QRect(550, 2, 100, 17));
        QCOMPARE(bar.panelRect(2), QRect(650, 2, 250, 17));
        // The last panel reaches the right edge.
        QCOMPARE(bar.panelRect(3), QRect(900, 2, 124, 17));
        QVERIFY(!bar.panelRect(4));
        QVERIFY(!bar.panelRect(-1));
    }
};

QTEST_MAIN(TestNewsParts)
#include "test_newsparts.moc"
