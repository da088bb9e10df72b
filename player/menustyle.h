#pragma once

#include <QProxyStyle>

// Draws the context menu's items itself: the picture in a column at the
// left, the caption with its accelerator letter always underlined, the
// shortcut's key name at the right. A checked item shows its picture
// framed on a highlighted background instead of a tick.
class MenuStyle : public QProxyStyle
{
    Q_OBJECT
public:
    static constexpr int kPictureSize = 22;

    MenuStyle();

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override;
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override;

    // The square behind an item's picture, for an item drawn in `itemRect`.
    static QRect pictureCell(const QRect &itemRect);
};
