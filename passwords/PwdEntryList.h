// SPDX-License-Identifier: GPL-3.0-or-later
// The lines of the password table, "full path=password", kept sorted with letter case ignored.
#pragma once

#include "SecureZero.h"

#include <cstddef>
#include <string_view>
#include <vector>

// True where the file system tells names apart by letter case.
#if defined(_WIN32)
constexpr bool kCaseSensitiveNames = false;
#else
constexpr bool kCaseSensitiveNames = true;
#endif

// Orders UTF-8 text with letter case ignored (Unicode simple lower case, code point by code point).
// A byte that is not part of valid UTF-8 stands for itself and sorts after every character. Where
// names are case-sensitive, texts that differ only in case are told apart (case-sensitively) after
// that, so they are different entries; elsewhere they compare equal. <0, 0 or >0.
int CompareText(std::string_view a, std::string_view b) noexcept;

// A line lives in memory that is zeroed before it goes back to the heap.
using SecretLine = std::vector<char, ZeroingAllocator<char>>;

class PwdEntryList
{
public:
    static constexpr long kNotFound = -1;

    std::size_t Count() const noexcept { return lines_.size(); }
    bool Empty() const noexcept { return lines_.empty(); }
    std::string_view operator[](std::size_t index) const noexcept { return View(lines_[index]); }

    // Inserts the line at its sorted place. Returns false, and leaves the list as it was, when a line
    // equal to it by CompareText is already present. May throw std::bad_alloc.
    bool Add(std::string_view line);

    // Index of the first line, in sorted order, whose name (the text before its first "=") equals
    // `name` by CompareText; kNotFound when none. A line without "=" has no name.
    long IndexOfName(std::string_view name, long from = 0) const noexcept;
    // The text after the first "=" of the line (empty when it has none).
    std::string_view Value(std::size_t index) const noexcept;

    // Removes one line, zeroing it.
    void Delete(std::size_t index) noexcept;
    // Overwrites every line with zeros in place, then empties the list.
    void Clear() noexcept;

    void Swap(PwdEntryList& other) noexcept { lines_.swap(other.lines_); }

private:
    static std::string_view View(const SecretLine& line) noexcept { return {line.data(), line.size()}; }
    std::vector<SecretLine> lines_;
};
