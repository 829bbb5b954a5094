// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusLine.h"

QStringList StatusFrames(const QString& message)
{
    const QString pad(5, QLatin1Char(' '));
    QStringList frames;
    for (int k = 6; k >= 2; --k) {
        QString text = pad.right(k - 1) + message;
        for (int i = 0; i < k - 1; ++i) {
            text.remove(0, 1);
            frames.append(text);
        }
        for (int i = 0; i < k - 2; ++i) {
            text.prepend(QLatin1Char(' '));
            frames.append(text);
        }
    }
    frames.append(message);
    return frames;
}
