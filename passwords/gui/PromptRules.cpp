// SPDX-License-Identifier: GPL-3.0-or-later
#include "PromptRules.h"

#include "PasswordText.h"

#include <algorithm>

#include <QDir>
#include <QFontMetrics>
#include <QStringList>

QString RangeText(const QString& methodName)
{
    if (methodName == QLatin1String("DES")) return QStringLiteral("(6 - 8 symbols)");
    if (methodName == QLatin1String("IDEA")) return QStringLiteral("(6 - 16 symbols)");
    return QStringLiteral("(6 - 24 symbols)");
}

int EncryptMaxChars(const QString& methodName)
{
    if (methodName == QLatin1String("DES")) return 8;
    if (methodName == QLatin1String("IDEA")) return 16;
    return 24;
}

QString CheckPromptEntry(const QString& first, const QString* second, int maxBytes)
{
    const QByteArray utf8 = first.toUtf8();
    const PasswordLengthCheck length =
        CheckPasswordLength(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())), kMinPromptChars,
                            static_cast<std::size_t>(std::max(maxBytes, 0)));
    if (length == PasswordLengthCheck::TooFew) return QString::fromLatin1(kTooFewCharsMessage);
    if (length == PasswordLengthCheck::TooMany) return QString::fromLatin1(kTooManyCharsMessage);
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
