#include "media/storedstate.h"
#include "platform/errors.h"

#include <QString>

#include <cstdlib>

// The engine's stored state comes from the window layout as a hexadecimal
// text; a malformed one must be refused with an error, never read past.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray block(reinterpret_cast<const char *>(data), qsizetype(size));

    StoredState s;
    try {
        s = StoredState::parse(block);
    } catch (const ControlError &) {
        // Refused; the same bytes as hexadecimal text must be refused too.
        try {
            StoredState::fromHex(QString::fromLatin1(block.toHex(' ')));
            std::abort();
        } catch (const ControlError &) { }
        // Any text at all may reach the hexadecimal reader.
        try {
            StoredState::fromHex(QString::fromUtf8(block));
        } catch (const ControlError &) { }
        return 0;
    }

    // Whatever was accepted is written back as a block that reads the same.
    const QByteArray again = s.serialize();
    const StoredState t = StoredState::parse(again);
    if (t.serialize() != again || t.url != s.url || t.uiMode != s.uiMode || t.volume != s.volume)
        std::abort();
    return 0;
}
