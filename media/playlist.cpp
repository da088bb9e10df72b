#include "media/playlist.h"

#include <QMap>
#include <QRegularExpression>

namespace Playlist {

namespace {

QString resolved(const QString &entry, const QUrl &base)
{
    const QUrl u(entry.trimmed(), QUrl::TolerantMode);
    if (!u.isValid() || u.isEmpty())
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
// Read a line at a time: an empty value is no entry and never reaches into
// the line after it.
QList<Entry> numberedEntries(const QString &text, const QString &key, const QUrl &base)
{
    QMap<int, QString> numbered;
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (!line.startsWith(key, Qt::CaseInsensitive))
            continue;
        line = line.mid(key.size());
        qsizetype digits = 0;
        while (digits < line.size() && line.at(digits).isDigit())
            ++digits;
        const qsizetype equals = line.indexOf(u'=');
        if (digits == 0 || equals < 0 || !line.mid(digits, equals - digits).trimmed().isEmpty())
            continue;
        const QStringView value = line.mid(equals + 1).trimmed();
        bool ok = false;
        const int number = line.left(digits).toInt(&ok);
        if (ok && !value.isEmpty())
            numbered.insert(number, value.toString());
    }
    QList<Entry> out;
    for (const QString &entry : numbered) {
        const QString a = resolved(entry, base);
        if (!a.isEmpty())
            out.append({a});
    }
    return out;
}

QList<Entry> asxEntries(const QString &text, const QUrl &base)
{
    // <ref href="..."/> and <entryref href="..."/> in document order; ASX
    // in the wild is not well-formed XML, so no XML parser.
    static const QRegularExpression ref(
        QStringLiteral("<\\s*(ref|entryref)\\b[^>]*?\\bhref\\s*=\\s*(\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression comment(QStringLiteral("<!--.*?-->"),
                                            QRegularExpression::DotMatchesEverythingOption);
    // Comments may hide entries.
    QString visible = text;
    visible.remove(comment);
    QList<Entry> out;
    for (auto it = ref.globalMatch(visible); it.hasNext();) {
        const auto m = it.next();
        QString href = m.captured(3);
        if (href.isEmpty())
            href = m.captured(4);
        if (href.isEmpty())
            href = m.captured(5);
        const QString a = resolved(unescapeXml(href), base);
        if (!a.isEmpty())
            out.append({a, m.captured(1).compare(QLatin1String("entryref"), Qt::CaseInsensitive) == 0});
    }
    return out;
}

bool isPlainPath(const QString &line)
{
    // A bare line of a plain M3U counts only when it could be nothing but a
    // path, so that an error page or stray bytes yield no entries.
    static const QRegularExpression path(QStringLiteral("^[A-Za-z0-9._~!$&'()*+,;=:@%/?#-]+$"));
    return (line.contains(u'/') || line.contains(u'.')) && path.match(line).hasMatch();
}

QList<Entry> m3uEntries(const QString &text, const QUrl &base, bool extended)
{
    static const QRegularExpression absolute(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://\\S+$"));
    static const QRegularExpression lineBreak(QStringLiteral("[\r\n]+"));
    QList<Entry> out;
    for (QString line : text.split(lineBreak)) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (!absolute.match(line).hasMatch() && !(extended ? !line.contains(u'<') : isPlainPath(line)))
            continue;
        const QString a = resolved(line, base);
        if (!a.isEmpty())
            out.append({a});
    }
    return out;
}

}  // namespace

bool hasControlBytes(QByteArrayView bytes)
{
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t' && c != '\n' && c != '\r') || u == 0x7f)
            return true;
    }
    return false;
}

Parsed parse(const QByteArray &body, const QUrl &base)
{
    // Audio and other binary data: no playlist has control bytes. The whole
    // body counts, as a stream cut at the size limit may open with bytes
    // that read as text.
    if (hasControlBytes(body))
        return {};
    const QString text = decode(body);
    const QString head = text.left(512).trimmed();

    // Ref1=..., Ref2=...: numbered, tried in number order.
    if (head.startsWith(QLatin1String("[Reference]"), Qt::CaseInsensitive))
        return {Format::Reference, numberedEntries(text, QStringLiteral("Ref"), base)};
    if (head.startsWith(QLatin1String("[playlist]"), Qt::CaseInsensitive))
        return {Format::Pls, numberedEntries(text, QStringLiteral("File"), base)};
    if (text.contains(QLatin1String("<asx"), Qt::CaseInsensitive))
        return {Format::Asx, asxEntries(text, base)};
    if (head.startsWith(u'<'))
        return {};  // HTML or XML of another kind

    const bool extended = head.startsWith(QLatin1String("#EXTM3U"), Qt::CaseInsensitive);
    // Segments and variant streams: the library follows those itself.
    if (extended && text.contains(QLatin1String("#EXT-X-"), Qt::CaseInsensitive))
        return {Format::Hls, {}};
    QList<Entry> found = m3uEntries(text, base, extended);
    if (found.isEmpty() && !extended)
        return {};
    return {Format::M3u, found};
}

QStringList entries(const QByteArray &body, const QUrl &base)
{
    QStringList out;
    for (const Entry &e : parse(body, base).entries)
        out << e.address;
    return out;
}

namespace {
bool isWebScheme(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https")
        || scheme == QLatin1String("mms");
}
}  // namespace

bool looksLikePlaylist(const QUrl &url)
{
    static const QRegularExpression ext(QStringLiteral("\\.(asx|wvx|wax|m3u|pls)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    return isWebScheme(url) && ext.match(url.path()).hasMatch();
}

bool looksLikeHls(const QUrl &url)
{
    return isWebScheme(url) && url.path().endsWith(QLatin1String(".m3u8"), Qt::CaseInsensitive);
}

QUrl fetchAddress(const QUrl &url)
{
    QUrl u = url;
    if (u.scheme().compare(QLatin1String("mms"), Qt::CaseInsensitive) == 0)
        u.setScheme(QStringLiteral("http"));
    return u;
}

QStringList candidates(const QString &address)
{
    QStringList out{address};
    QUrl u(address);
    if (u.scheme().compare(QLatin1String("mms"), Qt::CaseInsensitive) == 0) {
        u.setScheme(QStringLiteral("mmsh"));
        out << u.toString();
        u.setScheme(QStringLiteral("http"));
        out << u.toString();
    }
    return out;
}

bool allowedFromNetwork(const QUrl &url)
{
    static const QStringList network = {"http", "https", "mms", "mmsh", "rtsp", "rtmp"};
    return url.isValid() && !url.host().isEmpty() && network.contains(url.scheme().toLower());
}

}  // namespace Playlist
