// SPDX-License-Identifier: GPL-3.0-or-later
// What the fuzz targets share: the engine reads by path, so each input becomes a file in a folder of
// the process's own, in memory where the system has such a folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace fuzz {

inline const std::string& ScratchFolder()
{
    static const std::string folder = [] {
        std::string pattern =
            (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + std::string("/kelvane-fuzz-XXXXXX");
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        return pattern;
    }();
    return folder;
}

// Writes `size` bytes to `name` in the scratch folder and returns its path.
inline std::string WriteInput(const char* name, const std::uint8_t* data, std::size_t size)
{
    const std::string path = ScratchFolder() + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
    return path;
}

} // namespace fuzz
