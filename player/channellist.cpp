#include "player/channellist.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QProxyStyle>

namespace {

// Fusion opens a non-editable list as a screen-high menu centred on the
// current row, ignoring maxVisibleItems; the list drops down instead.
class DropDownStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_ComboBox_Popup)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

}  // namespace

ChannelList::ChannelList(QComboBox *combo) : QObject(combo), m_combo(combo), m_style(new DropDownStyle)
{
    // Outlives the list: a widget must never be left with a deleted style.
    m_style->setParent(combo->window());
    m_combo->setStyle(m_style);
    m_combo->installEventFilter(this);
}

bool ChannelList::eventFilter(QObject *watched, QEvent *e)
{
    if (watched != m_combo || e->type() != QEvent::KeyPress)
        return false;
    auto *k = static_cast<QKeyEvent *>(e);
    const Qt::KeyboardModifiers chord = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    const QString text = k->text();
    if (text.isEmpty() || !text.at(0).isPrint() || (k->modifiers() & chord))
        return false;
    typeAhead(text);
    return true;
}

void ChannelList::typeAhead(const QString &text)
{
    if (!m_lastKey.isValid() || m_lastKey.elapsed() > QApplication::keyboardInputInterval())
        m_typed.clear();
    m_lastKey.start();
    m_typed += text;

    const QModelIndexList found = m_combo->model()->match(m_combo->model()->index(0, 0), Qt::DisplayRole,
                                                          m_typed, 1, Qt::MatchStartsWith);
    if (found.isEmpty())
        return;
    const int row = found.first().row();
    if (row == m_combo->currentIndex())
        return;
    m_combo->setCurrentIndex(row);
    emit chosen(row);
}
