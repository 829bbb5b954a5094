// SPDX-License-Identifier: GPL-3.0-or-later
// The progress display's arithmetic: what the two bars and the six statistics panels show at one
// tick of the progress timer.
#pragma once

#include <QString>

#include <cstdint>

struct TKV_Progress
{
    int Bar1 = 0; // under the Plain list
    int Bar2 = 0; // under the Crypted list
    // Once a second, and only when some blocks are done, the panels are written.
    bool PanelsDue = false;
    QString Elapsed;    // StatusBar2 panel 0
    QString Remaining;  // StatusBar2 panel 1
    QString Throughout; // StatusBar2 panel 2
    QString Estimated;  // StatusBar1 panel 0
    QString Done;       // StatusBar1 panel 1
    QString Size;       // StatusBar1 panel 2
};

// "%2.2dm:%2.2ds" of whole minutes and the seconds left over: 65 gives "01m:05s".
QString ProgressTime(std::int64_t seconds);

// The display at tick count `ticks` (already counted for this tick) of a timer firing every
// `intervalMs`, with bars ranging 0..`barMax`. Encrypting, the Plain list's bar empties while the
// Crypted list's fills; decrypting, the other way round. The arithmetic is in whole numbers, every
// division truncating, and wide enough that no product overflows for files up to 2 GiB. A file
// without blocks (BlocksTotal 0) counts as done.
TKV_Progress ProgressAt(std::int64_t ticks, int intervalMs, int barMax, std::int32_t blocksDone,
                        std::int32_t blocksTotal, bool encrypting);

// The display once the file is done: every block counted and nothing remaining, at the last whole
// second of `ticks`. As while working, a file done in under a second writes no panels.
TKV_Progress ProgressAtEnd(std::int64_t ticks, int intervalMs, int barMax, std::int32_t blocksTotal, bool encrypting);
