#pragma once

#include <QAbstractListModel>

class PlaybackSession;

// The compact list's rows: the session's channel names and one empty item
// after them. Read straight from the session, so tens of thousands of
// channels cost no copy and show at once.
class ChannelNames : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit ChannelNames(const PlaybackSession *session, QObject *parent = nullptr);

    // The session's list was replaced.
    void reset();

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    const PlaybackSession *m_session;
};
