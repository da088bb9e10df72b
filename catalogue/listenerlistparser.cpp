#include "catalogue/listenerlistparser.h"

#include "catalogue/channelrules.h"

#include <QSet>
#include <QStringDecoder>

namespace ListenerList {

namespace {

Parsed refused(const QString &reason)
{
    return Parsed{{}, {reason}};
}

// The title of "#EXTINF:<duration> <attributes>,<title>": everything after
// the first comma outside the quoted attribute values (IPTV lists write
// group-title="News, Sports" before the title).
QString extinfTitle(QStringView line)
{
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == u'"')
            quoted = !quoted;
        else if (line[i] == u',' && !quoted)
            return line.mid(i + 1).trimmed().toString();
    }
    return {};
}

}  // namespace

Parsed parse(QByteArrayView bytes)
{
    if (bytes.size() > maxBytes)
        return refused(QStringLiteral("larger than 1 MiB"));
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    if (bytes.trimmed().isEmpty())
        return refused(QStringLiteral("empty"));
    if (bytes.contains('\0'))
        return refused(QStringLiteral("binary data, not a text file"));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (utf8.hasError())
        return refused(QStringLiteral("not UTF-8 text"));

    Parsed p;
    // A file of nothing but bad lines would otherwise fill the log with them.
    constexpr int namedLines = 20;
    int leftOut = 0;
    auto leaveOut = [&](int line, const QString &why, QStringView address = {}) {
        if (++leftOut > namedLines)
            return;
        QString reason = QStringLiteral("line %1: %2").arg(line).arg(why);
        if (!address.isEmpty())
            reason += QStringLiteral(": ") + address.toString();
        p.reasons << reason;
    };
    auto finish = [&](const QString &last) {
        if (leftOut > namedLines)
            p.reasons << QStringLiteral("%1 more lines left out").arg(leftOut - namedLines);
        if (!last.isEmpty())
            p.reasons << last;
        return p;
    };
    const QString noAddress = QStringLiteral("#EXTINF without an address");
    const QString notNetwork
        = QStringLiteral("not a network address (%1)").arg(ChannelRules::networkSchemes());
    const QString control = QStringLiteral("control character in the title");
    const QString repeated = QStringLiteral("the same text as an earlier entry; the first is kept");

    QSet<QString> texts;
    QString title;
    int titleLine = 0;  // line of a #EXTINF still waiting for its address
    const QList<QStringView> lines = QStringView(text).split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int number = int(i) + 1;
        const QStringView line = lines.at(i).trimmed();
        if (line.isEmpty())
            continue;
        if (line.startsWith(u'#')) {
            if (line.startsWith(QLatin1String("#EXTINF:"), Qt::CaseInsensitive)) {
                if (titleLine)
                    leaveOut(titleLine, noAddress);
                title = extinfTitle(line);
                titleLine = number;
            }
            continue;
        }

        const bool titled = titleLine && !title.isEmpty();
        titleLine = 0;
        if (!ChannelRules::isNetworkAddress(line)) {
            leaveOut(number, notNetwork, line);
            continue;
        }
        const QString address = line.toString();
        const QString rowText = titled ? title : address;
        if (ChannelRules::hasControlCharacter(rowText)) {
            leaveOut(number, control);
            continue;
        }
        if (texts.contains(rowText)) {
            leaveOut(number, repeated, address);
            continue;
        }
        if (p.rows.size() == ChannelRules::maxRows)
            return finish(QStringLiteral("line %1: more than %2 entries; the rest is left out")
                              .arg(number)
                              .arg(ChannelRules::maxRows));
        texts.insert(rowText);
        p.rows.append({rowText, address});
    }
    if (titleLine)
        leaveOut(titleLine, noAddress);
    return finish(p.rows.isEmpty() ? QStringLiteral("no valid entry") : QString());
}

}  // namespace ListenerList
