// SPDX-License-Identifier: GPL-3.0-or-later
// Reading what a container says about itself from its header alone.
#pragma once

#include <cstdint>
#include <string>

struct ContainerInfo {
    bool readable = false;      // the header could be read in full
    int method = -1;            // 0..4, or -1 when the method byte names none
    int headerLength = 0;       // 14 or 35 as the method byte implies
    std::int32_t plainSize = 0; // as stored
    const char* tag = "-";      // "DES", "IDEA", "3xDES" or "-"
};

// The header of the file at `path`. The tag comes from the fourth byte alone, so a file of four
// bytes or more has one even when the rest of its header is missing.
ContainerInfo ReadContainerInfo(const std::string& path);

// "DES", "IDEA", "3xDES", or "-" for an unknown method byte or a file that cannot be read.
std::string ReadMethodTag(const std::string& path);
