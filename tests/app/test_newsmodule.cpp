#include "menu/menutestmain.h"

#include "app/newslibrary.h"
#include "app/windows.h"
#include "platform/errors.h"
#include "player/principal.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTimer>

// The news browser comes after the main window: its module, with the web
// engine behind it, is loaded off the user-interface thread once the main
// window shows, and a listener who asks for the news before it arrived is
// answered when it does. This test links no web engine of its own, as the
// program does not.
class TestNewsModule : public QObject
{
    Q_OBJECT

    QStringList m_errors;

    static bool webEngineMapped()
    {
        QFile maps(QStringLiteral("/proc/self/maps"));
        maps.open(QIODevice::ReadOnly);
        return maps.readAll().contains("libQt6WebEngineCore");
    }

    static QString builtModule()
    {
        return QDir(qEnvironmentVariable("BRELO_BINARY_DIR"))
            .filePath(QStringLiteral("libbreloplayer-news.so"));
    }

    // Runs `act` and reports whether `dialog` came up modal over the main
    // window within the time given; closes it again.
    static bool comesUpModal(QDialog *dialog, int withinMs, const std::function<void()> &act)
    {
        bool seen = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, dialog, [&] {
            if (dialog->isVisible() && QApplication::activeModalWidget() == dialog) {
                seen = true;
                dialog->reject();
            }
        });
        watch.start(20);
        act();
        return QTest::qWaitFor([&] { return seen; }, withinMs);
    }

private slots:
    void initTestCase()
    {
        Errors::setErrorReporter([this](const QString &text) { m_errors.append(text); });
        QVERIFY2(QFile::exists(builtModule()), qPrintable(builtModule()));
    }

    void theBuiltModuleMakesTheNewsWindow()
    {
        QVERIFY2(!webEngineMapped(), "the web engine was loaded before the news module was asked for");
        NewsLibrary library(builtModule());
        BreloNewsWindowEntry make = nullptr;
        int loaded = 0;
        connect(&library, &NewsLibrary::loaded, this, [&](BreloNewsWindowEntry entry) {
            make = entry;
            ++loaded;
        });
        QSignalSpy failed(&library, &NewsLibrary::failed);
        library.load();
        QCOMPARE(loaded, 0);  // the answer comes from the event loop, not from load() itself
        QTRY_COMPARE_WITH_TIMEOUT(loaded, 1, 20000);
        QCOMPARE(failed.count(), 0);
        QVERIFY(webEngineMapped());
        QVERIFY(make);
        QWidget parent;
        QDialog *news = make(&parent);
        QVERIFY(news);
        QCOMPARE(news->parentWidget(), &parent);
        QCOMPARE(news->objectName(), QStringLiteral("BrowseNoticia"));
        QVERIFY(!news->isVisible());
    }

    void aModuleThatCannotBeUsedIsReported_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing") << QDir::temp().filePath(
            QStringLiteral("nao-existe/libbreloplayer-news.so"));
        // A library that loads but has no news window in it.
        QTest::newRow("no entry point") << QStringLiteral("libz.so.1");
    }

    void aModuleThatCannotBeUsedIsReported()
    {
        QFETCH(QString, path);
        NewsLibrary library(path);
        int loaded = 0;
        connect(&library, &NewsLibrary::loaded, this, [&] { ++loaded; });
        QSignalSpy failed(&library, &NewsLibrary::failed);
        library.load();
        QVERIFY(failed.wait(10000));
        QVERIFY(!failed.first().first().toString().isEmpty());
        QCOMPARE(loaded, 0);
    }

    // The program's windows: the news asked for from the menu while its
    // module loads opens once it is there; with no module, the listener is
    // told instead of nothing happening.
    void newsAskedForBeforeItArrivedOpensOnArrival()
    {
        ProgramWindows windows;
        windows.create();
        windows.main()->show();
        QVERIFY(QTest::qWaitForWindowExposed(windows.main()));
        QVERIFY(windows.newsWindowComing());

        windows.main()->BrowserNoticias1Click();
        QTest::qWait(100);
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(m_errors.isEmpty());

        auto *standIn = new QDialog(windows.main());
        QVERIFY(comesUpModal(standIn, 5000, [&] { windows.createNews([&](QWidget *) { return standIn; }); }));
        QCOMPARE(windows.newsWindow(), standIn);
        QVERIFY(!windows.newsWindowComing());

        // Asked for once, opened once: a later arrival does not open it again.
        windows.main()->NewsWindowArrived();
        QTest::qWait(200);
        QVERIFY(!standIn->isVisible());
        QVERIFY(m_errors.isEmpty());
        windows.main()->PlayerBrelo->shutdown();
        windows.main()->hide();
    }

    void newsThatNeverArrivesIsReported()
    {
        ProgramWindows windows;
        windows.create();
        windows.main()->show();
        QVERIFY(QTest::qWaitForWindowExposed(windows.main()));
        windows.main()->BrowserNoticias1Click();
        QVERIFY(m_errors.isEmpty());
        windows.newsUnavailable();
        QTRY_COMPARE(m_errors, QStringList{QStringLiteral("O navegador de notícias não está disponível.")});
        m_errors.clear();
        // And again when asked for later.
        windows.main()->BrowserNoticias1Click();
        QCOMPARE(m_errors, QStringList{QStringLiteral("O navegador de notícias não está disponível.")});
        m_errors.clear();
        windows.main()->PlayerBrelo->shutdown();
        windows.main()->hide();
    }
};

BRELO_WINDOW_TEST_MAIN(TestNewsModule)
#include "test_newsmodule.moc"
