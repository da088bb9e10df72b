#pragma once

#include <QString>

// A hint text "title|description|index" taken apart. The index names a
// picture of the balloon's image list; -1 when there is none.
struct HintText {
    QString title;
    QString description;
    int imageIndex = -1;

    bool operator==(const HintText &) const = default;
};

// Title: the text before the first bar (all of it without one).
// Description: what follows that bar, up to a second bar.
// Index: the whole number after the second bar; anything else there (no
// digits, a sign, trailing text, an overflow) means no picture, since a
// hint must never take the program down.
HintText parseHintText(const QString &text);
