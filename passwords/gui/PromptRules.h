// SPDX-License-Identifier: GPL-3.0-or-later
// The rules and texts of the two password prompts, without a dialog.
#pragma once

#include "PasswordLimits.h"
#include "PasswordMessages.h"

#include <QString>

class QFontMetrics;

// The decryption prompt accepts this many key bytes whatever the file's method says.
inline constexpr int kDecryptMaxChars = static_cast<int>(PasswordLimits::ForDecryption().MaxBytes);

// The prompt's heading for a rule: "Enter the password (6 - 8 symbols)".
QString EnterText(const PasswordLimits& limits);

// The message for a typed password, empty when it passes: fewer than 6 characters, more than
// `maxBytes` key bytes (PasswordByteCount: a Greek letter takes two), then, when a verification copy
// is given, an exact comparison.
QString CheckPromptEntry(const QString& first, const QString* second, int maxBytes);

// The directory as it fits into `width` pixels: middle directories are left out and written as
// "...", the first and the last stay as long as anything can go.
QString ShortenDirectory(const QString& directory, const QFontMetrics& metrics, int width);
