#include "about/linkmarkup.h"
#include "about/placement.h"

#include <QTest>

// The pieces of the About window that need no display: reading a link
// label's anchors and centring a window in a work area.
class TestAboutParts : public QObject
{
    Q_OBJECT

private slots:
    void linkTarget_data()
    {
        QTest::addColumn<QString>("markup");
        QTest::addColumn<QString>("href");
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("isId");

        const QString page = QStringLiteral("http://www.tambrel.example/?p=2417");
        QTest::newRow("href only") << "<a href=\"" + page + "\">" + page + "</a>" << page << page << false;
        QTest::newRow("id wins") << "<a id=\"novidades\" href=\"" + page + "\">x</a>" << page << "novidades"
                                 << true;
        QTest::newRow("id after href")
            << "<a href='" + page + "' id='novidades'>x</a>" << page << "novidades" << true;
        QTest::newRow("empty id") << "<a id=\"\" href=\"" + page + "\">x</a>" << page << page << false;
        // The label reports the address with its references resolved.
        QTest::newRow("entities") << "<a id=\"a&amp;b\" href=\"http://h.example/?p=1&amp;q=2\">x</a>"
                                  << "http://h.example/?p=1&q=2"
                                  << "a&b" << true;
        QTest::newRow("second anchor")
            << "<a id=\"um\" href=\"http://a.example/\">a</a> e <a href=\"http://b.example/\">b</a>"
            << "http://b.example/"
            << "http://b.example/" << false;
        QTest::newRow("not an anchor")
            << "<abbr id=\"x\" href=\"" + page + "\">a</abbr>" << page << page << false;
    }

    void linkTarget()
    {
        QFETCH(QString, markup);
        QFETCH(QString, href);
        QFETCH(QString, link);
        QFETCH(bool, isId);
        const auto t = LinkMarkup::target(markup, href);
        QCOMPARE(t.link, link);
        QCOMPARE(t.isId, isId);
    }

    void centred_data()
    {
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<QRect>("workArea");
        QTest::addColumn<QRect>("desktop");
        QTest::addColumn<QPoint>("expected");

        QTest::newRow("whole screen")
            << QSize(560, 400) << QRect(0, 0, 1024, 768) << QRect(0, 0, 1024, 768) << QPoint(232, 184);
        QTest::newRow("panel on the left and top")
            << QSize(560, 400) << QRect(60, 24, 964, 744) << QRect(0, 0, 1024, 768) << QPoint(262, 196);
        // Larger than the work area: still centred on it, but never with the
        // caption above or left of the desktop.
        QTest::newRow("larger than the work area")
            << QSize(560, 410) << QRect(0, 30, 640, 370) << QRect(0, 0, 640, 400) << QPoint(40, 10);
        QTest::newRow("larger than the desktop")
            << QSize(560, 410) << QRect(0, 0, 400, 300) << QRect(0, 0, 400, 300) << QPoint(0, 0);
        // A monitor left of and above the primary one: no clamp needed.
        QTest::newRow("desktop reaching left and up")
            << QSize(560, 410) << QRect(0, 0, 400, 300) << QRect(-1280, -200, 1680, 1024) << QPoint(-80, -55);
    }

    void centred()
    {
        QFETCH(QSize, frame);
        QFETCH(QRect, workArea);
        QFETCH(QRect, desktop);
        QFETCH(QPoint, expected);
        QCOMPARE(Placement::centred(frame, workArea, desktop), expected);
    }
};

QTEST_APPLESS_MAIN(TestAboutParts)
#include "test_aboutparts.moc"
