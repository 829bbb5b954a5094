// SPDX-License-Identifier: GPL-3.0-or-later
// Encrypting, decrypting and deleting one file: their texts. "%s" stands for
// a name or a path; the grammar is the program's own.
#pragma once

#include "QtPaths.h"

#include <QString>

inline constexpr char kFileNotFoundMessage[] = "File %s not found.";
inline constexpr char kOverwriteCryptedQuestion[] = "File %s already exist in the list of encrypted files. Overwrite?";
inline constexpr char kOverwritePlainQuestion[] =
    "File %s already exist in the list of non encrypted files. Overwrite?";
inline constexpr char kEncryptingStatus[] = "Encrypting file %s ...";
inline constexpr char kDecryptingStatus[] = "Decrypting file %s ...";
inline constexpr char kVerifyingStatus[] = "Verifying file %s ...";
inline constexpr char kRekeyingStatus[] = "Changing the password of file %s ...";
inline constexpr char kIntactMessage[] =
    "File %s is intact: the password opens it and its data matches its checksum. Nothing was written.";
inline constexpr char kPasswordChangedStatus[] = "The password of file %s has been changed.";
inline constexpr char kNewPasswordNotSavedMessage[] =
    "File %s has its new password, but it could not be saved in the password database, which still holds the "
    "old one. Keep the new password in mind.";
inline constexpr char kPlainNotRemovedMessage[] = "Unable to delete file %s from the list of non encrypted files.";
inline constexpr char kCryptedNotRemovedMessage[] = "Unable to delete file %s from the list of encrypted files.";
inline constexpr char kWipingStatus[] = "Wiping out the file %s ...";
inline constexpr char kDeletingStatus[] = "Deleting the file %s ...";
inline constexpr char kNotDeletedMessage[] = "Unable to delete file %s .";
inline constexpr char kWorkDoneStatus[] = "Idle.";
inline constexpr char kPasswordNotSavedNotEncryptedMessage[] =
    "The password for %s cannot be saved in the database of passwords, so the file was not encrypted.";
inline constexpr char kPasswordNotSavedPlainKeptMessage[] =
    "The password for %s could not be saved in the database of passwords. The file was encrypted, but the "
    "plain file was kept, so that the file can still be opened without that password.";
inline constexpr char kExecutingAppStatus[] = "Executing associated application...";
inline constexpr char kUnableToShellMessage[] = "Unable to shell the respective application for the file %s .";
inline constexpr char kEncryptAgainCaption[] = "Encrypt again now";
inline constexpr char kStillOpenTip[] =
    "These decrypted files were handed to an application that may still show them. Close them there, then "
    "encrypt them again:";

// `pattern` with its first "%s" replaced by `text`, taken literally (a name may hold "%1").
inline QString WithName(const char* pattern, const QString& text)
{
    QString message = QString::fromUtf8(pattern);
    const qsizetype at = message.indexOf(QStringLiteral("%s"));
    if (at >= 0) message.replace(at, 2, text);
    return message;
}
