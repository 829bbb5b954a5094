// SPDX-License-Identifier: GPL-3.0-or-later
// Whether a process waits for a file lock, as Linux tells it in /proc/locks.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <sys/types.h>

namespace testplatform {

// True while `pid` waits for a flock (a "->" line of /proc/locks).
inline bool WaitsForALock(pid_t pid)
{
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, arrow, kind, mode, access, owner;
        if (fields >> number >> arrow >> kind >> mode >> access >> owner && arrow == "->" && kind == "FLOCK" &&
            owner == std::to_string(pid))
            return true;
    }
    return false;
}

} // namespace testplatform
