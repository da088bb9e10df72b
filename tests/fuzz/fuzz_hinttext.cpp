#include "player/hinttext.h"

#include <cstdlib>

// Hint texts are layout data, but a translator or a hand-edited layout can
// put anything there; a balloon must never take the program down.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const HintText hint = parseHintText(text);

    // The parts are pieces of the text, in order, and the index is either
    // "none" or a picture number.
    if (hint.title.contains(u'|') || hint.description.contains(u'|') || hint.imageIndex < -1)
        std::abort();
    if (!text.startsWith(hint.title))
        std::abort();
    if (text.size() > hint.title.size() && !text.mid(hint.title.size() + 1).startsWith(hint.description))
        std::abort();
    return 0;
}
