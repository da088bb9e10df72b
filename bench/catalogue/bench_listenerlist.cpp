// What reading a listener's channel list costs, off the user-interface
// thread: ListenerList::parse on a typical 500-entry IPTV list and on the
// largest file taken (32 MiB), each against decoding and splitting the same
// bytes into lines, the least any reader must do.
//
//   bench_listenerlist [rounds]
#include "catalogue/listenerlistparser.h"

#include <QElapsedTimer>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

QByteArray typicalList()
{
    QByteArray b = "#EXTM3U\n";
    for (int i = 1; i <= 500; ++i)
        b += "#EXTINF:-1 tvg-id=\"canal" + QByteArray::number(i)
            + "\" group-title=\"R\xC3\xA1"
              "dios, M\xC3\xBAsica\",R\xC3\xA1"
              "dio n\xC2\xBA "
            + QByteArray::number(i) + "\nhttp://radio" + QByteArray::number(i)
            + ".example.net:8000/aovivo/stream.mp3\n";
    return b;
}

// The most bytes taken, all of them entries: past the most entries taken
// the parser stops, so the rest is lines it must still decode.
QByteArray largestList()
{
    QByteArray b = typicalList();
    while (b.size() < ListenerList::maxBytes - 200)
        b += "#EXTINF:-1,Mais uma\nhttp://mais.example.org/" + QByteArray::number(b.size()) + "\n";
    return b.left(ListenerList::maxBytes);
}

// The most bytes of short lines that are no address: every one is looked at and
// set aside.
QByteArray badLines()
{
    QByteArray b;
    while (b.size() < ListenerList::maxBytes - 8)
        b += "musica\n";
    return b;
}

// Best of `rounds`, in microseconds.
double best(int rounds, const std::function<qsizetype()> &work)
{
    double us = 1e18;
    qsizetype sink = 0;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        sink += work();
        us = std::min(us, t.nsecsElapsed() / 1000.0);
    }
    return sink >= 0 ? us : 0;
}

void measure(const char *name, const QByteArray &bytes, int rounds)
{
    const double reference = best(rounds, [&] {
        const QString text = QString::fromUtf8(bytes);
        return QStringView(text).split(u'\n').size();
    });
    const double parse = best(rounds, [&] { return ListenerList::parse(bytes).rows.size(); });
    std::printf("%-22s %8lld bytes  %2lld rows  parse %8.0f us  decode+split %8.0f us  ratio %.1f\n", name,
                qlonglong(bytes.size()), qlonglong(ListenerList::parse(bytes).rows.size()), parse, reference,
                parse / reference);
}

}  // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    measure("500 entries (IPTV)", typicalList(), rounds);
    measure("32 MiB of entries", largestList(), rounds);
    measure("32 MiB of bad lines", badLines(), rounds);
    return 0;
}
