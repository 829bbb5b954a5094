// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileTypes.h"

#include "FileLists.h"
#include "Icons.h"

#include <QFileInfo>

TKV_FileTypes::TKV_FileTypes()
{
    icons_.push_back(provider_.icon(QAbstractFileIconProvider::File));
}

const QMimeType& TKV_FileTypes::TypeOf(const QString& fileName)
{
    if (fileName != lastName_ || !lastType_.isValid()) {
        lastName_ = fileName;
        lastType_ = mimes_.mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    }
    return lastType_;
}

int TKV_FileTypes::ImageIndex(const QString& fileName)
{
#ifdef Q_OS_WIN
    // The shell gives the icons here; files of one extension share theirs.
    const QString key = QFileInfo(fileName).suffix().toLower();
    const auto found = indexOfKey_.constFind(key);
    if (found != indexOfKey_.cend()) return found.value();
    QIcon icon = provider_.icon(QFileInfo(fileName));
#else
    const QMimeType& type = TypeOf(fileName);
    const bool unknownCry = type.isDefault() && IsCryName(fileName);
    const QString key = unknownCry ? QStringLiteral(".cry") : type.name();
    const auto found = indexOfKey_.constFind(key);
    if (found != indexOfKey_.cend()) return found.value();
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
    // Encrypted files keep a look of their own where the desktop does not know the type yet.
    if (unknownCry) icon = CryptFileIcon();
#endif
    return Remember(key, icon);
}

int TKV_FileTypes::Remember(const QString& key, const QIcon& icon)
{
    int index = 0;
    if (!icon.isNull()) {
        index = static_cast<int>(icons_.size());
        icons_.push_back(icon);
    }
    indexOfKey_.insert(key, index);
    return index;
}

int TKV_FileTypes::ImageIndexOfType(const QString& typeName)
{
    const auto found = indexOfKey_.constFind(typeName);
    if (found != indexOfKey_.cend()) return found.value();
    const QMimeType type = mimes_.mimeTypeForName(typeName);
    QIcon icon = QIcon::fromTheme(type.isValid() ? type.iconName() : QString());
    if (icon.isNull() && type.isValid()) icon = QIcon::fromTheme(type.genericIconName());
    return Remember(typeName, icon);
}

QString TKV_FileTypes::TypeNameOfType(const QString& typeName)
{
    const QMimeType type = mimes_.mimeTypeForName(typeName);
    return type.isValid() ? type.comment() : typeName;
}

QString TKV_FileTypes::TypeName(const QString& fileName)
{
    const QMimeType& type = TypeOf(fileName);
    return type.isValid() ? type.comment() : QString();
}

QIcon TKV_FileTypes::Icon(int index) const
{
    return index >= 0 && index < IconCount() ? icons_[static_cast<std::size_t>(index)] : QIcon();
}
