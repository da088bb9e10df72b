#include "catalogue/channeltable.h"

#include "catalogue/channelrules.h"

#include <QHash>
#include <QStringDecoder>

namespace ChannelTable {

namespace {

Parsed fault(int line, const QString &error)
{
    Parsed p;
    p.error = error;
    p.errorLine = line;
    return p;
}

bool hasOuterBlank(const QString &s)
{
    return !s.isEmpty() && (s.front().isSpace() || s.back().isSpace());
}

// A string literal whose source is plain ASCII, whatever the compiler's idea
// of the source character set; "?" escaped so no pair of them reads as a
// trigraph.
QByteArray literal(const QString &s)
{
    QByteArray out = "QStringLiteral(\"";
    for (char32_t c : s.toUcs4()) {
        if (c == u'"' || c == u'\\' || c == u'?') {
            out += '\\';
            out += char(c);
        } else if (c >= 0x20 && c < 0x7f) {
            out += char(c);
        } else if (c <= 0xffff) {
            out += "\\u" + QByteArray::number(uint(c), 16).rightJustified(4, '0');
        } else {
            out += "\\U" + QByteArray::number(uint(c), 16).rightJustified(8, '0');
        }
    }
    return out + "\")";
}

}  // namespace

Parsed parse(QByteArrayView data)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(data);
    if (utf8.hasError())
        return fault(0, QStringLiteral("not UTF-8 text"));

    Parsed p;
    QHash<QString, int> seen;  // display text -> its line
    const QStringList lines = text.split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        const int number = i + 1;
        QString line = lines.at(i);
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(u'#'))
            continue;

        const QStringList columns = line.split(u'\t');
        if (columns.size() != 2)
            return fault(number,
                         QStringLiteral("expected 2 columns (display text, address) separated by one "
                                        "tab, found %1")
                             .arg(columns.size()));
        const QString &title = columns.at(0);
        const QString &address = columns.at(1);
        if (title.isEmpty())
            return fault(number, QStringLiteral("empty display text"));
        if (hasOuterBlank(title) || hasOuterBlank(address))
            return fault(number, QStringLiteral("blank at the start or end of a column"));
        if (ChannelRules::hasControlCharacter(title))
            return fault(number, QStringLiteral("control character in the display text"));
        if (const auto first = seen.constFind(title); first != seen.cend())
            return fault(number,
                         QStringLiteral("display text \"%1\" is already on line %2").arg(title).arg(*first));
        if (!ChannelRules::isNetworkAddress(address))
            return fault(number,
                         QStringLiteral("\"%1\" is not a network address (%2)")
                             .arg(address, ChannelRules::networkSchemes()));
        if (p.rows.size() == ChannelRules::maxRows)
            return fault(number, QStringLiteral("more than %1 channels").arg(ChannelRules::maxRows));
        seen.insert(title, number);
        p.rows.append({title, address});
    }
    if (p.rows.isEmpty())
        return fault(0, QStringLiteral("no channel"));
    return p;
}

QByteArray toSource(const QList<CatalogueEntry> &rows, const QString &origin)
{
    QByteArray out = "// Generated from " + origin.toUtf8()
        + " when the player is built; edit that file, not this one.\n"
          "#include \"catalogue/channelcatalogue.h\"\n\n"
          "namespace ChannelCatalogue {\n\n"
          "const QList<CatalogueEntry> &rows()\n{\n"
          "    static const QList<CatalogueEntry> table = {\n";
    for (const CatalogueEntry &row : rows)
        out += "        {" + literal(row.text) + ", " + literal(row.address) + "},\n";
    out += "    };\n    return table;\n}\n\n}  // namespace ChannelCatalogue\n";
    return out;
}

}  // namespace ChannelTable
