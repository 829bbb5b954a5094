// SPDX-License-Identifier: GPL-3.0-or-later
#include "Progress.h"

#include <algorithm>

QString ProgressTime(std::int64_t seconds)
{
    return QString::asprintf("%2.2lldm:%2.2llds", static_cast<long long>(seconds / 60),
                             static_cast<long long>(seconds % 60));
}

TKV_Progress ProgressAt(std::int64_t ticks, int intervalMs, int barMax, std::int32_t blocksDone,
                        std::int32_t blocksTotal, bool encrypting)
{
    TKV_Progress out;
    const std::int64_t done = std::max<std::int32_t>(blocksDone, 0);
    const std::int64_t total = std::max<std::int32_t>(blocksTotal, 0);
    const std::int64_t v = total > 0 ? std::min<std::int64_t>(barMax * done / total, barMax) : barMax;
    const int filled = static_cast<int>(v);
    const int emptied = barMax - filled;
    out.Bar1 = encrypting ? emptied : filled;
    out.Bar2 = encrypting ? filled : emptied;

    const int k = intervalMs > 0 ? 1000 / intervalMs : 0;
    if (done <= 0 || k <= 0 || ticks % k != 0) return out;
    const std::int64_t elapsed = ticks / k;
    if (elapsed <= 0) return out;
    const std::int64_t remaining = std::max<std::int64_t>(total - done, 0) * elapsed / done;
    out.PanelsDue = true;
    out.Elapsed = QStringLiteral("Elapsed: ") + ProgressTime(elapsed);
    out.Remaining = QStringLiteral("Remaining: ") + ProgressTime(remaining);
    out.Estimated = QStringLiteral("Estimated: ") + ProgressTime(elapsed + remaining);
    out.Throughout =
        QStringLiteral("Throughout: ") + QString::number(done * 8 / elapsed) + QStringLiteral(" bytes per second");
    out.Done = QStringLiteral("Done: ") + QString::number((done * 8) >> 10) + QStringLiteral(" KBytes");
    out.Size = QStringLiteral("Size: ") + QString::number((total * 8) >> 10) + QStringLiteral(" Kbytes");
    return out;
}

TKV_Progress ProgressAtEnd(std::int64_t ticks, int intervalMs, int barMax, std::int32_t blocksTotal, bool encrypting)
{
    const int k = intervalMs > 0 ? 1000 / intervalMs : 0;
    const std::int64_t lastSecond = k > 0 ? ticks - ticks % k : ticks;
    return ProgressAt(lastSecond, intervalMs, barMax, blocksTotal, blocksTotal, encrypting);
}
