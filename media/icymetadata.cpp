#include "media/icymetadata.h"

namespace Icy {

namespace {
QString plainText(const QByteArray &raw)
{
    QString s = QString::fromUtf8(raw);
    if (s.contains(QChar::ReplacementCharacter))
        s = QString::fromLatin1(raw);
    QString out;
    out.reserve(s.size());
    for (const QChar c : std::as_const(s))
        out += (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format) ? QChar(u' ')
                                                                                             : c;
    return out.simplified().left(kMaxTitleLength);
}
}  // namespace

QString streamTitle(const QByteArray &block)
{
    // Blocks are NUL-padded to a multiple of 16 bytes.
    QByteArray b = block;
    const int nul = b.indexOf('\0');
    if (nul >= 0)
        b.truncate(nul);
    static const QByteArray key = "StreamTitle='";
    const int start = b.indexOf(key);
    if (start < 0)
        return {};
    const int from = start + int(key.size());
    // Titles may hold apostrophes: the value ends at "';", else at the
    // last quote of the block.
    int end = b.indexOf("';", from);
    if (end < 0)
        end = b.lastIndexOf('\'');
    if (end < from)
        end = int(b.size());
    const QString t = plainText(b.mid(from, end - from));
    return t.isNull() ? QStringLiteral("") : t;
}

QString headerText(const QByteArray &value)
{
    return plainText(value);
}

Splitter::Splitter(int metaInt) : m_metaInt(metaInt), m_audioLeft(metaInt) { }

QByteArray Splitter::feed(const QByteArray &chunk)
{
    if (m_metaInt <= 0)
        return chunk;
    QByteArray audio;
    audio.reserve(chunk.size());
    qsizetype i = 0;
    while (i < chunk.size()) {
        if (m_metaLeft < 0 && m_audioLeft > 0) {
            const qsizetype n = qMin<qsizetype>(m_audioLeft, chunk.size() - i);
            audio.append(chunk.constData() + i, n);
            m_audioLeft -= int(n);
            i += n;
        } else if (m_metaLeft < 0) {
            m_metaLeft = quint8(chunk.at(i++)) * 16;
            m_block.clear();
        } else {
            const qsizetype n = qMin<qsizetype>(m_metaLeft, chunk.size() - i);
            m_block.append(chunk.constData() + i, n);
            m_metaLeft -= int(n);
            i += n;
        }
        if (m_metaLeft == 0) {
            // An empty block (length byte 0) means "no change".
            const QString t = streamTitle(m_block);
            if (!t.isNull() && t != m_title) {
                m_title = t;
                m_newTitle = true;
            }
            m_metaLeft = -1;
            m_audioLeft = m_metaInt;
        }
    }
    return audio;
}

bool Splitter::takeTitle(QString *title)
{
    if (!m_newTitle)
        return false;
    m_newTitle = false;
    *title = m_title;
    return true;
}

}  // namespace Icy
