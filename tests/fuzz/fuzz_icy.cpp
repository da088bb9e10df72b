#include "media/icymetadata.h"

#include <cstdlib>

// A station's stream interleaves metadata blocks with the audio at the
// interval its header names; both the interval and the blocks are the
// server's to get wrong.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    // The first two bytes choose the interval and the chunk size, so the
    // fuzzer explores splits at every boundary.
    const int metaInt = data[0] % 64;
    const int chunk = 1 + data[1] % 32;
    const QByteArray stream(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));

    QString title = Icy::streamTitle(stream);
    if (title.size() > Icy::kMaxTitleLength)
        std::abort();
    Icy::headerText(stream);

    Icy::Splitter splitter(metaInt);
    qsizetype audio = 0;
    for (qsizetype at = 0; at < stream.size(); at += chunk) {
        audio += splitter.feed(stream.mid(at, chunk)).size();
        if (splitter.takeTitle(&title) && title.size() > Icy::kMaxTitleLength)
            std::abort();
    }
    // Metadata is only ever taken out of the stream, never added.
    if (audio > stream.size())
        std::abort();
    return 0;
}
