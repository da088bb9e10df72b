#include "player/hinttext.h"

#include <algorithm>

HintText parseHintText(const QString &text)
{
    HintText hint;
    const qsizetype first = text.indexOf(u'|');
    if (first < 0) {
        hint.title = text;
        return hint;
    }
    hint.title = text.left(first);
    hint.description = text.mid(first + 1);

    const qsizetype second = hint.description.indexOf(u'|');
    if (second < 0)
        return hint;
    const QString index = hint.description.mid(second + 1).trimmed();
    hint.description.truncate(second);

    bool isNumber = false;
    const int value = index.toInt(&isNumber);
    const bool digitsOnly
        = !index.isEmpty() && std::all_of(index.begin(), index.end(), [](QChar c) { return c.isDigit(); });
    if (isNumber && digitsOnly)
        hint.imageIndex = value;
    return hint;
}
