// SPDX-License-Identifier: GPL-3.0-or-later
// The status line's texts: the bounce-in of a message and the answer to a command refused while
// work runs.
#pragma once

#include <QString>
#include <QStringList>

inline constexpr char kPleaseWaitMessage[] = "Please wait until the process is finished.";
inline constexpr char kIdleStatus[] = "Idle";

// Every text the status line shows for `message`, in order: it slides in from the right and
// bounces with shrinking swings (leading spaces 4 3 2 1 0 1 2 3 4, 3 2 1 0 1 2 3, 2 1 0 1 2, 1 0 1,
// 0), then settles on the message itself.
QStringList StatusFrames(const QString& message);
