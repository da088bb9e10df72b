#include "catalogue/channelcatalogue.h"
#include "catalogue/channeltable.h"
#include "support/testsupport.h"

#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QRegularExpression>
#include <QTest>
#include <QUrl>

// The program's built-in list is the data file's, and the source tree's file
// holds the 57 stations with the form of address each must keep (scheme,
// port, playlist, mount point, query), all on reserved example hosts.
class TestChannelCatalogue : public QObject
{
    Q_OBJECT

    static QUrl url(int row) { return QUrl(ChannelCatalogue::rows().at(row - 1).address); }

    // A packager's own table has other stations: only the source tree's is
    // held to the list below.
    static bool builtFromSourceTable()
    {
        return QFileInfo(QStringLiteral(BRELO_CHANNEL_TABLE_FILE)).canonicalFilePath()
            == QFileInfo(TestSupport::sourceDir() + QStringLiteral("/catalogue/channels.tsv"))
                   .canonicalFilePath();
    }

    struct Form {
        const char *name;
        QList<int> rows;
        QString pattern;
    };

    static QList<Form> forms()
    {
        const QString host = QStringLiteral("[a-z0-9.-]+");
        return {
            {"http asx",
             {1, 2, 3, 7, 12, 14, 15, 16, 17, 18, 19, 21, 34, 38, 40, 42, 46, 48, 49, 53},
             "^http://" + host + "(/[^/?:]+)+\\.asx$"},
            {"mms asx port", {8}, "^mms://" + host + ":\\d+/[^/?]+\\.asx$"},
            {"wvx", {44, 51}, "^http://" + host + "(/[^/?:]+)+\\.wvx$"},
            {"wax", {33, 47}, "^http://" + host + "(/[^/?:]+)+\\.wax$"},
            {"m3u", {27, 41}, "^http://" + host + "(/[^/?:]+)+\\.m3u$"},
            {"m3u port", {45}, "^http://" + host + ":\\d+(/[^/?]+)+\\.m3u$"},
            {"root", {4, 9, 10, 11, 13, 25, 35}, "^http://" + host + ":\\d+$"},
            {"root slash", {24, 31, 32, 36}, "^http://" + host + ":\\d+/$"},
            {"mms mount", {6, 20, 22, 23, 29, 30, 37, 54}, "^mms://" + host + "/[^/.?:]+$"},
            {"http mount", {26, 28, 43, 52, 55, 56, 57}, "^http://" + host + "/[^/.?:]+$"},
            {"asf query", {50}, "^http://" + host + "/[^/.?:]+\\?MSWMExt=\\.asf$"},
            {"broadcast", {39}, "^http://" + host + "/[^/?:]+/[^/?:]+\\?broadcast=[^&]+$"},
            {"swf", {5}, "^http://" + host + "(/[^/?:]+)+\\.swf$"},
        };
    }

private slots:
    void init()
    {
        if (QByteArray(QTest::currentTestFunction()) != "compiledFromTheDataFile" && !builtFromSourceTable())
            QSKIP("built with another channel table");
    }

    void compiledFromTheDataFile()
    {
        QFile file(QStringLiteral(BRELO_CHANNEL_TABLE_FILE));
        QVERIFY2(file.open(QIODevice::ReadOnly), BRELO_CHANNEL_TABLE_FILE);
        const ChannelTable::Parsed table = ChannelTable::parse(file.readAll());
        QVERIFY2(table.error.isEmpty(), qPrintable(table.error));
        const QList<CatalogueEntry> &rows = ChannelCatalogue::rows();
        QCOMPARE(rows.size(), table.rows.size());
        for (int i = 0; i < rows.size(); ++i) {
            QCOMPARE(rows.at(i).text, table.rows.at(i).text);
            QCOMPARE(rows.at(i).address, table.rows.at(i).address);
        }
    }

    void texts()
    {
        const QStringList expected = {
            "TV Tambrel",
            "Radio Tambrel",
            "Radio Tambrel Executivo",
            "Web Rádio Quelvar",
            "Radio Dorvane",
            "Radio Pelmaro",
            "Radio Virsal",
            "Radio Olgaris",
            "Radio Tesmir",
            "Radio Brandol",
            "Radio Caulen",
            "TV Ferumbra",
            "Radio Ulmedo24h",
            "Radio Ferumbra",
            "Ferumbra Infantil",
            "Ferumbra Estudos",
            "Ferumbra Hinos",
            "Ferumbra Internacional",
            "Ferumbra Lições",
            "Canal Verdalo",
            "TV Sendavia",
            "Radio Sendavia",
            "Radio Norvel MX",
            "Radio Sendavia Chile",
            "Radio Sendavia Argentina",
            "Quistereo Nicaragua",
            "Universidad Del Orvo",
            "La Voz Colvina NY",
            "Radio Ibrana (Colombia)",
            "Radio Tolmeca (MX)",
            "Lumbra Stereo (MX)",
            "Radio Quesal (MX)",
            "ZELT Radio (MX)",
            "Super Velmar",
            "Dulmar Radio Guatemala",
            "Radio Dorvane Español",
            "Radio Pelvio (ES)",
            "Radio Castrel Chile",
            "Radio Tirsa (ES)",
            "Radio Ombrela España",
            "Quinval Radio Internacional",
            "Lumbra TV",
            "Trivel Latino",
            "Radio Vasko (US)",
            "Gralva FM Belize (US)",
            "Norvia Life Radio (US)",
            "Calvesta Radio (US)",
            "Tessel Hymns",
            "TV Lumbra (English)",
            "TV Lumbra International",
            "Ornel Vision",
            "Veldon Facts",
            "KRVN TV \u2014 Monte Ulvar",
            "Radio Clube Varzel (PT)",
            "TV Tambrel Europa",
            "Lumbra Channel (Czech/Slovak)",
            "Lumbra Channel (German)",
        };
        QStringList actual;
        for (const CatalogueEntry &row : ChannelCatalogue::rows())
            actual << row.text;
        QCOMPARE(actual, expected);
    }

    void eachRowHasItsForm()
    {
        // Every row must be listed under exactly one form, and its address
        // must have that form and no other.
        const QList<Form> all = forms();
        for (int row = 1; row <= ChannelCatalogue::rows().size(); ++row) {
            const QString address = ChannelCatalogue::rows().at(row - 1).address;
            QStringList listed, matching;
            for (const Form &f : all) {
                if (f.rows.contains(row))
                    listed << f.name;
                if (QRegularExpression(f.pattern).match(address).hasMatch())
                    matching << f.name;
            }
            const QByteArray where = QStringLiteral("row %1: %2").arg(row).arg(address).toUtf8();
            QVERIFY2(listed.size() == 1, where + " is listed under " + listed.join(", ").toUtf8());
            QVERIFY2(matching == listed, where + " has the form of " + matching.join(", ").toUtf8());
        }
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
