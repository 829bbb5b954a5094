// SPDX-License-Identifier: GPL-3.0-or-later
#include "Drives.h"

#include <QDir>
#include <QFileSystemModel>
#include <QStorageInfo>

#include <algorithm>

namespace {

// `path` is `root` or lies below it.
bool Within(const QString& path, const QString& root)
{
    if (path == root) return true;
    const QString prefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    return path.startsWith(prefix);
}

} // namespace

QStringList MountedDrives()
{
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid()) roots.append(volume.rootPath());
    }
    roots.removeDuplicates();
    std::sort(roots.begin(), roots.end());
    return roots;
}

bool DriveIsReady(const QString& root)
{
    const QStorageInfo volume(root);
    return volume.isValid() && volume.isReady() && volume.rootPath() == root && volume.bytesTotal() > 0;
}

QString DriveOf(const QStringList& drives, const QString& path)
{
    QString best;
    for (const QString& root : drives) {
        if (Within(path, root) && root.size() > best.size()) best = root;
    }
    return best;
}

TKV_DriveTreeFilter::TKV_DriveTreeFilter(QObject* parent) : QSortFilterProxyModel(parent)
{
    setRecursiveFilteringEnabled(false);
}

void TKV_DriveTreeFilter::SetDrive(const QString& root)
{
    root_ = root;
    invalidateFilter();
}

bool TKV_DriveTreeFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    if (root_.isEmpty()) return true;
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (files == nullptr) return true;
    const QString path = files->filePath(files->index(sourceRow, 0, sourceParent));
    // Below the root, or on the way down to it.
    return Within(path, root_) || Within(root_, path);
}
