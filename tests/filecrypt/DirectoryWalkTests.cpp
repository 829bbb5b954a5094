// SPDX-License-Identifier: GPL-3.0-or-later
// The walk of Encrypt All and Decrypt All over a tree built here: which directories it visits, in
// which order, with which files, and what it passes over.
#include "DirectoryWalk.h"

#include "../engine/FileTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using filetest::TempDir;

void Touch(const std::string& path)
{
    filetest::WriteBytes(path, filetest::Bytes{'x'});
}

// root/ A file.txt, b.txt, bad\xFF.txt (not UTF-8), flink -> b.txt, loop -> ., up -> ..,
//       Docs/d.txt, docs/e.txt, empty/, zz/deep/x, zz/deep/inner/y, ñandú/f
class Tree
{
public:
    Tree()
    {
        namespace fs = std::filesystem;
        Touch(dir_ / "A file.txt");
        Touch(dir_ / "b.txt");
        Touch(dir_ / "bad\xFF.txt");
        fs::create_symlink("b.txt", dir_ / "flink");
        fs::create_directory_symlink(".", dir_ / "loop");
        fs::create_directory_symlink("..", dir_ / "up");
        fs::create_directories(dir_ / "Docs");
        Touch(dir_ / "Docs/d.txt");
        fs::create_directories(dir_ / "docs");
        Touch(dir_ / "docs/e.txt");
        fs::create_directories(dir_ / "empty");
        fs::create_directories(dir_ / "zz/deep/inner");
        Touch(dir_ / "zz/deep/x");
        Touch(dir_ / "zz/deep/inner/y");
        fs::create_directories(dir_ / "\xC3\xB1"
                                      "and\xC3\xBA");
        Touch(dir_ / "\xC3\xB1"
                     "and\xC3\xBA/f");
    }
    const std::string& Root() const { return dir_.path(); }
    std::string operator/(const std::string& name) const { return dir_ / name; }

private:
    TempDir dir_{"walk"};
};

// What JoinPath puts between a directory and a name.
#if defined(_WIN32)
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

// Writes down every event of the walk, paths below the root relative to it ("." for the root).
class Recorder : public WalkVisitor
{
public:
    explicit Recorder(std::string root) : root_(std::move(root)) {}

    std::vector<std::string> Events;
    // Called at each visit with the relative path; its answer is the visit's.
    std::function<WalkStep(const std::string&)> OnVisit;
    // Number of visits after which Stopped() says yes; negative: never.
    int StopAfterVisits = -1;

    WalkStep Visit(const WalkDirectory& d) override
    {
        ++visits_;
        std::string text = "visit " + Relative(d.Path) + ":";
        for (const std::string& file : d.Files)
            text += " " + file;
        Events.push_back(text);
        EXPECT_EQ(d.Depth, DepthOf(d.Path));
        return OnVisit ? OnVisit(Relative(d.Path)) : WalkStep::Continue;
    }
    void Returned(const WalkDirectory& d) override { Events.push_back("back " + Relative(d.Path)); }
    bool Stopped() override { return StopAfterVisits >= 0 && visits_ >= StopAfterVisits; }
    void Unreadable(const std::string& path, const std::string& reason) override
    {
        EXPECT_FALSE(reason.empty());
        Events.push_back("unreadable " + Relative(path));
    }
    void LinkNotFollowed(const std::string& path) override { Events.push_back("link " + Relative(path)); }

private:
    std::string Relative(const std::string& path) const
    {
        if (path == root_) return ".";
        const bool below = path.rfind(root_, 0) == 0 && path.size() > root_.size() &&
                           (path[root_.size()] == kSeparator || path[root_.size()] == '/');
        EXPECT_TRUE(below) << path;
        return path.substr(root_.size() + 1);
    }
    int DepthOf(const std::string& path) const
    {
        const std::string relative = Relative(path);
        if (relative == ".") return 0;
        return 1 + static_cast<int>(std::count(relative.begin(), relative.end(), kSeparator));
    }

    std::string root_;
    int visits_ = 0;
};

const std::string kRootFiles = "visit .: A file.txt b.txt bad\xFF.txt flink";
const std::string kNandu = "\xC3\xB1"
                           "and\xC3\xBA";

struct WalkCase
{
    const char* Name;
    bool Recurse;
    const char* StopAt;  // the visit of this directory answers Stop; null: none does
    const char* SkipAt;  // the visit of this directory answers SkipChildren; null: none does
    int StopAfterVisits; // Stopped() from this many visits on; -1: never
    std::vector<std::string> Expected;
};

std::vector<WalkCase> WalkCases()
{
    const std::vector<std::string> whole = {
        "link loop",    "link up",           kRootFiles,         "visit Docs: d.txt",
        "back .",       "visit docs: e.txt", "back .",           "visit empty:",
        "back .",       "visit zz:",         "visit zz/deep: x", "visit zz/deep/inner: y",
        "back zz/deep", "back zz",           "back .",           "visit " + kNandu + ": f",
        "back .",
    };
    std::vector<WalkCase> cases;
    cases.push_back({"whole tree", true, nullptr, nullptr, -1, whole});
    cases.push_back({"no recursion", false, nullptr, nullptr, -1, {"link loop", "link up", kRootFiles}});
    // Stop from a visit ends the walk: nothing after it is visited, and the way back up is reported.
    cases.push_back({"stop inside",
                     true,
                     "zz/deep",
                     nullptr,
                     -1,
                     {"link loop", "link up", kRootFiles, "visit Docs: d.txt", "back .", "visit docs: e.txt", "back .",
                      "visit empty:", "back .", "visit zz:", "visit zz/deep: x", "back zz", "back ."}});
    cases.push_back({"skip below",
                     true,
                     nullptr,
                     "zz",
                     -1,
                     {"link loop", "link up", kRootFiles, "visit Docs: d.txt", "back .", "visit docs: e.txt", "back .",
                      "visit empty:", "back .", "visit zz:", "back .", "visit " + kNandu + ": f", "back ."}});
    // A stop between directories: the directory in hand is finished, no further one is entered.
    cases.push_back({"stop between",
                     true,
                     nullptr,
                     nullptr,
                     2,
                     {"link loop", "link up", kRootFiles, "visit Docs: d.txt", "back ."}});
    return cases;
}

class WalkOrder : public ::testing::TestWithParam<WalkCase>
{
};

TEST_P(WalkOrder, VisitsAsTheTableSays)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("symbolic links, names that are not UTF-8 and names told apart by letter case (Windows: "
                       "WindowsFiles.WalkVisitsFoldersInOrder)");
#else
    const WalkCase& c = GetParam();
    Tree tree;
    Recorder recorder(tree.Root());
    recorder.StopAfterVisits = c.StopAfterVisits;
    recorder.OnVisit = [&](const std::string& relative) {
        if (c.StopAt != nullptr && relative == c.StopAt) return WalkStep::Stop;
        if (c.SkipAt != nullptr && relative == c.SkipAt) return WalkStep::SkipChildren;
        return WalkStep::Continue;
    };
    const bool finished = WalkDirectories(tree.Root(), c.Recurse, recorder);
    EXPECT_EQ(recorder.Events, c.Expected);
    EXPECT_EQ(finished, c.StopAt == nullptr && c.StopAfterVisits < 0);
#endif
}

INSTANTIATE_TEST_SUITE_P(Tree, WalkOrder, ::testing::ValuesIn(WalkCases()),
                         [](const ::testing::TestParamInfo<WalkCase>& info) {
                             std::string name = info.param.Name;
                             for (char& ch : name)
                                 if (ch == ' ') ch = '_';
                             return name;
                         });

TEST(DirectoryWalk, WhatARunCreatesIsNotOfferedToIt)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("symbolic links, names that are not UTF-8 and names told apart by letter case (Windows: "
                       "WindowsFiles.WalkVisitsFoldersInOrder)");
#else
    Tree tree;
    Recorder recorder(tree.Root());
    // As an encryption run would: a container beside each file of the directory, and a new directory.
    recorder.OnVisit = [&](const std::string& relative) {
        if (relative == ".") {
            Touch(tree / "b.txt.cry");
            Touch(tree / "A file.txt.cry");
            std::filesystem::create_directory(tree / "aaa");
        }
        if (relative == "zz/deep") Touch(tree / "zz/deep/x.cry");
        return WalkStep::Continue;
    };
    WalkDirectories(tree.Root(), true, recorder);
    EXPECT_EQ(std::count(recorder.Events.begin(), recorder.Events.end(), kRootFiles), 1);
    EXPECT_EQ(std::count(recorder.Events.begin(), recorder.Events.end(), "visit zz/deep: x"), 1);
    for (const std::string& event : recorder.Events) {
        EXPECT_EQ(event.find(".cry"), std::string::npos) << event;
        EXPECT_EQ(event.find("aaa"), std::string::npos) << event;
    }
#endif
}

TEST(DirectoryWalk, ADirectoryThatCannotBeReadIsToldOnceAndTheWalkGoesOn)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("symbolic links, names that are not UTF-8 and names told apart by letter case (Windows: "
                       "WindowsFiles.WalkVisitsFoldersInOrder)");
#else
    Tree tree;
    Recorder recorder(tree.Root());
    // Gone between the listing of its parent and its turn: cannot be read, whoever runs the test.
    recorder.OnVisit = [&](const std::string& relative) {
        if (relative == "docs") std::filesystem::remove(tree / "empty");
        return WalkStep::Continue;
    };
    EXPECT_TRUE(WalkDirectories(tree.Root(), true, recorder));
    const auto& e = recorder.Events;
    const auto at = std::find(e.begin(), e.end(), "unreadable empty");
    ASSERT_NE(at, e.end());
    EXPECT_EQ(std::count(e.begin(), e.end(), "unreadable empty"), 1);
    // No way back from a directory never entered; the next one follows at once.
    EXPECT_EQ(*(at - 1), "back .");
    EXPECT_EQ(*(at + 1), "visit zz:");
    EXPECT_EQ(e.back(), "back .");
#endif
}

TEST(DirectoryWalk, ADirectoryWithoutPermissionIsToldOnceAndTheWalkGoesOn)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("permission modes");
#else
    if (::geteuid() == 0) GTEST_SKIP() << "runs as root, whom no permission bits keep out of a directory";
    Tree tree;
    ASSERT_EQ(::chmod((tree / "docs").c_str(), 0), 0);
    Recorder recorder(tree.Root());
    EXPECT_TRUE(WalkDirectories(tree.Root(), true, recorder));
    ::chmod((tree / "docs").c_str(), 0700);
    const auto& e = recorder.Events;
    EXPECT_EQ(std::count(e.begin(), e.end(), "unreadable docs"), 1);
    EXPECT_NE(std::find(e.begin(), e.end(), "visit zz/deep/inner: y"), e.end());
#endif
}

TEST(DirectoryWalk, AnUnreadableRootIsToldAndNothingVisited)
{
    TempDir dir("walk");
    Recorder recorder(dir.path());
    EXPECT_TRUE(WalkDirectories(dir / "missing", true, recorder));
    EXPECT_EQ(recorder.Events, std::vector<std::string>{"unreadable missing"});
}

TEST(DirectoryWalk, NamesOrderIgnoringLetterCase)
{
    struct Row
    {
        const char* X;
        const char* Y;
        int Sign;
    };
    const Row rows[] = {
        {"apple", "Banana", -1}, {"Docs", "docs", -1}, {"docs", "Docs", 1},
        {"a", "a", 0},           {"b.txt", "bad", -1}, {"zz", "\xC3\xB1", -1},
        {"A_", "ab", 1},         {"ab", "abc", -1},    {"\xFF", "\xC3\xB1", 1},
    };
    for (const Row& row : rows) {
        const int got = CompareWalkNames(row.X, row.Y);
        EXPECT_EQ((got > 0) - (got < 0), row.Sign) << row.X << " vs " << row.Y;
    }
}

#if defined(_WIN32)
// The walk on Windows, where FindFirstFileExW lists: walk order with letter case folded, names outside
// ASCII, the way back up. (Reparse points cannot be made under wine; ReparsePointsAreRefused of the
// engine tests covers them where they can.)
TEST(WindowsFiles, WalkVisitsFoldersInOrder)
{
    TempDir dir("walk");
    namespace fs = std::filesystem;
    const std::string nandu = "\xC3\xB1"
                              "and\xC3\xBA";
    for (const std::string& sub : std::vector<std::string>{"Docs", "empty", "zz", "zz\\deep", "zz\\deep\\inner", nandu})
        fs::create_directory(filetest::FsPath(dir / sub));
    for (const std::string& file : std::vector<std::string>{"b.txt", "A file.txt", "Docs\\d.txt", "zz\\deep\\x",
                                                            "zz\\deep\\inner\\y", nandu + "\\f"})
        Touch(dir / file);
    Recorder recorder(dir.path());
    EXPECT_TRUE(WalkDirectories(dir.path(), true, recorder));
    EXPECT_EQ(recorder.Events, (std::vector<std::string>{"visit .: A file.txt b.txt", "visit Docs: d.txt", "back .",
                                                         "visit empty:", "back .", "visit zz:", "visit zz\\deep: x",
                                                         "visit zz\\deep\\inner: y", "back zz\\deep", "back zz",
                                                         "back .", "visit " + nandu + ": f", "back ."}));
}
#endif

} // namespace
