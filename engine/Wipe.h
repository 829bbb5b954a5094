// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Source of the wipe pattern; tests pass a fixed one.
using WipeRandomFill = std::function<void(std::uint8_t* buffer, std::size_t count)>;

// The steps of a wipe. Tests are told after each one, so that they can stop the process there.
enum class WipeStep
{
    Overwritten,
    FirstRename,
    SecondRename,
    Truncated
};
using WipeStepHook = std::function<void(WipeStep done)>;

// Securely removes the regular file `path`: makes it writable, renames it to "~~~~~~~~.~~~" and then
// "~" in its own directory (never replacing a file already there), overwrites it once with a
// pseudo-random pattern, flushes that to the disk, truncates it and erases it.
// Returns 0 when the file has been overwritten and erased, -2 when any step failed (the file is then
// left as the failed step left it, possibly under a tilde name) or the path is not a regular file.
int WipeFile(const std::string& path, const WipeRandomFill& fill = {}, const WipeStepHook& afterStep = {});
