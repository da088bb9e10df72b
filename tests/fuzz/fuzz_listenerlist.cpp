#include "catalogue/listenerlistparser.h"

#include <QSet>

#include <cstdlib>

// A listener's own channel list is an M3U file from anywhere: an IPTV
// provider, an editor, a broken download.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const ListenerList::Parsed parsed
        = ListenerList::parse(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    // Without rows the built-in list stays, and the listener is told why.
    if (parsed.rows.isEmpty() && parsed.reasons.isEmpty())
        std::abort();
    // However bad the file, the reasons stay a short read.
    if (parsed.reasons.size() > 22)
        std::abort();
    QSet<QString> texts;
    for (const CatalogueEntry &row : parsed.rows) {
        if (row.text.isEmpty() || row.address.isEmpty() || texts.contains(row.text))
            std::abort();
        for (QChar c : row.text)
            if (c.category() == QChar::Other_Control)
                std::abort();
        texts.insert(row.text);
    }
    return 0;
}
