#include "proctree.h"

#include <QDir>
#include <QFile>
#include <QMultiHash>
#include <QString>

#include <unistd.h>

namespace ProcTree {

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

qint64 field(const QByteArray &text, const QByteArray &name)
{
    for (const QByteArray &line : text.split('\n')) {
        if (line.startsWith(name))
            return line.mid(name.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

// The fields of /proc/<pid>/stat after the command name, which may hold
// blanks and parentheses itself: state is [0], parent [1], utime [11].
QList<QByteArray> statFields(int pid)
{
    const QByteArray stat = readFile(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    return close < 0 ? QList<QByteArray>() : stat.mid(close + 2).split(' ');
}

}  // namespace

namespace {

QMultiHash<int, int> childrenByParent()
{
    QMultiHash<int, int> children;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool ok = false;
        const int pid = entry.toInt(&ok);
        if (ok)
            children.insert(statFields(pid).value(1).toInt(), pid);
    }
    return children;
}

}  // namespace

QList<int> pids(int root)
{
    const QMultiHash<int, int> children = childrenByParent();
    QList<int> tree{root};
    for (qsizetype i = 0; i < tree.size(); ++i)
        tree += children.values(tree.at(i));
    return tree;
}

Memory memory(int root, QByteArray *report)
{
    Memory total;
    const QMultiHash<int, int> children = childrenByParent();
    for (int pid : pids(root)) {
        const QByteArray rollup = readFile(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
        const QByteArray name = readFile(QStringLiteral("/proc/%1/comm").arg(pid)).trimmed();
        const QByteArray cmd = readFile(QStringLiteral("/proc/%1/cmdline").arg(pid));
        const qsizetype typeAt = cmd.indexOf("--type=");
        QByteArray type = typeAt < 0 ? QByteArray("main") : cmd.mid(typeAt + 7).split('\0').value(0);
        // Renderers are forked from the zygote and keep its command line.
        // With the sandbox on, the zygote itself runs under a first one that
        // only reaps its namespace's orphans; only renderers fork nothing.
        const int parent = statFields(pid).value(1).toInt();
        if (type == "zygote"
            && readFile(QStringLiteral("/proc/%1/cmdline").arg(parent)).contains("--type=zygote"))
            type = children.contains(pid) ? "zygote" : "renderer";
        const Memory m{field(rollup, "Rss:"), field(rollup, "Pss:"),
                       field(rollup, "Private_Clean:") + field(rollup, "Private_Dirty:")};
        if (report)
            *report
                += QString::asprintf("  pid %-7d %-18s %-10s RSS %7.1f MiB  PSS %7.1f MiB\n", pid,
                                     name.constData(), type.constData(), m.rssKb / 1024.0, m.pssKb / 1024.0)
                       .toUtf8();
        total.rssKb += m.rssKb;
        total.pssKb += m.pssKb;
        total.ussKb += m.ussKb;
    }
    return total;
}

double ownCpuSeconds(int pid)
{
    const QList<QByteArray> f = statFields(pid);
    return (f.value(11).toLongLong() + f.value(12).toLongLong()) / double(::sysconf(_SC_CLK_TCK));
}

double cpuSeconds(int root)
{
    double total = 0;
    for (int pid : pids(root))
        total += ownCpuSeconds(pid);
    return total;
}

}  // namespace ProcTree
