// SPDX-License-Identifier: GPL-3.0-or-later
// The platform's icons and type names of files, looked up by name alone (a file's content is never
// read for it) and kept once per type, so that a list of thousands of files costs one icon per type.
#pragma once

#include <QFileIconProvider>
#include <QHash>
#include <QIcon>
#include <QMimeDatabase>
#include <QMimeType>
#include <QString>

#include <vector>

class TKV_FileTypes
{
public:
    TKV_FileTypes();

    // The index of the file's icon in Icon(); 0, the plain file's icon, when nothing better is known.
    int ImageIndex(const QString& fileName);
    // The type's name as the desktop shows it; empty when there is none.
    QString TypeName(const QString& fileName);

    // The same for a type given by its name ("inode/symlink"), for entries that are no regular file.
    int ImageIndexOfType(const QString& typeName);
    QString TypeNameOfType(const QString& typeName);

    QIcon Icon(int index) const;
    int IconCount() const { return static_cast<int>(icons_.size()); }

private:
    const QMimeType& TypeOf(const QString& fileName);
    // Keeps `icon` under `key` (or the plain file's icon when it is null) and returns its index.
    int Remember(const QString& key, const QIcon& icon);

    QMimeDatabase mimes_;
    QFileIconProvider provider_;
    std::vector<QIcon> icons_;
    QHash<QString, int> indexOfKey_;
    // The type of the name asked for last: the icon and the type name of one file are asked in turn.
    QString lastName_;
    QMimeType lastType_;
};
