// SPDX-License-Identifier: GPL-3.0-or-later
// Scratch directories and whole-file helpers shared by the engine's file and command-line tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "../common/TestPlatform.h"

namespace filetest {

using Bytes = std::vector<std::uint8_t>;

using testplatform::FsPath;

// A fresh directory under the temporary folder, removed with everything in it at the end of the test.
class TempDir
{
public:
    explicit TempDir(const char* what = "engine") : path_(testplatform::MakeTempDir(what)) {}
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(FsPath(path_), ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }
    // Every entry, hidden ones included, sorted.
    std::vector<std::string> List() const
    {
        std::vector<std::string> names = testplatform::Names(path_);
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string path_;
};

inline Bytes Pattern(std::size_t n, unsigned seed)
{
    std::mt19937 generator(seed);
    Bytes data(n);
    for (auto& b : data)
        b = static_cast<std::uint8_t>(generator());
    return data;
}

inline void WriteBytes(const std::string& path, const Bytes& data)
{
    std::ofstream out(FsPath(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

// Throws for a missing file, so that "empty" and "not there" are never confused.
inline Bytes ReadBytes(const std::string& path)
{
    std::ifstream in(FsPath(path), std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool Exists(const std::string& path)
{
    return testplatform::PathExists(path);
}

} // namespace filetest
