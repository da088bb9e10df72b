#include "catalogue/channeltable.h"

#include <QSet>

#include <cstdlib>

// A listener's channel file is text that any editor may have mangled.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const ChannelTable::Parsed parsed
        = ChannelTable::parse(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    // Either a fault (with its line, or 0 for the file as a whole) and no
    // rows, or rows whose display texts are one line each and distinct.
    if (!parsed.error.isEmpty()) {
        if (parsed.errorLine < 0 || !parsed.rows.isEmpty())
            std::abort();
        return 0;
    }
    if (parsed.rows.isEmpty())
        std::abort();
    QSet<QString> texts;
    for (const CatalogueEntry &row : parsed.rows) {
        if (row.text.isEmpty() || row.text.contains(u'\t') || row.text.contains(u'\n')
            || texts.contains(row.text))
            std::abort();
        texts.insert(row.text);
    }
    return 0;
}
