// The desktop's controls against the real main window and engine: the list
// moves as a keyboard choice would move it, the engine's state and volume
// are reported as they change, and the volume outlives the program.
#include "app/desktopbinding.h"
#include "catalogue/channelcatalogue.h"
#include "desktop/desktopcontrols.h"
#include "desktop/volumememory.h"
#include "media/mediaengine.h"
#include "media/playbacksession.h"
#include "platform/trayicon.h"
#include "player/principal.h"
#include "support/streamserver.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDBusObjectPath>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestDesktopControls : public QObject
{
    Q_OBJECT

    QTemporaryDir config;
    TFormPrincipal *w = nullptr;
    DesktopControls *controls = nullptr;
    std::unique_ptr<QSignalSpy> writes;
    std::unique_ptr<QSignalSpy> changes;

    QStringList urlWrites() const { return TestSupport::writtenValues(*writes, QStringLiteral("URL")); }

    // Every value announced for `property`, in order.
    QVariantList announced(const QString &property) const
    {
        QVariantList values;
        for (const auto &args : *changes) {
            const QVariantMap changed = args.at(0).toMap();
            if (changed.contains(property))
                values << changed.value(property);
        }
        return values;
    }

    static QString address(int row) { return ChannelCatalogue::rows().at(row - 1).address; }
    static QString text(int row) { return ChannelCatalogue::rows().at(row - 1).text; }

    // As the user would: a choice in the list.
    void choose(int index)
    {
        w->BreloCombo->setCurrentIndex(index);
        emit w->BreloCombo->activated(index);
    }

    void clearSpies()
    {
        writes->clear();
        changes->clear();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(config.isValid());
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        TestSupport::quietEngines();
        w = new TFormPrincipal;
        w->FormCreate();
        controls = bindDesktopControls(w);
        writes = std::make_unique<QSignalSpy>(w->PlayerBrelo, &MediaEngine::propertyWritten);
        changes = std::make_unique<QSignalSpy>(controls, &DesktopControls::playerPropertiesChanged);
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
    }

    void cleanupTestCase() { delete w; }

    void metadataNamesThePlayingChannel()
    {
        const QVariantMap m = controls->metadata();
        QCOMPARE(m.value("mpris:trackid").value<QDBusObjectPath>().path(),
                 QStringLiteral("/org/example/breloplayer/channel/1"));
        QCOMPARE(m.value("xesam:title").toString(), text(1));
        QCOMPARE(m.value("xesam:artist").toStringList(), QStringList{text(1)});
    }

    void nextAndPreviousChooseAsTheKeyboardDoes()
    {
        QVERIFY(controls->canGoNext());
        QVERIFY(!controls->canGoPrevious());
        clearSpies();

        controls->previous();  // on row 1
        QCOMPARE(w->BreloCombo->currentIndex(), 0);
        QVERIFY(urlWrites().isEmpty());
        QVERIFY(changes->isEmpty());

        w->BreloCombo->setFocus();
        controls->next();
        QCOMPARE(w->BreloCombo->currentText(), text(2));
        QCOMPARE(urlWrites(), QStringList{address(2)});
        // BreloComboSelect ran: the focus ends on the engine.
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->PlayerBrelo));
        QCOMPARE(announced("CanGoPrevious"), QVariantList{true});
        const QVariantList meta = announced("Metadata");
        QCOMPARE(meta.size(), 1);
        QCOMPARE(meta.first().toMap().value("xesam:title").toString(), text(2));

        clearSpies();
        controls->previous();
        QCOMPARE(w->BreloCombo->currentIndex(), 0);
        QCOMPARE(urlWrites(), QStringList{address(1)});
        QCOMPARE(announced("CanGoPrevious"), QVariantList{false});
    }

    void lastRowAndTheEmptyItem()
    {
        choose(55);
        clearSpies();
        controls->next();
        QCOMPARE(urlWrites(), QStringList{address(57)});
        QVERIFY(!controls->canGoNext());
        QCOMPARE(announced("CanGoNext"), QVariantList{false});

        // Next never reaches the empty item.
        clearSpies();
        controls->next();
        QCOMPARE(w->BreloCombo->currentIndex(), 56);
        QVERIFY(urlWrites().isEmpty());

        // The empty item chosen by hand: row 57 goes on playing and stays
        // the one named; Previous leads back to it.
        choose(57);
        QVERIFY(urlWrites().isEmpty());
        QCOMPARE(controls->metadata().value("xesam:title").toString(), text(57));
        QVERIFY(!controls->canGoNext());
        QVERIFY(controls->canGoPrevious());
        controls->previous();
        QCOMPARE(w->BreloCombo->currentIndex(), 56);
        QCOMPARE(urlWrites(), QStringList{address(57)});
    }

    void volumeBothWays()
    {
        clearSpies();
        controls->setVolume(0.5);
        QCOMPARE(w->PlayerBrelo->volume(), 50);
        QCOMPARE(announced("Volume"), QVariantList{0.5});

        // The engine's own slider.
        w->PlayerBrelo->setVolume(30);
        QCOMPARE(controls->volume(), 0.3);
        QCOMPARE(announced("Volume"), (QVariantList{0.5, 0.3}));

        controls->setVolume(1.7);
        QCOMPARE(w->PlayerBrelo->volume(), 100);
        controls->setVolume(-0.2);
        QCOMPARE(w->PlayerBrelo->volume(), 0);
        // The same level again announces nothing.
        const qsizetype before = announced("Volume").size();
        controls->setVolume(0.0);
        QCOMPARE(announced("Volume").size(), before);
    }

    void playbackFollowsTheEngine()
    {
        StreamServer station;
        QVERIFY(station.listen());
        station.addStream(QStringLiteral("/live"), 440);
        MediaEngine *engine = w->PlayerBrelo;
        clearSpies();
        engine->setURL(station.url(QStringLiteral("/live")));
        QTRY_COMPARE_WITH_TIMEOUT(engine->status(), MediaEngine::Status::Playing, 15000);
        QCOMPARE(controls->playbackStatus(), QStringLiteral("Playing"));
        // An address outside the catalogue is no channel.
        QCOMPARE(controls->metadata().value("mpris:trackid").value<QDBusObjectPath>().path(),
                 QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));

        changes->clear();
        // Play while playing must not start the stream again.
        const int requests = station.requests(QStringLiteral("/live"));
        controls->play();
        QTest::qWait(500);
        QCOMPARE(station.requests(QStringLiteral("/live")), requests);
        QCOMPARE(station.openConnections(QStringLiteral("/live")), 1);

        controls->playPause();
        QTRY_COMPARE_WITH_TIMEOUT(controls->playbackStatus(), QStringLiteral("Paused"), 5000);
        controls->playPause();
        QTRY_COMPARE_WITH_TIMEOUT(controls->playbackStatus(), QStringLiteral("Playing"), 5000);
        controls->stop();
        QTRY_COMPARE_WITH_TIMEOUT(controls->playbackStatus(), QStringLiteral("Stopped"), 5000);
        QTRY_COMPARE(station.openConnections(QStringLiteral("/live")), 0);
        controls->play();
        QTRY_COMPARE_WITH_TIMEOUT(controls->playbackStatus(), QStringLiteral("Playing"), 15000);

        QCOMPARE(announced("PlaybackStatus"),
                 (QVariantList{QStringLiteral("Paused"), QStringLiteral("Playing"), QStringLiteral("Stopped"),
                               QStringLiteral("Playing")}));
        engine->stop();
        QTRY_COMPARE(controls->playbackStatus(), QStringLiteral("Stopped"));
    }

    void raiseBringsTheWindowBackFromTheTray()
    {
        w->close();  // hides into the tray
        QTRY_VERIFY(!w->isVisible());
        QVERIFY(w->trayIcon()->isPresent());
        controls->raise();
        QTRY_VERIFY(w->isVisible());
        QVERIFY(!w->trayIcon()->isPresent());
    }

    void artworkFromTheInstalledIcon()
    {
        QTemporaryDir data;
        const QString icon = data.filePath(QStringLiteral("icons/hicolor/256x256/apps/breloplayer.png"));
        QVERIFY(QDir().mkpath(QFileInfo(icon).path()));
        QVERIFY(QFile::copy(QStringLiteral(":/icons/breloplayer-256.png"), icon));
        const QByteArray home = qgetenv("XDG_DATA_HOME"), dirs = qgetenv("XDG_DATA_DIRS");
        qputenv("XDG_DATA_HOME", data.filePath(QStringLiteral("none")).toUtf8());
        qputenv("XDG_DATA_DIRS", data.path().toUtf8());
        const QString url = DesktopControls::artUrl();
        qputenv("XDG_DATA_DIRS", config.path().toUtf8());  // holds no icons
        const QString none = DesktopControls::artUrl();
        qputenv("XDG_DATA_HOME", home);
        qputenv("XDG_DATA_DIRS", dirs);
        QCOMPARE(url, QUrl::fromLocalFile(QFileInfo(icon).canonicalFilePath()).toString());
        QCOMPARE(none, QString());
    }

    void volumeAndMuteOutliveTheEngine()
    {
        const QString file = config.filePath(QStringLiteral("breloplayer/breloplayer.conf"));
        QFile::remove(file);
        {
            // First start: the stored engine state's values stand.
            MediaEngine engine;
            PlaybackSession session(engine.engine());
            new VolumeMemory(&session);
            QCOMPARE(engine.volume(), 100);
            QVERIFY(!engine.muted());
            engine.setVolume(35);
            engine.setMuted(true);
        }  // the engine goes with the window, the values with it
        QVERIFY(QFile::exists(file));
        {
            MediaEngine engine;
            PlaybackSession session(engine.engine());
            new VolumeMemory(&session);
            QCOMPARE(engine.volume(), 35);
            QVERIFY(engine.muted());
        }

        // A hand-edited file with a level the engine cannot take.
        {
            QSettings s(file, QSettings::NativeFormat);
            s.setValue(QStringLiteral("sound/volume"), 250);
        }
        MediaEngine engine;
        PlaybackSession session(engine.engine());
        auto *memory = new VolumeMemory(&session);
        QCOMPARE(engine.volume(), 100);
        engine.setVolume(60);
        memory->flush();
        QCOMPARE(QSettings(file, QSettings::NativeFormat).value(QStringLiteral("sound/volume")).toInt(), 60);
    }

    // A hand-edited mute that is neither true nor false, and a file that
    // cannot be written, which the support log must not call a success.
    void volumeMemoryTakesOnlyWhatItWrote()
    {
        const QString folder = config.filePath(QStringLiteral("breloplayer"));
        const QString file = folder + QStringLiteral("/breloplayer.conf");
        QFile::remove(file);
        QSettings(file, QSettings::NativeFormat)
            .setValue(QStringLiteral("sound/muted"), QStringLiteral("sim"));
        MediaEngine engine;
        PlaybackSession session(engine.engine());
        auto *memory = new VolumeMemory(&session);
        QVERIFY(!engine.muted());

        // The folder becomes a plain file: nothing can be saved inside it.
        QVERIFY(QDir(folder).removeRecursively());
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QLoggingCategory::setFilterRules(QStringLiteral("brelo.desktop.warning=true"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("could not be remembered")));
        engine.setVolume(40);
        memory->flush();
        QLoggingCategory::setFilterRules(QString());
        QVERIFY(QFile::remove(folder));
    }
};

QTEST_MAIN(TestDesktopControls)
#include "test_desktopcontrols.moc"
