#pragma once

#include <QList>
#include <QRect>
#include <QWidget>

#include <optional>

class QLabel;

// A status bar divided into panels of fixed widths, the last one reaching
// the right edge. Panels are described in the layout as a list of
// "width:alignment" items, e.g. "550:left 100:left 250:center 100:center".
class NewsStatusBar : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString panels READ panels WRITE setPanels)

public:
    explicit NewsStatusBar(QWidget *parent = nullptr);

    QString panels() const { return m_layout; }
    void setPanels(const QString &layout);

    qsizetype panelCount() const { return m_panels.size(); }
    QString panelText(int index) const;
    void setPanelText(int index, const QString &text);

    // Panel `index` in the bar's own coordinates, borders included. Nothing
    // before the window's layout has given the bar its size, or for a panel
    // that does not exist.
    std::optional<QRect> panelRect(int index) const;

protected:
    void resizeEvent(QResizeEvent *e) override;

private:
    struct Panel {
        int width;
        QLabel *label;
    };
    void placePanels();

    QString m_layout;
    QList<Panel> m_panels;
};
