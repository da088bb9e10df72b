#include "player/channelnames.h"

#include "media/playbacksession.h"

ChannelNames::ChannelNames(const PlaybackSession *session, QObject *parent)
    : QAbstractListModel(parent), m_session(session)
{ }

void ChannelNames::reset()
{
    beginResetModel();
    endResetModel();
}

int ChannelNames::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_session->channelCount() + 1;
}

QVariant ChannelNames::data(const QModelIndex &index, int role) const
{
    if (!index.isValid()
        || (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::AccessibleTextRole))
        return {};
    if (index.row() >= m_session->channelCount())
        return QString();
    return m_session->channels().at(index.row()).text;
}
