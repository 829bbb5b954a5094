// SPDX-License-Identifier: GPL-3.0-or-later
#include "DirectoryWalk.h"

#include "FileSystem.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

int CompareWalkNames(std::string_view x, std::string_view y) noexcept
{
    auto fold = [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 'a' && u <= 'z' ? static_cast<unsigned char>(u - 'a' + 'A') : u;
    };
    const std::size_t n = std::min(x.size(), y.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char a = fold(x[i]);
        const unsigned char b = fold(y[i]);
        if (a != b) return a < b ? -1 : 1;
    }
    if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
    // Equal but for letter case: a fixed order all the same, so every run visits alike.
    return x.compare(y) < 0 ? -1 : (x == y ? 0 : 1);
}

void SortWalkNames(std::vector<std::string>& names)
{
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return CompareWalkNames(a, b) < 0; });
}

#if !defined(_WIN32) // DirectoryWalk_Windows.cpp lists with the Win32 calls that see reparse points.
bool ListDirectory(const std::string& path, WalkDirectory& listing, std::vector<std::string>& links,
                   std::string& reason)
{
    listing.Files.clear();
    listing.Subdirectories.clear();
    links.clear();
    std::error_code error;
    fs::directory_iterator it(fs::path(path), error);
    const fs::directory_iterator end;
    for (; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::error_code kindError;
        const fs::file_status own = it->symlink_status(kindError);
        if (fs::is_directory(own)) {
            listing.Subdirectories.push_back(name);
        } else if (fs::is_symlink(own) && fs::is_directory(fs::status(it->path(), kindError))) {
            links.push_back(name);
        } else {
            // Whatever it is (a link to a file, a pipe, an entry gone meanwhile), the work on files
            // decides; only regular files are ever encrypted.
            listing.Files.push_back(name);
        }
    }
    if (error) {
        reason = error.message();
        return false;
    }
    SortWalkNames(listing.Files);
    SortWalkNames(listing.Subdirectories);
    SortWalkNames(links);
    return true;
}
#endif

namespace {

class Walk
{
public:
    Walk(bool recurse, WalkVisitor& visitor) : recurse_(recurse), visitor_(visitor) {}

    // False once the walk is to end. `visited` tells whether the directory had its turn.
    bool Directory(const std::string& path, int depth, bool& visited)
    {
        visited = false;
        WalkDirectory directory;
        directory.Path = path;
        directory.Depth = depth;
        std::vector<std::string> links;
        std::string reason;
        if (!ListDirectory(path, directory, links, reason)) {
            visitor_.Unreadable(path, reason);
            return true;
        }
        for (const std::string& link : links)
            visitor_.LinkNotFollowed(JoinPath(path, link));

        visited = true;
        const WalkStep step = visitor_.Visit(directory);
        if (step == WalkStep::Stop) return false;
        if (!recurse_ || step == WalkStep::SkipChildren) return true;

        ancestors_.push_back(PathFromUtf8(path));
        bool goOn = true;
        for (const std::string& name : directory.Subdirectories) {
            if (visitor_.Stopped()) {
                goOn = false;
                break;
            }
            const std::string child = JoinPath(path, name);
            if (IsAncestor(child)) {
                visitor_.LinkNotFollowed(child);
                continue;
            }
            bool childVisited = false;
            goOn = Directory(child, depth + 1, childVisited);
            // Also when the walk is ending: the window moves its tree back on the way out, so that the
            // run ends where it began.
            if (childVisited) visitor_.Returned(directory);
            if (!goOn) break;
        }
        ancestors_.pop_back();
        return goOn;
    }

private:
    // A directory met again below itself (a bind mount): entering it would never end.
    bool IsAncestor(const std::string& child) const
    {
        for (const fs::path& ancestor : ancestors_) {
            std::error_code error;
            if (fs::equivalent(ancestor, PathFromUtf8(child), error)) return true;
        }
        return false;
    }

    bool recurse_;
    WalkVisitor& visitor_;
    std::vector<fs::path> ancestors_;
};

} // namespace

bool WalkDirectories(const std::string& root, bool recurse, WalkVisitor& visitor)
{
    Walk walk(recurse, visitor);
    bool visited = false;
    return walk.Directory(root, 0, visited);
}
