// SPDX-License-Identifier: GPL-3.0-or-later
#include "PromptRules.h"

#include <algorithm>

#include <QDir>
#include <QFontMetrics>
#include <QStringList>

QString EnterText(const PasswordLimits& limits)
{
    return QStringLiteral("Enter the password ") + QString::fromStdString(limits.RangeText());
}

QString CheckPromptEntry(const QString& first, const QString* second, int maxBytes)
{
    const QByteArray utf8 = first.toUtf8();
    const PasswordLimits limits{kMinPasswordChars, static_cast<std::size_t>(std::max(maxBytes, 0))};
    const PasswordLengthCheck length =
        limits.Check(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    if (length != PasswordLengthCheck::Ok) return QString::fromLatin1(PasswordLengthMessage(length));
    if (second != nullptr && first != *second) return QString::fromLatin1(kVerificationFailedMessage);
    return QString();
}

QString ShortenDirectory(const QString& directory, const QFontMetrics& metrics, int width)
{
    if (metrics.horizontalAdvance(directory) <= width) return directory;
    const QChar separator = QDir::separator();
    QStringList parts = directory.split(separator);
    // parts[0] is the root ("" for "/", "C:" for a drive) and parts[1] the first directory; they
    // stay, as does the last part, the directory itself.
    const QString ellipsis = QStringLiteral("...");
    QString text = directory;
    while (parts.size() > 3) {
        parts.removeAt(2);
        QStringList shown = parts;
        shown.insert(2, ellipsis);
        text = shown.join(separator);
        if (metrics.horizontalAdvance(text) <= width) break;
    }
    return text;
}
