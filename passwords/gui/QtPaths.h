// SPDX-License-Identifier: GPL-3.0-or-later
// Paths in Qt strings, for every layer that shows them: the one way to join them and to hand them
// to the Qt-free file layer. It lives in the lowest layer that uses Qt.
#pragma once

#include "FileSystem.h"

#include <QFile>
#include <QString>

#include <string>

// A path as the file layer takes it: the file system's own encoding of the name.
inline std::string FsPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

// A path of the file layer as the user reads it.
inline QString QPath(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// The file layer's JoinPath for Qt strings: a separator only when `directory` does not end in one.
inline QString JoinQPath(const QString& directory, const QString& name)
{
    return QPath(JoinPath(FsPath(directory), FsPath(name)));
}
