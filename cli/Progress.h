// SPDX-License-Identifier: GPL-3.0-or-later
// The progress line kelvane-cli shows on a terminal for large files.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

class ProgressLine
{
public:
    // Shown only when standard error is a terminal and the file is larger than this.
    static constexpr long long kThreshold = 4LL << 20;

    void Start(const std::string& name, long long bytes);
    // Called after every chunk; redraws at most a few times a second.
    void Update(std::int32_t blocksDone, std::int32_t blocksTotal);
    void Finish();

private:
    bool active_ = false;
    bool drawn_ = false;
    int drawnWidth_ = 0; // characters of the line last drawn
    std::string name_;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point lastDrawn_;
};
