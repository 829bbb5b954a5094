// SPDX-License-Identifier: GPL-3.0-or-later
// Encrypt All and Decrypt All over a directory tree, the walk itself: which directories are visited,
// in which order, and what is passed over. The window and kelvane-cli both walk with it and do the
// work on each directory's files themselves.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// One directory as the walk found it. Both lists are taken before the directory's files are worked on,
// so files a run creates there (a .cry written by an encryption) are never offered to the same run.
struct WalkDirectory
{
    std::string Path; // the root as given, then JoinPath of its parent and its name
    int Depth = 0;    // 0 for the root
    // Names of the entries that are no directories (regular files, links, pipes, devices), in walk
    // order. A link to a directory is not among them: it is passed over (WalkVisitor::LinkNotFollowed).
    std::vector<std::string> Files;
    std::vector<std::string> Subdirectories;
};

enum class WalkStep
{
    Continue,     // go on, into the subdirectories when recursing
    SkipChildren, // go on, but not below this directory
    Stop,         // end the whole walk
};

class WalkVisitor
{
public:
    virtual ~WalkVisitor() = default;
    // The directory's turn: its files are worked on here.
    virtual WalkStep Visit(const WalkDirectory& directory) = 0;
    // The walk is back in `directory` after one of its subdirectories, also on its way out of a walk
    // that was stopped below.
    virtual void Returned(const WalkDirectory& /*directory*/) {}
    // Asked before each subdirectory: true ends the walk.
    virtual bool Stopped() { return false; }
    // A directory that cannot be listed, told once with the system's words; the walk goes on without it.
    virtual void Unreadable(const std::string& path, const std::string& reason) = 0;
    // A symbolic link to a directory, or a directory already being walked further up (a bind mount of
    // an ancestor): never entered, since a link back up the tree would recurse for ever.
    virtual void LinkNotFollowed(const std::string& /*path*/) {}
};

// Orders names as the walk visits them: byte by byte (UTF-8 or whatever bytes the name holds) with a
// to z folded to capitals; names equal so are ordered by their bytes. Negative, zero or positive.
int CompareWalkNames(std::string_view x, std::string_view y) noexcept;
// Sorts names into that order.
void SortWalkNames(std::vector<std::string>& names);

// Lists `path`: every entry but "." and "..", directories apart from the rest, each list in walk
// order. A link to a directory (on Windows any reparse point that is a directory: a symbolic link,
// junction or mount point) goes to `links`. False, with the system's words in `reason`, when the
// directory cannot be read.
bool ListDirectory(const std::string& path, WalkDirectory& listing, std::vector<std::string>& links,
                   std::string& reason);

// Visits `root` and, with `recurse`, every directory below it, depth first: a directory's own files
// first, then its subdirectories one by one in walk order, each with everything below it. A link
// named as the root is followed; links met below it are not. Returns false when the visitor stopped
// the walk.
bool WalkDirectories(const std::string& root, bool recurse, WalkVisitor& visitor);
