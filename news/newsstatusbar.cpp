#include "news/newsstatusbar.h"

#include <QLabel>

namespace {
// The panels sit below a thin line that separates the bar from the page.
constexpr int kTopBorder = 2;
}  // namespace

NewsStatusBar::NewsStatusBar(QWidget *parent) : QWidget(parent) { }

void NewsStatusBar::setPanels(const QString &layout)
{
    for (const Panel &p : std::as_const(m_panels))
        delete p.label;
    m_panels.clear();
    m_layout = layout;
    for (const QString &item : layout.split(u' ', Qt::SkipEmptyParts)) {
        const QString width = item.section(u':', 0, 0);
        const QString align = item.section(u':', 1, 1);
        auto *label = new QLabel(this);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setIndent(2);
        label->setAlignment(Qt::AlignVCenter
                            | (align == QLatin1String("center")      ? Qt::AlignHCenter
                                   : align == QLatin1String("right") ? Qt::AlignRight
                                                                     : Qt::AlignLeft));
        label->setTextFormat(Qt::PlainText);
        m_panels.append({width.toInt(), label});
    }
    placePanels();
}

QString NewsStatusBar::panelText(int index) const
{
    if (index < 0 || index >= m_panels.size())
        return {};
    return m_panels.at(index).label->text();
}

void NewsStatusBar::setPanelText(int index, const QString &text)
{
    if (index >= 0 && index < m_panels.size())
        m_panels.at(index).label->setText(text);
}

std::optional<QRect> NewsStatusBar::panelRect(int index) const
{
    // A bar that no layout has sized yet has no panels to report.
    if (!testAttribute(Qt::WA_Resized) || index < 0 || index >= m_panels.size())
        return std::nullopt;
    int left = 0;
    for (int i = 0; i < index; ++i)
        left += m_panels.at(i).width;
    const bool last = index == m_panels.size() - 1;
    const int right = last ? qMax(width(), left) : left + m_panels.at(index).width;
    return QRect(QPoint(left, kTopBorder), QPoint(right - 1, height() - 1));
}

void NewsStatusBar::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    placePanels();
}

void NewsStatusBar::placePanels()
{
    for (int i = 0; i < m_panels.size(); ++i) {
        if (const auto r = panelRect(i))
            m_panels.at(i).label->setGeometry(*r);
    }
}
