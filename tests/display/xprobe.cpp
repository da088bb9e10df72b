#include "display/xprobe.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <functional>

namespace XProbe {

QString run(const QString &program, const QStringList &args, int msTimeout)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(msTimeout) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        p.kill();
        p.waitForFinished(1000);
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

namespace {

QString hex(quint64 w)
{
    return QStringLiteral("0x%1").arg(w, 0, 16);
}

int field(const QString &text, const QString &label)
{
    const QRegularExpression re(QRegularExpression::escape(label) + QStringLiteral(":\\s*(-?\\d+)"));
    const auto m = re.match(text);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

QList<quint64> windowIds(const QString &text)
{
    QList<quint64> ids;
    static const QRegularExpression re(QStringLiteral("0x[0-9a-fA-F]+"));
    for (auto it = re.globalMatch(text); it.hasNext();)
        ids.append(it.next().captured(0).toULongLong(nullptr, 16));
    return ids;
}

QList<int> cardinals(const QString &text)
{
    QList<int> values;
    const int eq = text.indexOf(u'=');
    if (eq < 0)
        return values;
    for (const QString &part : text.mid(eq + 1).split(u',', Qt::SkipEmptyParts))
        values.append(part.trimmed().toInt());
    return values;
}

quint64 parentOf(quint64 w)
{
    const QString tree
        = run(QStringLiteral("xwininfo"), {QStringLiteral("-tree"), QStringLiteral("-id"), hex(w)});
    static const QRegularExpression re(QStringLiteral("Parent window id: (0x[0-9a-fA-F]+)"));
    const auto m = re.match(tree);
    return m.hasMatch() ? m.captured(1).toULongLong(nullptr, 16) : 0;
}

}  // namespace

QRect outerRect(quint64 window)
{
    const QString info = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), hex(window)});
    if (info.isEmpty())
        return {};
    const QRect client(field(info, QStringLiteral("Absolute upper-left X")),
                       field(info, QStringLiteral("Absolute upper-left Y")),
                       field(info, QStringLiteral("Width")), field(info, QStringLiteral("Height")));
    const QList<int> e = cardinals(run(
        QStringLiteral("xprop"), {QStringLiteral("-id"), hex(window), QStringLiteral("_NET_FRAME_EXTENTS")}));
    if (e.size() != 4)
        return client;
    // left, right, top, bottom
    return client.adjusted(-e[0], -e[2], e[1], e[3]);
}

bool isViewable(quint64 window)
{
    return run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), hex(window)})
        .contains(QStringLiteral("IsViewable"));
}

int wmState(quint64 window)
{
    const QString s
        = run(QStringLiteral("xprop"), {QStringLiteral("-id"), hex(window), QStringLiteral("WM_STATE")});
    if (s.contains(QStringLiteral("Iconic")))
        return 3;
    if (s.contains(QStringLiteral("Normal")))
        return 1;
    return 0;
}

QStringList netWmState(quint64 window)
{
    const QString s
        = run(QStringLiteral("xprop"), {QStringLiteral("-id"), hex(window), QStringLiteral("_NET_WM_STATE")});
    const int eq = s.indexOf(u'=');
    if (eq < 0)
        return {};
    QStringList atoms;
    for (const QString &a : s.mid(eq + 1).split(u',', Qt::SkipEmptyParts))
        atoms.append(a.trimmed());
    return atoms;
}

QList<quint64> clientList()
{
    return windowIds(
        run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST")}));
}

QList<quint64> stackingList()
{
    return windowIds(
        run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")}));
}

QString title(quint64 window)
{
    const QString s
        = run(QStringLiteral("xprop"), {QStringLiteral("-id"), hex(window), QStringLiteral("_NET_WM_NAME")});
    const int a = s.indexOf(u'"');
    const int b = s.lastIndexOf(u'"');
    return a >= 0 && b > a ? s.mid(a + 1, b - a - 1) : QString();
}

QList<quint64> trayIcons(const QString &classname)
{
    QList<quint64> icons;
    static const QRegularExpression rootRe(QStringLiteral("Window id: (0x[0-9a-fA-F]+)"));
    const auto m = rootRe.match(run(QStringLiteral("xwininfo"), {QStringLiteral("-root")}));
    const quint64 root = m.hasMatch() ? m.captured(1).toULongLong(nullptr, 16) : 0;
    const QStringList ids
        = run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--classname"), classname})
              .split(u'\n', Qt::SkipEmptyParts);
    for (const QString &id : ids) {
        const quint64 w = id.toULongLong();
        // An embedded icon hangs below the tray host's window (which the
        // window manager may have framed in turn).
        bool embedded = false;
        quint64 p = parentOf(w);
        for (int depth = 0; p && p != root && depth < 8 && !embedded; ++depth, p = parentOf(p)) {
            embedded
                = run(QStringLiteral("xprop"), {QStringLiteral("-id"), hex(p), QStringLiteral("WM_CLASS")})
                      .contains(QStringLiteral("\"trayer\""));
        }
        if (embedded && isViewable(w))
            icons.append(w);
    }
    return icons;
}

bool waitFor(const std::function<bool()> &condition, int msTimeout)
{
    QDeadlineTimer deadline(msTimeout);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(50);
    }
    return true;
}

quint64 waitForClientWindow(qint64 pid, const QString &titleRegex, int msTimeout)
{
    quint64 found = 0;
    waitFor(
        [&] {
            const QStringList ids
                = run(QStringLiteral("xdotool"),
                      {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                       QString::number(pid), QStringLiteral("--name"), titleRegex})
                      .split(u'\n', Qt::SkipEmptyParts);
            const QList<quint64> clients = clientList();
            for (const QString &id : ids)
                if (clients.contains(id.toULongLong()))
                    found = id.toULongLong();
            return found != 0;
        },
        msTimeout);
    return found;
}

}  // namespace XProbe
