// SPDX-License-Identifier: GPL-3.0-or-later
// The names an operation works on and the directory they live in.
#pragma once

#include <QString>
#include <QStringList>

class QAbstractItemView;

class TKV_DirCryptor
{
public:
    // Names without directory, in list order.
    QStringList Files;
    QString Directory;

    // Replaces Files with the captions (first column) of the view's selected items, top to bottom,
    // and takes the process's current directory, which the directory tree keeps equal to the one
    // the lists show.
    void ReadSelection(const QAbstractItemView& listView);
};
