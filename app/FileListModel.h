// SPDX-License-Identifier: GPL-3.0-or-later
// The entries of one file list as a table for the views: caption and icon, then size, date,
// attributes and type or method. The views drag the selected captions out; nothing can be edited,
// dropped in or removed through the views.
#pragma once

#include "FileLists.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class TKV_FileTypes;

inline constexpr char kListItemsMimeType[] = "application/x-kelvane-list-items";

class TKV_FileListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // The icons are shared with the window, and held for as long as the views may still ask.
    TKV_FileListModel(const QStringList& headers, std::shared_ptr<const TKV_FileTypes> types,
                      QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;

    const TKV_FileItem& Item(int row) const { return items_.at(static_cast<std::size_t>(row)); }
    int Count() const { return static_cast<int>(items_.size()); }
    // Every caption, top to bottom.
    QStringList Captions() const;

    void Clear();
    // Replaces every entry at once.
    void Reset(std::vector<TKV_FileItem> items);
    // Appends one entry; returns its row.
    int Append(TKV_FileItem item);
    void Replace(int row, TKV_FileItem item);
    void Remove(int row);
    // The row of the first entry with exactly this caption, else of the first whose caption differs
    // in letter case only; -1 when there is none.
    int Find(const QString& caption) const;
    // Orders the entries by `compare` (negative: x before y); entries that compare equal, or that the
    // comparison cannot order, keep their order. Selection and current entry stay with their entries.
    void Sort(const std::function<int(const TKV_FileItem&, const TKV_FileItem&)>& compare);

private:
    QStringList headers_;
    std::shared_ptr<const TKV_FileTypes> types_;
    std::vector<TKV_FileItem> items_;
};
