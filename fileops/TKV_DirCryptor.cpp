// SPDX-License-Identifier: GPL-3.0-or-later
#include "TKV_DirCryptor.h"

#include "QtPaths.h"

#include <QAbstractItemView>
#include <QDir>
#include <QItemSelectionModel>

#include <algorithm>

void TKV_DirCryptor::ReadSelection(const QAbstractItemView& listView)
{
    Files.clear();
    if (const QItemSelectionModel* selection = listView.selectionModel()) {
        // The selection model reports rows in the order they were selected; the list's order counts.
        QModelIndexList rows = selection->selectedRows(0);
        std::sort(rows.begin(), rows.end(),
                  [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
        for (const QModelIndex& row : rows)
            Files.append(row.data(Qt::DisplayRole).toString());
    }
    Directory = CurrentDirectory();
}
