#pragma once

#include <QEvent>
#include <QObject>

// Counts the move events of the window it filters.
class MoveCounter : public QObject
{
public:
    int moves = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Move)
            ++moves;
        return false;
    }
};
