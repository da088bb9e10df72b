#include "catalogue/listenerlistparser.h"

#include "catalogue/channelrules.h"

#include <QMap>
#include <QSet>
#include <QStringDecoder>
#include <QUrl>

namespace ListenerList {

namespace {

Parsed refused(const QString &reason)
{
    Parsed p;
    p.reasons << reason;
    return p;
}

// Index of the comma that ends "#EXTINF:<duration> <attributes>": the first
// outside the quoted attribute values (IPTV lists write
// group-title="News, Sports" before the title); -1 when there is none.
qsizetype titleComma(QStringView line)
{
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == u'"')
            quoted = !quoted;
        else if (line[i] == u',' && !quoted)
            return i;
    }
    return -1;
}

// The value of `name="…"` among a line's attributes.
QString attribute(QStringView line, QLatin1StringView name)
{
    qsizetype from = 0;
    while ((from = line.indexOf(name, from, Qt::CaseInsensitive)) >= 0) {
        const qsizetype eq = from + name.size();
        const bool starts = from == 0 || line[from - 1].isSpace();
        if (starts && line.mid(eq).startsWith(QLatin1String("=\""))) {
            const qsizetype end = line.indexOf(u'"', eq + 2);
            if (end > 0)
                return line.mid(eq + 2, end - eq - 2).trimmed().toString();
        }
        from = eq;
    }
    return {};
}

// "address|User-Agent=…&Referer=…", as Kodi and many IPTV lists write it.
void takePipeOptions(QString &address, CatalogueEntry &row)
{
    const qsizetype bar = address.indexOf(u'|');
    if (bar < 0)
        return;
    const QString options = address.mid(bar + 1);
    address.truncate(bar);
    for (const QString &pair : options.split(u'&', Qt::SkipEmptyParts)) {
        const QString key = pair.section(u'=', 0, 0).trimmed();
        const QString value = QUrl::fromPercentEncoding(pair.section(u'=', 1).toUtf8());
        // Never a line break into a request's headers.
        if (key.compare(QLatin1String("User-Agent"), Qt::CaseInsensitive) == 0)
            row.userAgent = cleanName(value);
        else if (key.compare(QLatin1String("Referer"), Qt::CaseInsensitive) == 0
                 || key.compare(QLatin1String("Referrer"), Qt::CaseInsensitive) == 0)
            row.referrer = cleanName(value);
    }
}

QByteArray freshLines(const CatalogueEntry &row)
{
    QString lines = QStringLiteral("#EXTINF:-1");
    if (!row.group.isEmpty())
        lines += QStringLiteral(" group-title=\"%1\"").arg(QString(row.group).remove(u'"'));
    lines += u',' + row.text + u'\n';
    if (!row.userAgent.isEmpty())
        lines += QStringLiteral("#EXTVLCOPT:http-user-agent=") + row.userAgent + u'\n';
    if (!row.referrer.isEmpty())
        lines += QStringLiteral("#EXTVLCOPT:http-referrer=") + row.referrer + u'\n';
    lines += row.address + u'\n';
    return lines.toUtf8();
}

// "[playlist]" with File1=…, Title1=…: the rows are written afresh as M3U.
Parsed parsePls(const QString &text)
{
    Parsed p;
    QMap<int, QString> files, titles;
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QStringView key = line.first(eq).trimmed();
        for (auto [prefix, into] :
             {std::pair{QLatin1String("File"), &files}, {QLatin1String("Title"), &titles}}) {
            bool number = false;
            const int n
                = key.startsWith(prefix, Qt::CaseInsensitive) ? key.mid(prefix.size()).toInt(&number) : 0;
            if (number)
                into->insert(n, line.mid(eq + 1).trimmed().toString());
        }
    }
    QSet<QString> texts;
    for (auto it = files.cbegin(); it != files.cend() && p.rows.size() < maxRows; ++it) {
        if (!ChannelRules::isNetworkAddress(it.value())) {
            ++p.skipped;
            continue;
        }
        QString text = cleanName(titles.value(it.key()));
        if (text.isEmpty() || texts.contains(text))
            text = it.value();
        if (texts.contains(text))
            continue;
        texts.insert(text);
        p.rows.append({text, it.value()});
    }
    p.cut = files.size() - p.skipped > maxRows;
    if (p.rows.isEmpty())
        p.reasons << QStringLiteral("no valid entry");
    return p;
}

}  // namespace

QString cleanName(QStringView text)
{
    QString clean;
    clean.reserve(text.size());
    for (const QChar c : text)
        clean += (c.category() == QChar::Other_Control) ? QChar(u' ') : c;
    return clean.simplified();
}

Parsed parse(QByteArrayView bytes)
{
    if (bytes.size() > maxBytes)
        return refused(QStringLiteral("larger than %1 MiB").arg(maxBytes / (1024 * 1024)));
    const qsizetype bom = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    if (bytes.sliced(bom).trimmed().isEmpty())
        return refused(QStringLiteral("empty"));
    if (bytes.contains('\0'))
        return refused(QStringLiteral("binary data, not a text file"));
    {
        QStringDecoder check(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString whole = check(bytes.sliced(bom));
        if (check.hasError())
            return refused(QStringLiteral("not UTF-8 text"));
        if (QStringView(whole).trimmed().startsWith(QLatin1String("[playlist]"), Qt::CaseInsensitive))
            return parsePls(whole);
    }

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
    // Everything from the end of the last row (or header) on belongs to the
    // next row, or is the trailer.
    qsizetype chunk = 0;
    auto finish = [&](const QString &last) {
        p.trailer = bytes.sliced(chunk).toByteArray();
        if (leftOut > namedLines)
            p.reasons << QStringLiteral("%1 more lines left out").arg(leftOut - namedLines);
        if (!last.isEmpty())
            p.reasons << last;
        return p;
    };
    const QString noAddress = QStringLiteral("#EXTINF without an address");
    const QString notNetwork
        = QStringLiteral("not a network address (%1)").arg(ChannelRules::networkSchemes());
    const QString repeated = QStringLiteral("the same text as an earlier entry; the first is kept");

    QSet<QString> texts;
    CatalogueEntry pending;
    QString title;
    int titleLine = 0;  // line of a #EXTINF still waiting for its address
    bool seenAny = false;
    int number = 0;
    for (qsizetype at = 0; at < bytes.size();) {
        qsizetype end = bytes.indexOf('\n', at);
        end = end < 0 ? bytes.size() : end + 1;
        ++number;
        const QByteArrayView raw = bytes.sliced(at == 0 ? bom : at, end - (at == 0 ? bom : at));
        at = end;
        const QString decoded = QString::fromUtf8(raw);
        const QStringView line = QStringView(decoded).trimmed();
        if (line.isEmpty())
            continue;
        const bool first = !std::exchange(seenAny, true);
        if (line.startsWith(u'#')) {
            if (first && line.startsWith(QLatin1String("#EXTM3U"), Qt::CaseInsensitive)) {
                p.header = bytes.first(end).toByteArray();
                chunk = end;
                for (const char *name : {"x-tvg-url", "url-tvg", "tvg-url"})
                    for (const QString &guide :
                         attribute(line, QLatin1StringView(name)).split(u',', Qt::SkipEmptyParts))
                        if (!p.guides.contains(guide.trimmed()))
                            p.guides << guide.trimmed();
            } else if (line.startsWith(QLatin1String("#EXTINF:"), Qt::CaseInsensitive)) {
                if (titleLine)
                    leaveOut(titleLine, noAddress);
                const qsizetype comma = titleComma(line);
                title = comma < 0 ? QString() : line.mid(comma + 1).trimmed().toString();
                const QStringView head = comma < 0 ? line : line.first(comma);
                // #EXTGRP may come first; the attribute wins.
                for (const char *name : {"tvg-group", "group-title"})
                    if (QString group = attribute(head, QLatin1StringView(name)); !group.isEmpty())
                        pending.group = group;
                titleLine = number;
            } else if (line.startsWith(QLatin1String("#EXTGRP:"), Qt::CaseInsensitive)) {
                if (pending.group.isEmpty())
                    pending.group = line.mid(8).trimmed().toString();
            } else if (line.startsWith(QLatin1String("#EXTVLCOPT:"), Qt::CaseInsensitive)) {
                const QStringView option = line.mid(11).trimmed();
                if (option.startsWith(QLatin1String("http-user-agent="), Qt::CaseInsensitive))
                    pending.userAgent = cleanName(option.mid(16));
                else if (option.startsWith(QLatin1String("http-referrer="), Qt::CaseInsensitive))
                    pending.referrer = cleanName(option.mid(14));
            }
            continue;
        }

        CatalogueEntry row = std::exchange(pending, {});
        const bool titled = titleLine && !title.isEmpty();
        titleLine = 0;
        QString address = line.toString();
        takePipeOptions(address, row);
        address = address.trimmed();
        if (!ChannelRules::isNetworkAddress(address)) {
            ++p.skipped;
            leaveOut(number, notNetwork, line);
            continue;
        }
        QString rowText = titled ? cleanName(title) : address;
        if (rowText.isEmpty())
            rowText = address;
        if (texts.contains(rowText)) {
            leaveOut(number, repeated, address);
            continue;
        }
        if (p.rows.size() == maxRows) {
            p.cut = true;
            return finish(QStringLiteral("line %1: more than %2 entries; the rest is left out")
                              .arg(number)
                              .arg(maxRows));
        }
        texts.insert(rowText);
        row.text = rowText;
        row.address = address;
        row.source = bytes.sliced(chunk, end - chunk).toByteArray();
        chunk = end;
        p.rows.append(std::move(row));
    }
    if (titleLine)
        leaveOut(titleLine, noAddress);
    return finish(p.rows.isEmpty() ? QStringLiteral("no valid entry") : QString());
}

QByteArray write(const Parsed &list)
{
    QByteArray out = list.header;
    const bool fresh = std::any_of(list.rows.cbegin(), list.rows.cend(),
                                   [](const CatalogueEntry &r) { return r.source.isEmpty(); });
    if (out.isEmpty() && fresh)
        out = "#EXTM3U\n";
    for (const CatalogueEntry &row : list.rows) {
        if (!out.isEmpty() && !out.endsWith('\n'))
            out += '\n';
        out += row.source.isEmpty() ? freshLines(row) : row.source;
    }
    if (!list.trailer.isEmpty() && !out.isEmpty() && !out.endsWith('\n') && fresh)
        out += '\n';
    return out + list.trailer;
}

CatalogueEntry renamed(const CatalogueEntry &row, const QString &text)
{
    CatalogueEntry r = row;
    r.text = cleanName(text);
    QString lines = QString::fromUtf8(row.source);
    qsizetype at = 0;
    while (at < lines.size()) {
        qsizetype end = lines.indexOf(u'\n', at);
        end = end < 0 ? lines.size() : end;
        const QStringView line = QStringView(lines).sliced(at, end - at);
        if (line.trimmed().startsWith(QLatin1String("#EXTINF:"), Qt::CaseInsensitive)) {
            const qsizetype comma = titleComma(line);
            const qsizetype cr = line.endsWith(u'\r') ? 1 : 0;
            if (comma < 0)
                lines.insert(end - cr, u',' + r.text);
            else
                lines.replace(at + comma + 1, end - cr - at - comma - 1, r.text);
            r.source = lines.toUtf8();
            return r;
        }
        at = end + 1;
    }
    // Only an address: written afresh under its new name.
    r.source.clear();
    return r;
}

}  // namespace ListenerList
