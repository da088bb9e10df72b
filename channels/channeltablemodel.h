#pragma once

#include "catalogue/catalogueentry.h"

#include <QAbstractTableModel>
#include <QList>

// The listener's channels as the Canais window shows them: name, group and
// address, in list order. Names are edited in place; rows move by drag.
// Every change the listener makes is announced by `edited`.
class ChannelTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Name, Group, Address, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    void setRows(const QList<CatalogueEntry> &rows);
    const QList<CatalogueEntry> &rows() const { return m_rows; }

    void append(const QList<CatalogueEntry> &rows);
    // `count` rows from `from` moved to before `to` (list order).
    bool moveBlock(int from, int count, int to);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    bool removeRows(int row, int count, const QModelIndex &parent = {}) override;

    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDropActions() const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;

signals:
    void edited();

private:
    QList<CatalogueEntry> m_rows;
};
