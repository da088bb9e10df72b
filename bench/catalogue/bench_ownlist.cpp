// A listener's list of 20 000 channels against the built-in table, in one
// run, on the real windows:
// - start-up: the main window built, its list read off the user-interface
//   thread, until the window is on screen (and until the list is in);
// - the compact list dropping down, and its type-ahead per key;
// - the Canais window's filter per key;
// - heap held with the list loaded, over the built-in table.
//
//   scripts/test-session.sh build/bench/catalogue/bench_ownlist [--runs 7] [--entries 20000]
#include "catalogue/channelstore.h"
#include "catalogue/listenerlistloader.h"
#include "channels/formcanais.h"
#include "media/playbacksession.h"
#include "player/principal.h"
#include "support/testsupport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <QTest>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

QByteArray listOf(int count)
{
    QByteArray b = "#EXTM3U x-tvg-url=\"http://guia.example/epg.xml\"\n";
    for (int i = 1; i <= count; ++i)
        b += "#EXTINF:-1 tvg-id=\"c" + QByteArray::number(i) + "\" tvg-logo=\"http://logo.example/"
            + QByteArray::number(i) + ".png\" group-title=\"Grupo " + QByteArray::number(i % 50) + "\",Canal "
            + QByteArray::number(i) + "\nhttp://tv" + QByteArray::number(i % 97) + ".example.net:8080/live/"
            + QByteArray::number(i) + "/index.m3u8\n";
    return b;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? -1 : v.at(v.size() / 2);
}

double ms(const QElapsedTimer &t)
{
    return t.nsecsElapsed() / 1e6;
}

// Spins the event loop until `done`, without the 10 ms naps of QTest::qWait.
void spinUntil(const std::function<bool()> &done, int timeoutMs = 30000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
}

struct Start {
    double shown;
    double listIn;
};

// `file` empty: the built-in table.
Start startWindow(const QString &file, int expected)
{
    QElapsedTimer t;
    t.start();
    auto w = std::make_unique<TFormPrincipal>();
    w->setChannelSource(new ListenerListLoader([file] { return ListenerList::load(file); }));
    w->FormCreate();
    w->show();
    spinUntil([&] { return w->windowHandle() && w->windowHandle()->isExposed(); });
    const double shown = ms(t);
    spinUntil([&] { return w->BreloCombo->count() == expected + 1; });
    return {shown, ms(t)};
}

size_t heapInUse()
{
    malloc_trim(0);
    return mallinfo2().uordblks;
}

double worstKey(QWidget *target, const QString &keys)
{
    double worst = 0;
    for (const QChar c : keys) {
        QElapsedTimer t;
        t.start();
        QTest::keyClick(target, c.toLatin1());
        QCoreApplication::processEvents();
        worst = std::max(worst, ms(t));
    }
    return worst;
}

void measureLists(TFormPrincipal &w, TFormCanais &canais, const QString &label, int runs)
{
    const QByteArray name = label.toUtf8();
    QList<double> opens;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        w.BreloCombo->showPopup();
        QWidget *popup = w.BreloCombo->view()->window();
        spinUntil([&] { return popup->windowHandle() && popup->windowHandle()->isExposed(); });
        opens << ms(t);
        w.BreloCombo->hidePopup();
        spinUntil([&] { return !popup->isVisible(); });
    }
    std::printf("%s: compact list drops down in %.1f ms (median of %d)\n", name.constData(), median(opens),
                runs);

    w.activateWindow();
    spinUntil([&] { return w.isActiveWindow(); }, 2000);
    w.BreloCombo->setFocus();
    std::printf("%s: type-ahead, worst key of \"Canal 19999\": %.1f ms\n", name.constData(),
                worstKey(w.BreloCombo, "Canal 19999"));

    canais.activateWindow();
    spinUntil([&] { return canais.isActiveWindow(); }, 2000);
    auto *filter = canais.findChild<QLineEdit *>("Filtro");
    filter->clear();
    filter->setFocus();
    const double first = worstKey(filter, "canal 1999");
    filter->clear();
    QCoreApplication::processEvents();
    const double second = worstKey(filter, "grupo 7");
    filter->clear();
    std::printf("%s: Canais filter, worst key of \"canal 1999\" %.1f ms, of \"grupo 7\" %.1f ms\n",
                name.constData(), first, second);
}

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCommandLineParser cli;
    cli.addOption({"runs", "rounds of each start-up", "n", "7"});
    cli.addOption({"entries", "entries in the listener's list", "n", "20000"});
    cli.process(app);
    const int runs = std::max(1, cli.value("runs").toInt());
    const int entries = std::max(1, cli.value("entries").toInt());
    TestSupport::quietEngines();

    QTemporaryDir dir;
    const QString file = dir.filePath("canais.m3u");
    {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly) || f.write(listOf(entries)) < 0)
            return 1;
    }

    // Start-up, in turns so that a busy moment weighs on both alike.
    QList<double> plainShown, ownShown, ownIn;
    const int table = TFormPrincipal().channels().size();
    for (int i = 0; i < runs; ++i) {
        plainShown << startWindow({}, table).shown;
        const Start own = startWindow(file, entries);
        ownShown << own.shown;
        ownIn << own.listIn;
    }
    std::printf("start-up to window shown: built-in %d channels %.1f ms, own list %d entries %.1f ms "
                "(+%.1f ms); own list in the compact list after %.1f ms (medians of %d)\n",
                table, median(plainShown), entries, median(ownShown), median(ownShown) - median(plainShown),
                median(ownIn), runs);

    // The rest on one window: the built-in table first, then the list.
    TFormPrincipal w;
    w.FormCreate();
    w.show();
    spinUntil([&] { return w.windowHandle() && w.windowHandle()->isExposed(); });
    QNetworkAccessManager network;
    ChannelStore store({}, dir.filePath("salvo.m3u"));
    TFormCanais canais(w.session(), &store, &network, &w);
    canais.show();
    spinUntil([&] { return canais.windowHandle() && canais.windowHandle()->isExposed(); });

    const size_t before = heapInUse();
    measureLists(w, canais, QStringLiteral("built-in %1").arg(table), runs);
    w.session()->setChannels(ListenerList::load(file).rows);
    spinUntil([&] { return w.BreloCombo->count() == entries + 1; });
    const size_t after = heapInUse();
    std::printf("heap with %d entries loaded: +%.1f MiB over the built-in table\n", entries,
                (double(after) - double(before)) / (1024 * 1024));
    measureLists(w, canais, QStringLiteral("own list %1").arg(entries), runs);
    return 0;
}
