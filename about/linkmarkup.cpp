#include "about/linkmarkup.h"

#include <QRegularExpression>

namespace LinkMarkup {

namespace {

// The label's HTML reader hands on addresses with character references
// resolved, so attribute values are compared the same way.
QString decoded(QString value)
{
    static const QRegularExpression numeric(QStringLiteral("&#(x[0-9A-Fa-f]+|[0-9]+);"));
    QString out;
    qsizetype last = 0;
    for (auto it = numeric.globalMatch(value); it.hasNext();) {
        const auto m = it.next();
        out += QStringView(value).mid(last, m.capturedStart() - last);
        const QString digits = m.captured(1);
        bool ok = false;
        const uint code = digits.startsWith(u'x') ? digits.mid(1).toUInt(&ok, 16) : digits.toUInt(&ok, 10);
        if (ok && code > 0 && code <= 0x10FFFF)
            out += QString::fromUcs4(reinterpret_cast<const char32_t *>(&code), 1);
        else
            out += m.captured(0);
        last = m.capturedEnd();
    }
    out += QStringView(value).mid(last);
    out.replace(QLatin1String("&lt;"), QLatin1String("<"));
    out.replace(QLatin1String("&gt;"), QLatin1String(">"));
    out.replace(QLatin1String("&quot;"), QLatin1String("\""));
    out.replace(QLatin1String("&apos;"), QLatin1String("'"));
    out.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return out;
}

}  // namespace

QList<Anchor> anchors(const QString &markup)
{
    static const QRegularExpression tag(QStringLiteral("<a(\\s[^>]*)?>"),
                                        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression attribute(
        QStringLiteral("([A-Za-z_:][-A-Za-z0-9_:.]*)\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s\"'>]+))"));

    QList<Anchor> result;
    for (auto it = tag.globalMatch(markup); it.hasNext();) {
        const auto m = it.next();
        Anchor a;
        bool seenId = false, seenHref = false;
        for (auto at = attribute.globalMatch(m.captured(1)); at.hasNext();) {
            const auto am = at.next();
            const QString name = am.captured(1).toLower();
            const QString value = decoded(am.hasCaptured(2)       ? am.captured(2)
                                              : am.hasCaptured(3) ? am.captured(3)
                                                                  : am.captured(4));
            // The first of a repeated attribute counts, as in the reader.
            if (name == QLatin1String("id") && !seenId) {
                a.id = value;
                seenId = true;
            } else if (name == QLatin1String("href") && !seenHref) {
                a.href = value;
                seenHref = true;
            }
        }
        result.append(a);
    }
    return result;
}

Target target(const QString &markup, const QString &href)
{
    for (const Anchor &a : anchors(markup)) {
        if (a.href == href) {
            if (!a.id.isEmpty())
                return {a.id, true};
            return {href, false};
        }
    }
    return {href, false};
}

}  // namespace LinkMarkup
