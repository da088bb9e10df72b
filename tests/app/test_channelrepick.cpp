// Picking the channel that is already on the air again must not restart
// it; picking a channel that failed or was stopped tries it afresh. Row 1
// and row 2 are served on their own host name, mapped to 127.0.0.1 in a
// mount namespace of this process: row 1 plays a tone, row 2's server
// accepts and never answers (the engine stays connecting).
#include "catalogue/channelcatalogue.h"
#include "media/mediaengine.h"
#include "platform/errors.h"
#include "player/principal.h"
#include "support/streamserver.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

QString address(int row)
{
    return ChannelCatalogue::rows().at(row - 1).address;
}

QTemporaryDir *hostsDir = nullptr;

// This process alone sees row 1's host as 127.0.0.1 (root only).
bool mapFirstHostHere()
{
    if (::geteuid() != 0 || ::unshare(CLONE_NEWNS) != 0)
        return false;
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return false;
    hostsDir = new QTemporaryDir;
    QFile hosts(hostsDir->filePath(QStringLiteral("hosts")));
    if (!hosts.open(QIODevice::WriteOnly))
        return false;
    hosts.write("127.0.0.1 localhost " + QUrl(address(1)).host().toUtf8() + "\n");
    hosts.close();
    return ::mount(QFile::encodeName(hosts.fileName()).constData(), "/etc/hosts", nullptr, MS_BIND, nullptr)
        == 0;
}

bool hostMapped = false;

}  // namespace

class TestChannelRepick : public QObject
{
    Q_OBJECT

    StreamServer station;
    std::unique_ptr<TFormPrincipal> w;
    std::unique_ptr<QSignalSpy> writes;

    int urlWrites() const
    {
        int n = 0;
        for (const auto &args : *writes)
            n += args.at(0).toString() == QLatin1String("URL");
        return n;
    }

    void choose(int row)
    {
        QComboBox *combo = w->BreloCombo;
        combo->showPopup();
        QAbstractItemView *view = combo->view();
        QTRY_VERIFY(view->isVisible());
        view->setCurrentIndex(combo->model()->index(row - 1, 0));
        QTest::keyClick(view, Qt::Key_Return);
        QTRY_VERIFY(!view->isVisible());
        QCOMPARE(combo->currentIndex(), row - 1);
    }

    MediaEngine::Status status() const { return w->PlayerBrelo->status(); }

private slots:
    void initTestCase()
    {
        if (!hostMapped)
            QSKIP("needs root to map the channel's host name in a mount namespace");
        QVERIFY2(station.listen(QHostAddress::LocalHost, 80), "port 80 on 127.0.0.1");
        const QString host = QUrl(address(1)).host();
        QCOMPARE(QUrl(address(2)).host(), host);
        station.addStream(QStringLiteral("/tom"), 440);
        station.addFile(
            QUrl(address(1)).path(),
            StreamServer::asx({station.url(QStringLiteral("/tom"), QStringLiteral("http"), host)}));
        station.addStream(QUrl(address(2)).path(), {440, StreamServer::Delivery::Hung});

        MediaEngine::Options o;
        o.video = false;
        o.audioTap = [](const qint16 *, int, int, int, qint64) {};
        MediaEngine::setDefaultOptions(o);
        Errors::setErrorReporter([](const QString &text) { QFAIL(qPrintable(text)); });
        w = std::make_unique<TFormPrincipal>();
        writes = std::make_unique<QSignalSpy>(w->PlayerBrelo, &MediaEngine::propertyWritten);
        w->FormCreate();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QTRY_COMPARE_WITH_TIMEOUT(status(), MediaEngine::Status::Playing, 15000);
    }

    void cleanupTestCase()
    {
        if (w)
            w->PlayerBrelo->shutdown(500);
        w.reset();
        Errors::setErrorReporter({});
    }

    void playingChannelPickedAgainKeepsPlaying()
    {
        writes->clear();
        const int requests = station.requests();
        choose(1);
        QTest::qWait(500);
        QCOMPARE(urlWrites(), 0);
        QCOMPARE(status(), MediaEngine::Status::Playing);
        QCOMPARE(station.requests(), requests);
    }

    void connectingChannelPickedAgainKeepsConnecting()
    {
        choose(2);
        QTRY_COMPARE_WITH_TIMEOUT(status(), MediaEngine::Status::Connecting, 5000);
        // Counting starts once the first pick's connection has reached the
        // server, however late a busy machine lets it arrive: only a
        // request the second pick causes may show up in the count.
        QTRY_COMPARE_WITH_TIMEOUT(station.openConnections(QUrl(address(2)).path()), 1, 15000);
        const int requests = station.requests();
        writes->clear();
        choose(2);
        QTest::qWait(300);
        QCOMPARE(urlWrites(), 0);
        QCOMPARE(station.requests(), requests);
        QCOMPARE(status(), MediaEngine::Status::Connecting);
    }

    void stoppedChannelPickedAgainStartsAfresh()
    {
        choose(1);
        QTRY_COMPARE_WITH_TIMEOUT(status(), MediaEngine::Status::Playing, 15000);
        w->PlayerBrelo->stop();
        QTRY_COMPARE(status(), MediaEngine::Status::Stopped);
        writes->clear();
        choose(1);
        QCOMPARE(urlWrites(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(status(), MediaEngine::Status::Playing, 15000);
    }

    void failedChannelPickedAgainTriesAfresh()
    {
        // Row 3's host is the same as row 1's, but nothing is served there.
        choose(3);
        QTRY_COMPARE_WITH_TIMEOUT(status(), MediaEngine::Status::Failed, 20000);
        writes->clear();
        choose(3);
        QCOMPARE(urlWrites(), 1);
    }
};

int main(int argc, char **argv)
{
    hostMapped = mapFirstHostHere();
    QApplication app(argc, argv);
    TestChannelRepick test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_channelrepick.moc"
