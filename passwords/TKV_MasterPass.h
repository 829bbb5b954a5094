// SPDX-License-Identifier: GPL-3.0-or-later
// TKV_MasterPass: the master password that unlocks the password database, and where that database is.
#pragma once

#include "TKV_Pwd.h"

#include <string>

// Uses the inherited fields for the master password: Password/PwdLength (scrambled), Entered,
// Expires ("One master password for a session"), Ticks, ExpTime (minutes, 0 = never), Expired.
// ProcessMessages, when set, is called between the chunks of a database being read.
class TKV_MasterPass : public TKV_Pwd
{
public:
    // Use the password database at all ("Store passwords on disk").
    bool Store = false;
    // Full path of the database file.
    std::string Dir;
};
