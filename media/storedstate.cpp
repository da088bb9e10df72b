#include "media/storedstate.h"

#include "platform/errors.h"

#include <QtEndian>

#include <QRegularExpression>

#include <cmath>
#include <cstring>
#include <variant>

namespace {

const char *tagName(quint16 tag)
{
    switch (tag) {
    case StoredState::Int32: return "inteiro de 32 bits (etiqueta 3)";
    case StoredState::Double: return "double (etiqueta 5)";
    case StoredState::Text: return "texto (etiqueta 8)";
    case StoredState::Bool: return "booleano (etiqueta 11)";
    }
    return "?";
}

[[noreturn]] void fail(qsizetype offset, const QString &what)
{
    throw ControlError(
        QStringLiteral("Estado inicial do player inválido no deslocamento %1: %2").arg(offset).arg(what));
}

// A cursor that refuses to step past the end of the block.
class Reader
{
public:
    explicit Reader(const QByteArray &b) : m_data(b) { }

    qsizetype pos() const { return m_pos; }

    void need(qsizetype n, const char *what)
    {
        if (n < 0 || n > m_data.size() - m_pos)
            fail(m_pos,
                 QStringLiteral("esperado %1 (%2 bytes), restam %3 bytes")
                     .arg(QLatin1String(what))
                     .arg(n)
                     .arg(m_data.size() - m_pos));
    }
    quint16 u16(const char *what)
    {
        need(2, what);
        const auto v = qFromLittleEndian<quint16>(m_data.constData() + m_pos);
        m_pos += 2;
        return v;
    }
    quint32 u32(const char *what)
    {
        need(4, what);
        const auto v = qFromLittleEndian<quint32>(m_data.constData() + m_pos);
        m_pos += 4;
        return v;
    }
    double f64(const char *what)
    {
        need(8, what);
        const quint64 bits = qFromLittleEndian<quint64>(m_data.constData() + m_pos);
        double v;
        std::memcpy(&v, &bits, sizeof v);
        m_pos += 8;
        return v;
    }
    QString utf16(qsizetype bytes)
    {
        need(bytes, "texto UTF-16");
        QString s(reinterpret_cast<const QChar *>(m_data.constData() + m_pos), bytes / 2);
        for (QChar &c : s)
            c = QChar(qFromLittleEndian(c.unicode()));
        m_pos += bytes;
        return s;
    }

private:
    const QByteArray &m_data;
    qsizetype m_pos = 0;
};

using Field
    = std::variant<QString StoredState::*, double StoredState::*, qint32 StoredState::*, bool StoredState::*>;

struct Entry {
    int offset;  // where the value sits in the layout's block
    const char *name;
    StoredState::Tag tag;
    Field field;
};

// Order, offsets and tags of the block; offsets assume the stored texts
// ("mini" for uiMode, the rest empty).
const Entry kEntries[] = {
    {4, "URL", StoredState::Text, &StoredState::url},
    {12, "rate", StoredState::Double, &StoredState::rate},
    {22, "balance", StoredState::Int32, &StoredState::balance},
    {28, "currentPosition", StoredState::Double, &StoredState::currentPosition},
    {38, "defaultFrame", StoredState::Text, &StoredState::defaultFrame},
    {46, "playCount", StoredState::Int32, &StoredState::playCount},
    {52, "autoStart", StoredState::Bool, &StoredState::autoStart},
    {56, "currentMarker", StoredState::Int32, &StoredState::currentMarker},
    {62, "invokeURLs", StoredState::Bool, &StoredState::invokeURLs},
    {66, "baseURL", StoredState::Text, &StoredState::baseURL},
    {74, "volume", StoredState::Int32, &StoredState::volume},
    {80, "mute", StoredState::Bool, &StoredState::mute},
    {84, "uiMode", StoredState::Text, &StoredState::uiMode},
    {100, "stretchToFit", StoredState::Bool, &StoredState::stretchToFit},
    {104, "windowlessVideo", StoredState::Bool, &StoredState::windowlessVideo},
    {108, "enabled", StoredState::Bool, &StoredState::enabled},
    {112, "enableContextMenu", StoredState::Bool, &StoredState::enableContextMenu},
    {116, "fullScreen", StoredState::Bool, &StoredState::fullScreen},
    {120, "SAMIStyle", StoredState::Text, &StoredState::samiStyle},
    {128, "SAMILang", StoredState::Text, &StoredState::samiLang},
    {136, "SAMIFilename", StoredState::Text, &StoredState::samiFilename},
    {144, "captioningID", StoredState::Text, &StoredState::captioningID},
    {152, "enableErrorDialogs", StoredState::Bool, &StoredState::enableErrorDialogs},
};
constexpr int kExtentOffset = 156;

void put16(QByteArray &b, quint16 v)
{
    char c[2];
    qToLittleEndian(v, c);
    b.append(c, 2);
}
void put32(QByteArray &b, quint32 v)
{
    char c[4];
    qToLittleEndian(v, c);
    b.append(c, 4);
}

}  // namespace

StoredState StoredState::parse(const QByteArray &block)
{
    if (block.size() != kSize)
        fail(qMin<qsizetype>(block.size(), kSize),
             QStringLiteral("o bloco tem %1 bytes, esperados %2").arg(block.size()).arg(kSize));

    StoredState s;
    Reader r(block);
    const quint32 version = r.u32("a versão do formato");
    if (version != kVersion)
        fail(0, QStringLiteral("versão 0x%1, esperada 0x300").arg(version, 0, 16));

    for (const Entry &e : kEntries) {
        if (r.pos() != e.offset)
            fail(r.pos(),
                 QStringLiteral("esperado o valor de %1 no deslocamento %2")
                     .arg(QLatin1String(e.name))
                     .arg(e.offset));
        const qsizetype at = r.pos();
        const quint16 tag = r.u16("uma etiqueta de tipo");
        if (tag != e.tag)
            fail(at,
                 QStringLiteral("etiqueta %1 em %2, esperado %3")
                     .arg(tag)
                     .arg(QLatin1String(e.name))
                     .arg(QLatin1String(tagName(e.tag))));
        const qsizetype dataAt = r.pos();
        switch (e.tag) {
        case Text: {
            const quint32 count = r.u32("o tamanho do texto");
            if (count < 2 || count % 2 != 0)
                fail(dataAt,
                     QStringLiteral("tamanho de texto %1 em %2, esperado um número par de "
                                    "bytes com o NUL final")
                         .arg(count)
                         .arg(QLatin1String(e.name)));
            if (qint64(count) > kExtentOffset - r.pos())
                fail(dataAt,
                     QStringLiteral("tamanho de texto %1 em %2 ultrapassa o bloco")
                         .arg(count)
                         .arg(QLatin1String(e.name)));
            QString text = r.utf16(count);
            if (text.back() != QChar(0))
                fail(r.pos() - 2, QStringLiteral("esperado o NUL final de %1").arg(QLatin1String(e.name)));
            text.chop(1);
            if (text.contains(QChar(0)))
                fail(dataAt + 4, QStringLiteral("NUL dentro do texto de %1").arg(QLatin1String(e.name)));
            s.*std::get<QString StoredState::*>(e.field) = text;
            break;
        }
        case Double: {
            const double v = r.f64("um double");
            if (!std::isfinite(v))
                fail(dataAt, QStringLiteral("%1 não é um número finito").arg(QLatin1String(e.name)));
            s.*std::get<double StoredState::*>(e.field) = v;
            break;
        }
        case Int32: s.*std::get<qint32 StoredState::*>(e.field) = qint32(r.u32("um inteiro")); break;
        case Bool: {
            const quint16 v = r.u16("um booleano");
            if (v != 0 && v != 0xFFFF)
                fail(dataAt,
                     QStringLiteral("booleano 0x%1 em %2, esperado 0xFFFF ou 0")
                         .arg(v, 4, 16, QLatin1Char('0'))
                         .arg(QLatin1String(e.name)));
            s.*std::get<bool StoredState::*>(e.field) = v == 0xFFFF;
            break;
        }
        }
    }
    if (r.pos() != kExtentOffset)
        fail(r.pos(), QStringLiteral("esperada a largura da área no deslocamento %1").arg(kExtentOffset));
    s.extentWidth = qint32(r.u32("a largura da área"));
    s.extentHeight = qint32(r.u32("a altura da área"));

    // Values the engine cannot honour are as malformed as a wrong tag.
    if (s.volume < 0 || s.volume > 100)
        fail(76, QStringLiteral("volume %1, esperado de 0 a 100").arg(s.volume));
    if (s.balance < -100 || s.balance > 100)
        fail(24, QStringLiteral("balance %1, esperado de -100 a 100").arg(s.balance));
    if (s.rate <= 0)
        fail(14, QStringLiteral("rate %1, esperado maior que 0").arg(s.rate));
    if (!uiModes().contains(s.uiMode.toLower()))
        fail(90, QStringLiteral("uiMode \"%1\" desconhecido").arg(s.uiMode));
    s.uiMode = s.uiMode.toLower();
    return s;
}

const QStringList &StoredState::uiModes()
{
    static const QStringList modes = {"invisible", "none", "mini", "full", "custom"};
    return modes;
}

StoredState StoredState::fromHex(const QString &hex)
{
    QString digits = hex;
    digits.remove(QRegularExpression(QStringLiteral("\\s")));
    static const QRegularExpression notHex(QStringLiteral("[^0-9A-Fa-f]"));
    const auto bad = notHex.match(digits);
    if (bad.hasMatch())
        fail(bad.capturedStart() / 2,
             QStringLiteral("caractere \"%1\" no texto hexadecimal").arg(bad.captured()));
    if (digits.size() % 2 != 0)
        fail(digits.size() / 2, QStringLiteral("texto hexadecimal com número ímpar de dígitos"));
    return parse(QByteArray::fromHex(digits.toLatin1()));
}

QByteArray StoredState::serialize() const
{
    QByteArray b;
    put32(b, kVersion);
    for (const Entry &e : kEntries) {
        put16(b, e.tag);
        switch (e.tag) {
        case Text: {
            const QString &t = this->*std::get<QString StoredState::*>(e.field);
            put32(b, quint32(t.size() * 2 + 2));
            for (QChar c : t)
                put16(b, c.unicode());
            put16(b, 0);
            break;
        }
        case Double: {
            quint64 bits;
            const double v = this->*std::get<double StoredState::*>(e.field);
            std::memcpy(&bits, &v, sizeof bits);
            char c[8];
            qToLittleEndian(bits, c);
            b.append(c, 8);
            break;
        }
        case Int32: put32(b, quint32(this->*std::get<qint32 StoredState::*>(e.field))); break;
        case Bool: put16(b, this->*std::get<bool StoredState::*>(e.field) ? 0xFFFF : 0); break;
        }
    }
    put32(b, quint32(extentWidth));
    put32(b, quint32(extentHeight));
    return b;
}
