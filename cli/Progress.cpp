// SPDX-License-Identifier: GPL-3.0-or-later
#include "Progress.h"

#include <cstdio>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

bool ErrorsGoToTerminal()
{
#if defined(_WIN32)
    return ::_isatty(::_fileno(stderr)) != 0;
#else
    return ::isatty(STDERR_FILENO) != 0;
#endif
}

} // namespace

void ProgressLine::Start(const std::string& name, long long bytes)
{
    active_ = bytes > kThreshold && ErrorsGoToTerminal();
    drawn_ = false;
    name_ = name;
    started_ = lastDrawn_ = std::chrono::steady_clock::now();
}

void ProgressLine::Update(std::int32_t blocksDone, std::int32_t blocksTotal)
{
    if (!active_ || blocksTotal <= 0) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastDrawn_ < std::chrono::milliseconds(200)) return;
    lastDrawn_ = now;
    const double seconds = std::chrono::duration<double>(now - started_).count();
    const double fraction = static_cast<double>(blocksDone) / blocksTotal;
    const double bytesDone = 8.0 * blocksDone;
    const double rate = seconds > 0 ? bytesDone / seconds : 0;
    const double remaining = rate > 0 ? (8.0 * (blocksTotal - blocksDone)) / rate : 0;
    const int minutes = static_cast<int>(remaining) / 60;
    const int secs = static_cast<int>(remaining) % 60;
    drawnWidth_ = std::fprintf(stderr, "\r%s: %5.1f%%  %7.1f MB/s  %02d:%02d left ", name_.c_str(), 100.0 * fraction,
                               rate / 1e6, minutes, secs);
    std::fflush(stderr);
    drawn_ = true;
}

void ProgressLine::Finish()
{
#if defined(_WIN32)
    // The console of older Windows shows escape sequences as text: the line is blanked instead.
    if (drawn_) std::fprintf(stderr, "\r%*s\r", drawnWidth_, "");
#else
    if (drawn_) std::fputs("\r\033[K", stderr);
#endif
    active_ = drawn_ = false;
}
