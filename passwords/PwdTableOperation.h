// SPDX-License-Identifier: GPL-3.0-or-later
// The guard of the password table's operations, for the files that define them.
#pragma once

#include "TKV_PwdTable.h"

// Holds the table for one operation; a second one is refused while it runs.
class TKV_PwdTable::Operation
{
public:
    explicit Operation(TKV_PwdTable& table) noexcept : table_(table), entered_(!table.busy_)
    {
        if (entered_) table_.busy_ = true;
    }
    ~Operation()
    {
        if (entered_) table_.busy_ = false;
    }
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;
    explicit operator bool() const noexcept { return entered_; }

private:
    TKV_PwdTable& table_;
    bool entered_;
};
