#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>

class QComboBox;
class QProxyStyle;

// What the channel list does beyond Qt's drop-down list: it drops down
// under (or, short of room, over) itself showing its maxVisibleItems rows
// at a time, whatever the style would rather do, and its type-ahead always
// searches from the top of the list.
class ChannelList : public QObject
{
    Q_OBJECT
public:
    explicit ChannelList(QComboBox *combo);

signals:
    // Type-ahead moved the list to `row`: the user's choice, as Qt's own
    // `activated` reports a choice by mouse or arrow key.
    void chosen(int row);

protected:
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    // Selects the first row that begins with the characters typed so far;
    // a change of row is reported as the user's choice (`chosen`).
    void typeAhead(const QString &text);

    QComboBox *m_combo;
    QProxyStyle *m_style;
    QString m_typed;
    QElapsedTimer m_lastKey;
};
