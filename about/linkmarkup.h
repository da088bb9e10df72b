#pragma once

#include <QList>
#include <QString>

// The anchors of a link label's caption. A label reports only the address
// of the activated anchor; this recovers the rest of its tag.
namespace LinkMarkup {

struct Anchor {
    QString id;
    QString href;
};

QList<Anchor> anchors(const QString &markup);

// What a click on the anchor with this address hands on: its id when that
// is not empty, else the address. Addresses not in the markup pass through.
struct Target {
    QString link;
    bool isId = false;
};
Target target(const QString &markup, const QString &href);

}  // namespace LinkMarkup
