#include "player/menustyle.h"

#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

namespace {
constexpr int kCellPad = 2;  // around the picture
constexpr int kCell = MenuStyle::kPictureSize + 2 * kCellPad;
constexpr int kColumn = kCell + 4;  // picture column
constexpr int kTextGap = 6;  // column to caption
constexpr int kShortcutGap = 24;  // caption to key name
constexpr int kRightPad = 10;
constexpr int kSeparatorHeight = 7;
}  // namespace

// Fusion underneath, whatever the desktop's style: the items are ours, the
// frame and the scrolling stay Qt's.
MenuStyle::MenuStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) { }

QRect MenuStyle::pictureCell(const QRect &itemRect)
{
    return QRect(itemRect.left() + 2, itemRect.top() + (itemRect.height() - kCell) / 2, kCell, kCell);
}

void MenuStyle::drawControl(ControlElement element, const QStyleOption *option, QPainter *p,
                            const QWidget *widget) const
{
    const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
    if (element != CE_MenuItem || !item) {
        QProxyStyle::drawControl(element, option, p, widget);
        return;
    }
    const QPalette &pal = item->palette;
    const QRect r = item->rect;
    p->save();
    p->fillRect(r, pal.brush(QPalette::Window));

    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        const int y = r.top() + r.height() / 2;
        p->setPen(pal.color(QPalette::Mid));
        p->drawLine(r.left() + kColumn, y, r.right() - 2, y);
        p->setPen(pal.color(QPalette::Light));
        p->drawLine(r.left() + kColumn, y + 1, r.right() - 2, y + 1);
        p->restore();
        return;
    }

    const bool enabled = item->state & State_Enabled;
    const bool selected = enabled && (item->state & State_Selected);
    const bool checked = item->checkType != QStyleOptionMenuItem::NotCheckable && item->checked;
    if (selected)
        p->fillRect(r.adjusted(1, 0, -1, 0), pal.brush(QPalette::Highlight));

    const QRect cell = pictureCell(r);
    if (checked) {
        // Pressed-in picture: a light highlight inside a dark frame.
        QColor back = pal.color(QPalette::Highlight);
        back.setAlpha(selected ? 255 : 90);
        p->fillRect(cell, selected ? back.lighter(140) : back);
        p->setPen(pal.color(QPalette::Highlight).darker(150));
        p->drawRect(cell.adjusted(0, 0, -1, -1));
    }
    if (!item->icon.isNull()) {
        const QIcon::Mode mode = enabled ? QIcon::Normal : QIcon::Disabled;
        const QPixmap pix
            = item->icon.pixmap(QSize(kPictureSize, kPictureSize), p->device()->devicePixelRatio(), mode);
        p->drawPixmap(QRect(cell.topLeft() + QPoint(kCellPad, kCellPad), QSize(kPictureSize, kPictureSize)),
                      pix);
    } else if (checked) {
        QStyleOption tick(*option);
        tick.rect = cell.adjusted(4, 4, -4, -4);
        tick.state = State_On | (item->state & State_Enabled);
        proxy()->drawPrimitive(PE_IndicatorMenuCheckMark, &tick, p, widget);
    }

    const QString text = item->text;
    const int tab = text.indexOf(u'\t');
    const QString caption = tab >= 0 ? text.left(tab) : text;
    const QString keys = tab >= 0 ? text.mid(tab + 1) : QString();
    const QColor ink = !enabled ? pal.color(QPalette::Disabled, QPalette::WindowText)
        : selected              ? pal.color(QPalette::HighlightedText)
                                : pal.color(QPalette::WindowText);
    p->setPen(ink);
    p->setFont(item->font);
    const QRect textRect(r.left() + kColumn + kTextGap, r.top(), r.width() - kColumn - kTextGap - kRightPad,
                         r.height());
    p->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic | Qt::TextSingleLine,
                caption);
    if (!keys.isEmpty())
        p->drawText(textRect, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, keys);
    p->restore();
}

QSize MenuStyle::sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                                  const QWidget *widget) const
{
    const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
    if (type != CT_MenuItem || !item)
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    if (item->menuItemType == QStyleOptionMenuItem::Separator)
        return QSize(kColumn + 10, kSeparatorHeight);
    // QMenu adds the widest key name (reservedShortcutWidth) on its own.
    const int width = kColumn + kTextGap + size.width() + kShortcutGap + kRightPad;
    const int height = qMax(kCell + 2, size.height() + 8);
    return QSize(width, height);
}

int MenuStyle::pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const
{
    if (metric == PM_SmallIconSize)
        return kPictureSize;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

int MenuStyle::styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                         QStyleHintReturn *returnData) const
{
    if (hint == SH_UnderlineShortcut)
        return 1;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}
