#include "catalogue/channelcatalogue.h"

#include <QHostAddress>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QUrl>

// The address of each row must keep the form of its station (scheme, port,
// playlist, mount point, query) and point only at reserved example hosts.
class TestChannelCatalogue : public QObject
{
    Q_OBJECT

    static QUrl url(int row) { return QUrl(ChannelCatalogue::rows().at(row - 1).address); }

private slots:
    void texts()
    {
        const auto &rows = ChannelCatalogue::rows();
        QCOMPARE(rows.size(), 57);
        QSet<QString> distinct;
        for (const auto &r : rows)
            distinct.insert(r.text);
        QCOMPARE(distinct.size(), 57);
        QCOMPARE(rows.at(0).text, QStringLiteral("TV Tambrel"));
        QCOMPARE(rows.at(3).text, QStringLiteral("Web Rádio Quelvar"));
        QCOMPARE(rows.at(52).text, QStringLiteral("KRVN TV \u2014 Monte Ulvar"));
        QCOMPARE(rows.at(56).text, QStringLiteral("Lumbra Channel (German)"));
    }

    void forms_data()
    {
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<QString>("pattern");
        const QString host = QStringLiteral("[a-z0-9.-]+");
        QTest::newRow("http asx") << QList<int>{1,  2,  3,  7,  12, 14, 15, 16, 17, 18,
                                                19, 21, 34, 38, 40, 42, 46, 48, 49, 53}
                                  << "^http://" + host + "(/[^/?:]+)+\\.asx$";
        QTest::newRow("mms asx port") << QList<int>{8} << "^mms://" + host + ":\\d+/[^/?]+\\.asx$";
        QTest::newRow("wvx") << QList<int>{44, 51} << "^http://" + host + "(/[^/?:]+)+\\.wvx$";
        QTest::newRow("wax") << QList<int>{33, 47} << "^http://" + host + "(/[^/?:]+)+\\.wax$";
        QTest::newRow("m3u") << QList<int>{27, 41} << "^http://" + host + "(/[^/?:]+)+\\.m3u$";
        QTest::newRow("m3u port") << QList<int>{45} << "^http://" + host + ":\\d+(/[^/?]+)+\\.m3u$";
        QTest::newRow("root") << QList<int>{4, 9, 10, 11, 13, 25, 35} << "^http://" + host + ":\\d+$";
        QTest::newRow("root slash") << QList<int>{24, 31, 32, 36} << "^http://" + host + ":\\d+/$";
        QTest::newRow("mms mount") << QList<int>{6, 20, 22, 23, 29, 30, 37, 54}
                                   << "^mms://" + host + "/[^/.?:]+$";
        QTest::newRow("http mount") << QList<int>{26, 28, 43, 52, 55, 56, 57}
                                    << "^http://" + host + "/[^/.?:]+$";
        QTest::newRow("asf query") << QList<int>{50} << "^http://" + host + "/[^/.?:]+\\?MSWMExt=\\.asf$";
        QTest::newRow("broadcast") << QList<int>{39}
                                   << "^http://" + host + "/[^/?:]+/[^/?:]+\\?broadcast=[^&]+$";
        QTest::newRow("swf") << QList<int>{5} << "^http://" + host + "(/[^/?:]+)+\\.swf$";
    }

    void forms()
    {
        QFETCH(QList<int>, rows);
        QFETCH(QString, pattern);
        const QRegularExpression re(pattern);
        for (int row : rows) {
            const QString a = ChannelCatalogue::rows().at(row - 1).address;
            QVERIFY2(re.match(a).hasMatch(), qPrintable(QString("row %1: %2").arg(row).arg(a)));
        }
    }

    void everyRowHasOneForm()
    {
        // The table of forms above covers all 57 rows exactly once.
        QList<int> all = {1,  2, 3,  7,  12, 14, 15, 16, 17, 18, 19, 21, 34, 38, 40, 42, 46, 48, 49,
                          53, 8, 44, 51, 33, 47, 27, 41, 45, 4,  9,  10, 11, 13, 25, 35, 24, 31, 32,
                          36, 6, 20, 22, 23, 29, 30, 37, 54, 26, 28, 43, 52, 55, 56, 57, 50, 39, 5};
        std::sort(all.begin(), all.end());
        QCOMPARE(all.size(), 57);
        for (int i = 0; i < 57; ++i)
            QCOMPARE(all.at(i), i + 1);
    }

    void numericHostsAreDocumentationAddresses()
    {
        const QSet<int> numeric = {4, 6, 8, 10, 11, 20, 26, 31, 32, 35, 36};
        for (int row = 1; row <= 57; ++row) {
            const QString host = url(row).host();
            QHostAddress addr;
            const bool isNumeric = addr.setAddress(host);
            QCOMPARE(isNumeric, numeric.contains(row));
            if (isNumeric) {
                const bool doc = addr.isInSubnet(QHostAddress("192.0.2.0"), 24)
                    || addr.isInSubnet(QHostAddress("198.51.100.0"), 24)
                    || addr.isInSubnet(QHostAddress("203.0.113.0"), 24);
                QVERIFY2(doc, qPrintable(host));
            } else {
                const bool reserved = host.endsWith(".example") || host.endsWith(".example.com")
                    || host.endsWith(".example.net") || host.endsWith(".example.org");
                QVERIFY2(reserved, qPrintable(host));
            }
        }
    }

    void sharedServers()
    {
        auto host = [](int row) { return url(row).host(); };
        auto domain = [&](int row) { return host(row).section('.', -2); };
        QCOMPARE(host(2), host(1));
        QCOMPARE(host(3), host(1));
        QCOMPARE(host(21), host(1));
        QVERIFY(host(22) != host(1));
        QCOMPARE(domain(22), domain(1));

        // Rows 12 and 14..19: one directory, names differing only by a number.
        const QString dir = url(12).adjusted(QUrl::RemoveFilename).toString();
        const QString stem = url(14).fileName().chopped(4);
        QVERIFY(!stem.contains(QRegularExpression("\\d")));
        for (int row : {12, 15, 16, 17, 18, 19}) {
            QCOMPARE(url(row).adjusted(QUrl::RemoveFilename).toString(), dir);
            QVERIFY(QRegularExpression("^" + stem + "\\d+\\.asx$").match(url(row).fileName()).hasMatch());
        }
        QCOMPARE(url(14).adjusted(QUrl::RemoveFilename).toString(), dir);

        QCOMPARE(host(20), host(6));
        QCOMPARE(host(30), host(29));
        QCOMPARE(host(32), host(31));
        QCOMPARE(host(35), host(31));
        QVERIFY(url(31).port() != url(32).port() && url(32).port() != url(35).port());
        QCOMPARE(host(37), host(28));
        QCOMPARE(host(45), host(28));
        QCOMPARE(host(57), host(50));
        QVERIFY(host(55) != host(50));
        QCOMPARE(domain(55), domain(50));
    }
};

QTEST_GUILESS_MAIN(TestChannelCatalogue)
#include "test_channelcatalogue.moc"
