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

// Securely removes the regular file `path`: opens it without following a link, overwrites it once
// with a pseudo-random pattern under its own name and flushes that to the disk, then renames it to
// "~~~~~~~~.~~~" and then "~" in its own directory, truncates it and erases it. A tilde name that is
// taken (a user's file, a leftover, another wipe) is passed over for a numbered one ("~1", ...);
// nothing is ever replaced. A read-only file is made writable for its owner first.
// A file with other names (hard links) is not overwritten: their data stays, only `path` is removed.
// Returns kResultOk when the file was overwritten and erased; kResultRemovedNotWiped when only this
// name was removed because other names share the data; -2 when the path is not a regular file or a
// step failed: a failed overwrite leaves the file under its own name, overwritten up to where it
// stopped; a later failure leaves it fully overwritten, back under its own name where that is free,
// else under a tilde name.
int WipeFile(const std::string& path, const WipeRandomFill& fill = {}, const WipeStepHook& afterStep = {});
