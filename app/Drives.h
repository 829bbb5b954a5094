// SPDX-License-Identifier: GPL-3.0-or-later
// The drive box's drives: here the mounted volumes, each named by the directory it is mounted on;
// and the directory tree's view of one of them.
#pragma once

#include <QSortFilterProxyModel>
#include <QString>
#include <QStringList>

// The root directories of the mounted volumes, sorted.
QStringList MountedDrives();
// The drive can be used: it is still mounted there and its size can be asked for.
bool DriveIsReady(const QString& root);
// The drive of `drives` that holds `path`: the longest root that is `path` or one of its parents;
// empty when none is.
QString DriveOf(const QStringList& drives, const QString& path);

// Shows, of the file system's directories, the chain from the top down to the drive's root and
// everything below that root, so that the tree starts at the drive as it would at a drive letter.
class TKV_DriveTreeFilter : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit TKV_DriveTreeFilter(QObject* parent = nullptr);
    void SetDrive(const QString& root);
    QString Drive() const { return root_; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    QString root_;
};
