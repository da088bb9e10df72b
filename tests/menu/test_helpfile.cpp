#include "player/links.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The help file the build puts beside the program, and how the program
// finds it there.
class TestHelpFile : public QObject
{
    Q_OBJECT

    static void touch(const QString &path)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }

private slots:
    void builtBesideTheProgram()
    {
        const QString chm = TestSupport::binaryDir() + QStringLiteral("/ajuda.chm");
        QVERIFY2(QFile::exists(chm), qPrintable(chm));
        QCOMPARE(Links::helpFileIn(TestSupport::binaryDir()), QFileInfo(chm).absoluteFilePath());

        QProcess chmls;
        chmls.start(QStringLiteral("chmls"), {QStringLiteral("list"), chm});
        QVERIFY(chmls.waitForFinished(20000));
        QCOMPARE(chmls.exitCode(), 0);
        const QString listing = QString::fromUtf8(chmls.readAllStandardOutput());
        for (const char *page : {"/index.html", "/canais.html", "/apresentacoes.html", "/bandeja.html",
                                 "/menu.html", "/noticias.html", "/toc.hhc", "/#SYSTEM"})
            QVERIFY2(listing.contains(QLatin1String(page)), page);
    }

    void lookupIgnoresLetterCase()
    {
        QTemporaryDir dir;
        QVERIFY(Links::helpFileIn(dir.path()).isEmpty());
        touch(dir.path() + QStringLiteral("/ajuda.chm.bak"));
        touch(dir.path() + QStringLiteral("/xajuda.chm"));
        QVERIFY(Links::helpFileIn(dir.path()).isEmpty());
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Ajuda.CHM")));  // a folder is no help file
        QVERIFY(Links::helpFileIn(dir.path()).isEmpty());

        touch(dir.path() + QStringLiteral("/AJUDA.chm"));
        QCOMPARE(Links::helpFileIn(dir.path()), dir.path() + QStringLiteral("/AJUDA.chm"));
        touch(dir.path() + QStringLiteral("/ajuda.chm"));
        QCOMPARE(Links::helpFileIn(dir.path()), dir.path() + QStringLiteral("/ajuda.chm"));
    }
};

QTEST_GUILESS_MAIN(TestHelpFile)
#include "test_helpfile.moc"
