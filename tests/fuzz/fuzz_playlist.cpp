#include "media/playlist.h"

#include <QUrl>

#include <cstdlib>

// Playlist files come from any station's server: ASX and its .wvx/.wax
// siblings, "[Reference]" files, PLS and M3U, often not well-formed.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QUrl base(QStringLiteral("http://radio.example.com/aovivo/canal.asx"));
    const QByteArray body(reinterpret_cast<const char *>(data), qsizetype(size));

    const QStringList found = Playlist::entries(body, base);
    for (const QString &entry : found) {
        // Every entry is an address the engine can be handed, and each of
        // its candidates starts with the entry itself.
        if (entry.isEmpty())
            std::abort();
        const QStringList tries = Playlist::candidates(entry);
        if (tries.isEmpty() || tries.first() != entry)
            std::abort();
        Playlist::looksLikePlaylist(QUrl(entry));
        Playlist::fetchAddress(QUrl(entry));
    }
    return 0;
}
