// The playback model's rules, over an engine that only records what it is
// asked: what a choice, a repeated choice, Next and Previous, Play and Pause
// ask of the engine in each of its states.
#include "media/playbackengine.h"
#include "media/playbacksession.h"

#include <QSignalSpy>
#include <QTest>

namespace {

class FakeEngine : public PlaybackEngine
{
public:
    QStringList calls;
    QString url;
    Engine::Status state = Engine::Status::Idle;

    void report(Engine::Status s)
    {
        state = s;
        emit statusChanged(s, Engine::Reason::None, 0);
    }

    void setURL(const QString &u) override
    {
        url = u;
        calls << QStringLiteral("url ") + u;
        emit urlWritten(u);
    }
    QString URL() const override { return url; }
    void play() override { calls << QStringLiteral("play"); }
    void pause() override { calls << QStringLiteral("pause"); }
    void stop() override { calls << QStringLiteral("stop"); }
    void setVolume(int) override { }
    void setMuted(bool) override { }
    int volume() const override { return 100; }
    bool muted() const override { return false; }
    Engine::Status status() const override { return state; }
    Engine::Reason reason() const override { return Engine::Reason::None; }
    QString nowPlaying() const override { return {}; }
};

const QList<CatalogueEntry> kRows = {
    {QStringLiteral("Um"), QStringLiteral("http://a.example/1")},
    {QStringLiteral("Dois"), QStringLiteral("http://a.example/2")},
    {QStringLiteral("Três"), QStringLiteral("http://a.example/3")},
};

}  // namespace

class TestPlaybackSession : public QObject
{
    Q_OBJECT

    FakeEngine engine;
    std::unique_ptr<PlaybackSession> session;

private slots:
    void init()
    {
        engine.calls.clear();
        engine.url.clear();
        engine.state = Engine::Status::Idle;
        session = std::make_unique<PlaybackSession>(&engine);
        session->setChannels(kRows);
    }

    void choosingAgainLeavesAStationAtWorkAlone()
    {
        QSignalSpy chosen(session.get(), &PlaybackSession::channelChosen);
        session->choose(1);
        QCOMPARE(engine.calls, QStringList{"url http://a.example/2"});
        QCOMPARE(session->playingRow(), 1);

        // Connecting, sounding or winning the station back: left alone.
        for (auto s : {Engine::Status::Connecting, Engine::Status::Buffering, Engine::Status::Playing,
                       Engine::Status::Reconnecting}) {
            engine.report(s);
            session->choose(1);
        }
        QCOMPARE(engine.calls.size(), 1);
        // Failed, stopped or paused: tried afresh.
        for (auto s : {Engine::Status::Failed, Engine::Status::Stopped, Engine::Status::Paused}) {
            engine.report(s);
            session->choose(1);
        }
        QCOMPARE(engine.calls.size(), 4);
        QCOMPARE(chosen.size(), 8);

        // The empty item: chosen, the engine left as it is and still named.
        engine.report(Engine::Status::Playing);
        session->choose(3);
        QCOMPARE(session->chosenRow(), 3);
        QCOMPARE(engine.calls.size(), 4);
        QCOMPARE(session->playingRow(), 1);
    }

    void nextAndPreviousStopAtTheEnds()
    {
        QVERIFY(!session->canGoPrevious());
        session->previous();
        QVERIFY(engine.calls.isEmpty());
        session->next();
        session->next();
        QCOMPARE(session->chosenRow(), 2);
        QVERIFY(!session->canGoNext());
        session->next();  // never onto the empty item
        QCOMPARE(session->chosenRow(), 2);
        QCOMPARE(engine.calls, (QStringList{"url http://a.example/2", "url http://a.example/3"}));

        // From the empty item Previous leads back to the last channel.
        session->choose(3);
        QVERIFY(session->canGoPrevious());
        session->previous();
        QCOMPARE(session->chosenRow(), 2);

        // A new list stands on its first row, and says so.
        QSignalSpy rows(session.get(), &PlaybackSession::chosenRowChanged);
        session->setChannels(kRows.mid(0, 2));
        QCOMPARE(session->chosenRow(), 0);
        QCOMPARE(rows.size(), 1);
    }

    void anEditedListFollowsWhatPlays()
    {
        session->choose(1);
        engine.report(Engine::Status::Playing);
        engine.calls.clear();
        // Moved to the top: the playing channel is row 0 now, Next goes on from it.
        session->replaceChannels({kRows.at(1), kRows.at(0), kRows.at(2)});
        QCOMPARE(session->chosenRow(), 0);
        QCOMPARE(session->playingRow(), 0);
        session->next();
        QCOMPARE(engine.calls, QStringList{"url http://a.example/1"});

        // The playing channel removed: it goes on, the list on its empty item.
        engine.calls.clear();
        session->replaceChannels({kRows.at(1), kRows.at(2)});
        QCOMPARE(session->chosenRow(), 2);
        QCOMPARE(session->playingRow(), -1);
        QVERIFY(engine.calls.isEmpty());
        QCOMPARE(engine.url, QStringLiteral("http://a.example/1"));
    }

    void pauseEndsWhatCannotBeHeld()
    {
        session->choose(0);
        engine.calls.clear();
        engine.report(Engine::Status::Playing);
        session->play();  // would restart it
        session->pause();
        engine.report(Engine::Status::Paused);
        session->playPause();
        // Nothing to hold yet, or the station lost and being won back: stop.
        engine.report(Engine::Status::Connecting);
        session->pause();
        engine.report(Engine::Status::Reconnecting);
        session->playPause();
        QCOMPARE(engine.calls, (QStringList{"pause", "play", "stop", "stop"}));
    }
};

QTEST_GUILESS_MAIN(TestPlaybackSession)
#include "test_playbacksession.moc"
