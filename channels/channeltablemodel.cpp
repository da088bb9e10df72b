#include "channels/channeltablemodel.h"

#include "catalogue/listenerlistparser.h"

#include <QMimeData>

namespace {
const QString kRowsMime = QStringLiteral("application/x-brelo-channel-rows");
}

void ChannelTableModel::setRows(const QList<CatalogueEntry> &rows)
{
    beginResetModel();
    m_rows = rows;
    endResetModel();
}

void ChannelTableModel::append(const QList<CatalogueEntry> &rows)
{
    if (rows.isEmpty())
        return;
    beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + rows.size()) - 1);
    m_rows.append(rows);
    endInsertRows();
    emit edited();
}

bool ChannelTableModel::moveBlock(int from, int count, int to)
{
    if (from < 0 || count < 1 || from + count > m_rows.size() || to < 0 || to > m_rows.size()
        || (to >= from && to <= from + count))
        return false;
    beginMoveRows({}, from, from + count - 1, {}, to);
    for (int i = 0; i < count; ++i) {
        if (to > from)
            m_rows.move(from, to - 1);
        else
            m_rows.move(from + i, to + i);
    }
    endMoveRows();
    emit edited();
    return true;
}

int ChannelTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ChannelTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ChannelTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole))
        return {};
    const CatalogueEntry &row = m_rows.at(index.row());
    switch (index.column()) {
    case Name: return row.text;
    case Group: return QString(row.group).replace(u';', QLatin1String("; "));
    default: return row.address;
    }
}

QVariant ChannelTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Name: return QStringLiteral("Nome");
    case Group: return QStringLiteral("Grupo");
    default: return QStringLiteral("Endereço");
    }
}

Qt::ItemFlags ChannelTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled;
    if (index.column() == Name)
        f |= Qt::ItemIsEditable;
    return f;
}

bool ChannelTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.column() != Name || role != Qt::EditRole)
        return false;
    const QString name = ListenerList::cleanName(value.toString());
    CatalogueEntry &row = m_rows[index.row()];
    if (name.isEmpty() || name == row.text)
        return false;
    // The compact list tells channels apart by their names.
    for (const CatalogueEntry &other : std::as_const(m_rows))
        if (other.text == name)
            return false;
    row = ListenerList::renamed(row, name);
    emit dataChanged(index, index);
    emit edited();
    return true;
}

bool ChannelTableModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || row < 0 || count < 1 || row + count > m_rows.size())
        return false;
    beginRemoveRows({}, row, row + count - 1);
    m_rows.remove(row, count);
    endRemoveRows();
    emit edited();
    return true;
}

QStringList ChannelTableModel::mimeTypes() const
{
    return {kRowsMime};
}

QMimeData *ChannelTableModel::mimeData(const QModelIndexList &indexes) const
{
    // Rows are dragged one at a time: the first row picked.
    if (indexes.isEmpty())
        return nullptr;
    auto *mime = new QMimeData;
    mime->setData(kRowsMime, QByteArray::number(indexes.first().row()));
    return mime;
}

Qt::DropActions ChannelTableModel::supportedDropActions() const
{
    // A copy, as far as the view knows: the move is done here, and the view
    // must not remove the dragged row afterwards as it would for a move.
    return Qt::CopyAction;
}

bool ChannelTableModel::dropMimeData(const QMimeData *data, Qt::DropAction, int row, int,
                                     const QModelIndex &parent)
{
    if (!data || !data->hasFormat(kRowsMime))
        return false;
    const int from = data->data(kRowsMime).toInt();
    const int to = row >= 0 ? row : parent.isValid() ? parent.row() : int(m_rows.size());
    moveBlock(from, 1, to);
    return false;
}
