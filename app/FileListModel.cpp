// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileListModel.h"

#include "FileTypes.h"

#include <QMimeData>

#include <algorithm>
#include <numeric>
#include <set>

TKV_FileListModel::TKV_FileListModel(const QStringList& headers, std::shared_ptr<const TKV_FileTypes> types,
                                     QObject* parent)
    : QAbstractTableModel(parent), headers_(headers), types_(std::move(types))
{
}

int TKV_FileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Count();
}

int TKV_FileListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(headers_.size());
}

QVariant TKV_FileListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= Count()) return {};
    const TKV_FileItem& item = Item(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return item.ColumnText(index.column());
    case Qt::DecorationRole:
        if (index.column() == 0 && item.ImageIndex >= 0) return types_->Icon(item.ImageIndex);
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == 1) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant TKV_FileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= headers_.size()) return {};
    if (role == Qt::DisplayRole) return headers_.at(section);
    if (role == Qt::TextAlignmentRole && section == 1) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags TKV_FileListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
}

QStringList TKV_FileListModel::mimeTypes() const
{
    return {QString::fromLatin1(kListItemsMimeType)};
}

QMimeData* TKV_FileListModel::mimeData(const QModelIndexList& indexes) const
{
    std::set<int> rows;
    for (const QModelIndex& index : indexes)
        if (index.isValid()) rows.insert(index.row());
    QStringList captions;
    for (int row : rows)
        captions.append(Item(row).Caption);
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kListItemsMimeType), captions.join(QLatin1Char('\n')).toUtf8());
    return data;
}

// A copy: the views must never remove the dragged entries themselves.
Qt::DropActions TKV_FileListModel::supportedDragActions() const
{
    return Qt::CopyAction;
}

Qt::DropActions TKV_FileListModel::supportedDropActions() const
{
    return Qt::CopyAction;
}

QStringList TKV_FileListModel::Captions() const
{
    QStringList captions;
    captions.reserve(Count());
    for (const TKV_FileItem& item : items_)
        captions.append(item.Caption);
    return captions;
}

void TKV_FileListModel::Clear()
{
    Reset({});
}

void TKV_FileListModel::Reset(std::vector<TKV_FileItem> items)
{
    beginResetModel();
    items_ = std::move(items);
    endResetModel();
}

int TKV_FileListModel::Append(TKV_FileItem item)
{
    const int row = Count();
    beginInsertRows(QModelIndex(), row, row);
    items_.push_back(std::move(item));
    endInsertRows();
    return row;
}

void TKV_FileListModel::Replace(int row, TKV_FileItem item)
{
    items_.at(static_cast<std::size_t>(row)) = std::move(item);
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void TKV_FileListModel::Remove(int row)
{
    if (row < 0 || row >= Count()) return;
    beginRemoveRows(QModelIndex(), row, row);
    items_.erase(items_.begin() + row);
    endRemoveRows();
}

int TKV_FileListModel::Find(const QString& caption) const
{
    int caseless = -1;
    for (int row = 0; row < Count(); ++row) {
        const QString& other = Item(row).Caption;
        if (other == caption) return row;
        if (caseless < 0 && other.compare(caption, Qt::CaseInsensitive) == 0) caseless = row;
    }
    return caseless;
}

void TKV_FileListModel::Sort(const std::function<int(const TKV_FileItem&, const TKV_FileItem&)>& compare)
{
    std::vector<int> order(items_.size());
    std::iota(order.begin(), order.end(), 0);
    // Stable and with a strict order even when the comparison answers 1 both ways: then nothing moves.
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
        return compare(items_[static_cast<std::size_t>(x)], items_[static_cast<std::size_t>(y)]) < 0;
    });
    if (std::is_sorted(order.begin(), order.end())) return;

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRowOf(order.size());
    for (std::size_t to = 0; to < order.size(); ++to)
        newRowOf[static_cast<std::size_t>(order[to])] = static_cast<int>(to);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
        after.append(index.isValid() ? createIndex(newRowOf[static_cast<std::size_t>(index.row())], index.column())
                                     : QModelIndex());
    std::vector<TKV_FileItem> sorted;
    sorted.reserve(items_.size());
    for (int from : order)
        sorted.push_back(std::move(items_[static_cast<std::size_t>(from)]));
    items_ = std::move(sorted);
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
