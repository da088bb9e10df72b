#include "media/playlist.h"

#include <QMap>
#include <QRegularExpression>

#include <algorithm>

namespace Playlist {

namespace {

QString resolved(const QString &entry, const QUrl &base)
{
    const QUrl u(entry.trimmed());
    if (!u.isValid())
        return {};
    return base.resolved(u).toString();
}

QString unescapeXml(QString s)
{
    s.replace(QLatin1String("&lt;"), QLatin1String("<"));
    s.replace(QLatin1String("&gt;"), QLatin1String(">"));
    s.replace(QLatin1String("&quot;"), QLatin1String("\""));
    s.replace(QLatin1String("&apos;"), QLatin1String("'"));
    s.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return s;
}

QString decode(const QByteArray &body)
{
    // Old ASX files are often Latin-1; a UTF-8 BOM or valid UTF-8 wins.
    QByteArray b = body;
    if (b.startsWith("\xEF\xBB\xBF"))
        b.remove(0, 3);
    const QString utf8 = QString::fromUtf8(b);
    if (!utf8.contains(QChar::ReplacementCharacter))
        return utf8;
    return QString::fromLatin1(b);
}

// "Key1=...", "Key2=..." lines of an ini-style playlist, in number order.
QStringList numberedEntries(const QString &text, const QString &key, const QUrl &base)
{
    const QRegularExpression line(QStringLiteral("^\\s*%1(\\d+)\\s*=\\s*(\\S.*?)\\s*$").arg(key),
                                  QRegularExpression::CaseInsensitiveOption
                                      | QRegularExpression::MultilineOption);
    QMap<int, QString> numbered;
    for (auto it = line.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        numbered.insert(m.captured(1).toInt(), m.captured(2));
    }
    QStringList out;
    for (const QString &entry : numbered) {
        const QString a = resolved(entry, base);
        if (!a.isEmpty())
            out << a;
    }
    return out;
}

}  // namespace

bool looksLikePlaylist(const QUrl &url)
{
    static const QRegularExpression ext(QStringLiteral("\\.(asx|wvx|wax|m3u|pls)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https") && scheme != QLatin1String("mms"))
        return false;
    return ext.match(url.path()).hasMatch();
}

QUrl fetchAddress(const QUrl &url)
{
    QUrl u = url;
    if (u.scheme().compare(QLatin1String("mms"), Qt::CaseInsensitive) == 0)
        u.setScheme(QStringLiteral("http"));
    return u;
}

QStringList entries(const QByteArray &body, const QUrl &base)
{
    const QString text = decode(body);
    QStringList out;
    const QString head = text.left(512).trimmed();

    // Ref1=..., Ref2=...: numbered, tried in number order.
    if (head.startsWith(QLatin1String("[Reference]"), Qt::CaseInsensitive))
        return numberedEntries(text, QStringLiteral("Ref"), base);

    if (text.contains(QLatin1String("<asx"), Qt::CaseInsensitive)) {
        // <ref href="..."/> and <entryref href="..."/> in document order; ASX
        // in the wild is not well-formed XML, so no XML parser.
        static const QRegularExpression ref(
            QStringLiteral("<\\s*(ref|entryref)\\b[^>]*?\\bhref\\s*=\\s*(\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"),
            QRegularExpression::CaseInsensitiveOption);
        // Comments may hide entries.
        QString visible = text;
        visible.remove(
            QRegularExpression(QStringLiteral("<!--.*?-->"), QRegularExpression::DotMatchesEverythingOption));
        for (auto it = ref.globalMatch(visible); it.hasNext();) {
            const auto m = it.next();
            QString href = m.captured(3);
            if (href.isEmpty())
                href = m.captured(4);
            if (href.isEmpty())
                href = m.captured(5);
            const QString a = resolved(unescapeXml(href), base);
            if (!a.isEmpty())
                out << a;
        }
        return out;
    }

    if (head.startsWith(QLatin1String("[playlist]"), Qt::CaseInsensitive))
        return numberedEntries(text, QStringLiteral("File"), base);

    // M3U: one address per line, comments start with '#'. Only lines that
    // look like addresses count, so an HTML error page yields nothing.
    static const QRegularExpression addressLike(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://\\S+$"));
    for (QString line : text.split(QRegularExpression(QStringLiteral("[\r\n]+")))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (!addressLike.match(line).hasMatch())
            continue;
        out << line;
    }
    return out;
}

QStringList candidates(const QString &address)
{
    QStringList out{address};
    QUrl u(address);
    if (u.scheme().compare(QLatin1String("mms"), Qt::CaseInsensitive) == 0) {
        u.setScheme(QStringLiteral("http"));
        out << u.toString();
    }
    return out;
}

}  // namespace Playlist
