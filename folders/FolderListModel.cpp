#include "folders/FolderListModel.h"

FolderListModel::FolderListModel(QObject* parent) : QAbstractTableModel(parent) {}

void FolderListModel::appendPath(const QByteArray& path)
{
    const int row = static_cast<int>(entries_.size());
    beginInsertRows({}, row, row);
    entries_.append(path);
    endInsertRows();
}

void FolderListModel::removeEntry(qsizetype position)
{
    const int row = static_cast<int>(position);
    beginRemoveRows({}, row, row);
    entries_.removeAt(position);
    endRemoveRows();
}

void FolderListModel::setHeaderText(const QString& text)
{
    header_ = text;
    emit headerDataChanged(Qt::Horizontal, 0, 0);
}

int FolderListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

int FolderListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant FolderListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= entries_.size() || role != Qt::DisplayRole)
        return {};
    return entry(index.row());
}

Qt::ItemFlags FolderListModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

QVariant FolderListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section == 0 && role == Qt::DisplayRole)
        return header_;
    return {};
}
