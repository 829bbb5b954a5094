// SPDX-License-Identifier: GPL-3.0-or-later
// The secure wipe: the file and both tilde names are gone afterwards, and nothing of the user's
// is replaced or lost when a step fails.
#include "Wipe.h"

#include "ResultCodes.h"

#include "../common/TestPlatform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr const char* kFirstTilde = "~~~~~~~~.~~~";

class WipeFileTest : public ::testing::Test
{
protected:
    WipeFileTest() : dir_(testplatform::MakeTempDir("wipe")) {}
    ~WipeFileTest() override
    {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string At(const std::string& name) const { return dir_ + "/" + name; }
    std::vector<std::string> List() const
    {
        std::vector<std::string> names = testplatform::Names(dir_);
        std::sort(names.begin(), names.end());
        return names;
    }
    static Bytes Content(std::size_t n, std::uint8_t seed)
    {
        Bytes b(n);
        for (std::size_t i = 0; i < n; ++i)
            b[i] = static_cast<std::uint8_t>(seed + i * 13);
        return b;
    }
    static void Write(const std::string& path, const Bytes& data)
    {
        std::ofstream out(std::filesystem::path(std::u8string(path.begin(), path.end())),
                          std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    }
    static Bytes Read(const std::string& path)
    {
        std::ifstream in(std::filesystem::path(std::u8string(path.begin(), path.end())), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static bool Exists(const std::string& path) { return testplatform::PathExists(path); }

    std::string dir_;
};

// A fixed pattern, so tests can recognise what the wipe wrote.
void FixedFill(std::uint8_t* buffer, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        buffer[i] = static_cast<std::uint8_t>(0xA0 ^ (i * 7));
}

// What the fixed pattern makes of a file of `size` bytes.
Bytes Expanded(std::size_t size)
{
    Bytes block(1024);
    FixedFill(block.data(), block.size());
    Bytes all(size);
    for (std::size_t i = 0; i < size; ++i)
        all[i] = block[i % block.size()];
    return all;
}

#if !defined(_WIN32)
int WaitForChild(pid_t pid)
{
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1000;
    return WEXITSTATUS(status);
}
#endif

} // namespace

TEST_F(WipeFileTest, FileAndTildeNamesAreGone)
{
    Write(At("doc.txt"), Content(2500, 1));
#if !defined(_WIN32)
    // A descriptor held open keeps the data reachable without being another name for it. (Windows
    // renames no file that another handle holds without sharing deletion.)
    const int held = ::open(At("doc.txt").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
#endif
    int fills = 0;
    std::size_t filled = 0;
    EXPECT_EQ(WipeFile(At("doc.txt"),
                       [&](std::uint8_t* buffer, std::size_t count) {
                           ++fills;
                           filled = count;
                           FixedFill(buffer, count);
                       }),
              kResultOk);
    EXPECT_EQ(fills, 1);
    EXPECT_EQ(filled, 1024u);
    EXPECT_TRUE(List().empty());
#if !defined(_WIN32)
    struct stat st;
    ASSERT_EQ(::fstat(held, &st), 0);
    EXPECT_EQ(st.st_size, 0) << "the data was truncated";
    EXPECT_EQ(st.st_nlink, 0u);
    ::close(held);
#endif
}

// The pattern is on the disk under the file's own name before any rename: a wipe stopped at any
// later point leaves nothing plain behind.
TEST_F(WipeFileTest, TheFileIsOverwrittenUnderItsOwnNameFirst)
{
    const Bytes doc = Content(2500, 10);
    Write(At("doc"), doc);
    std::vector<WipeStep> steps;
    Bytes seen;
    std::vector<std::string> namesSeen;
    EXPECT_EQ(WipeFile(At("doc"), FixedFill,
                       [&](WipeStep step) {
                           if (steps.empty()) {
                               namesSeen = List();
                               seen = Read(At("doc"));
                           }
                           steps.push_back(step);
                       }),
              kResultOk);
    EXPECT_EQ(steps, (std::vector<WipeStep>{WipeStep::Overwritten, WipeStep::FirstRename, WipeStep::SecondRename,
                                            WipeStep::Truncated}));
    EXPECT_EQ(namesSeen, std::vector<std::string>{"doc"});
    EXPECT_EQ(seen, Expanded(doc.size()));
}

TEST_F(WipeFileTest, ReadOnlyAndEmptyFilesAreWiped)
{
    Write(At("readonly"), Content(100, 2));
    ASSERT_TRUE(testplatform::MakeReadOnly(At("readonly")));
    Write(At("empty"), {});
    EXPECT_EQ(WipeFile(At("readonly")), kResultOk);
    EXPECT_EQ(WipeFile(At("empty")), kResultOk);
    EXPECT_TRUE(List().empty());
}

TEST_F(WipeFileTest, DefaultPatternSourceWorks)
{
    Write(At("f"), Content(3000, 3));
    EXPECT_EQ(WipeFile(At("f")), kResultOk);
    EXPECT_TRUE(List().empty());
}

// The data of a file with other names belongs to them too: only this name goes, nothing is
// overwritten, truncated or made writable.
TEST_F(WipeFileTest, AFileWithOtherNamesLosesOnlyThisName)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("permission modes of hard links (the Windows case is WindowsFiles.ReadOnlyFileWithAnotherName)");
#else
    const struct
    {
        const char* what;
        mode_t mode;
        const char* otherName;
    } cases[] = {
        {"writable, other name beside it", 0644, "other"},
        {"read-only, other name beside it", 0444, "other"},
        {"writable, other name in a subfolder", 0600, "sub/other"},
        {"other name called like a tilde name", 0644, "~"},
    };
    std::filesystem::create_directory(At("sub"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes doc = Content(3000, 11);
        Write(At("doc"), doc);
        ASSERT_EQ(::chmod(At("doc").c_str(), c.mode), 0);
        ASSERT_EQ(::link(At("doc").c_str(), At(c.otherName).c_str()), 0);
        EXPECT_EQ(WipeFile(At("doc"), FixedFill), kResultRemovedNotWiped);
        EXPECT_FALSE(Exists(At("doc")));
        EXPECT_EQ(Read(At(c.otherName)), doc);
        struct stat st;
        ASSERT_EQ(::stat(At(c.otherName).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, c.mode);
        EXPECT_EQ(st.st_nlink, 1u);
        // Now the only name, it is wiped as any other file.
        EXPECT_EQ(WipeFile(At(c.otherName), FixedFill), kResultOk);
        EXPECT_EQ(List(), std::vector<std::string>{"sub"});
        EXPECT_TRUE(std::filesystem::is_empty(At("sub")));
    }
#endif
}

// Files of the user's own, or left by an earlier wipe, that bear the tilde names are never replaced
// or touched, and never make a wipe fail.
TEST_F(WipeFileTest, TakenTildeNamesAreLeftAloneAndTheWipeSucceeds)
{
    const std::vector<std::vector<std::string>> cases = {
        {"~"},
        {kFirstTilde},
        {"~", kFirstTilde},
        {"~", kFirstTilde, "~1", std::string(kFirstTilde) + "1", "~2"},
    };
    for (const auto& taken : cases) {
        SCOPED_TRACE(taken.size());
        std::uint8_t seed = 40;
        for (const std::string& name : taken)
            Write(At(name), Content(50, ++seed));
        Write(At("doc"), Content(2500, 4));
        EXPECT_EQ(WipeFile(At("doc"), FixedFill), kResultOk);
        seed = 40;
        for (const std::string& name : taken)
            EXPECT_EQ(Read(At(name)), Content(50, ++seed)) << name;
        std::vector<std::string> expected = taken;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(List(), expected);
        for (const std::string& name : taken)
            std::filesystem::remove(At(name));
    }
}

TEST_F(WipeFileTest, FilesBearingTheTildeNamesThemselves)
{
    // A user's file may already be called like one of the temporary names.
    for (const std::string name : {"~", kFirstTilde, "~1"}) {
        Write(At(name), Content(700, 9));
        EXPECT_EQ(WipeFile(At(name), FixedFill), kResultOk) << name;
        EXPECT_TRUE(List().empty()) << name;
        std::filesystem::remove(At(name));
    }
}

TEST_F(WipeFileTest, OnlyRegularFilesAreWiped)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("symbolic links and FIFOs (reparse points: WindowsFiles tests)");
#else
    const Bytes target = Content(500, 6);
    Write(At("target"), target);
    std::filesystem::create_symlink("target", At("link"));
    std::filesystem::create_directory(At("folder"));
    ASSERT_EQ(::mkfifo(At("pipe").c_str(), 0600), 0);
    EXPECT_EQ(WipeFile(At("link")), -2);
    EXPECT_EQ(WipeFile(At("folder")), -2);
    EXPECT_EQ(WipeFile(At("pipe")), -2);
    EXPECT_EQ(WipeFile(At("missing")), -2);
    EXPECT_EQ(Read(At("target")), target);
    EXPECT_TRUE(std::filesystem::is_symlink(At("link")));
    EXPECT_EQ(List(), (std::vector<std::string>{"folder", "link", "pipe", "target"}));
#endif
}

TEST_F(WipeFileTest, FailedOverwriteLeavesThePatternUnderTheFileName)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("RLIMIT_FSIZE and fork");
#else
    // A child whose files may not grow past 2048 bytes: the overwrite of a 5000-byte file stops
    // after two 1024-byte blocks, so the wipe fails before any rename.
    const Bytes doc = Content(5000, 7);
    Write(At("doc"), doc);
    const std::string path = At("doc");
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{2048, 2048};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(100);
        ::_exit(-WipeFile(path, FixedFill));
    }
    EXPECT_EQ(WaitForChild(pid), 2);
    EXPECT_EQ(List(), std::vector<std::string>{"doc"});
    const Bytes after = Read(At("doc"));
    ASSERT_EQ(after.size(), doc.size());
    Bytes pattern(1024);
    FixedFill(pattern.data(), pattern.size());
    EXPECT_TRUE(std::equal(pattern.begin(), pattern.end(), after.begin()));
    EXPECT_TRUE(std::equal(pattern.begin(), pattern.end(), after.begin() + 1024));
    EXPECT_TRUE(std::equal(doc.begin() + 2048, doc.end(), after.begin() + 2048));
#endif
}

TEST_F(WipeFileTest, BareNameInTheCurrentDirectory)
{
    Write(At("bare"), Content(1500, 8));
#if defined(_WIN32)
    // No fork: the test process itself moves into the folder for the call.
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::path(std::u8string(dir_.begin(), dir_.end())));
    const int result = WipeFile("bare");
    std::filesystem::current_path(before);
    EXPECT_EQ(result, kResultOk);
#else
    const std::string dir = dir_;
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(dir.c_str()) != 0) ::_exit(100);
        ::_exit(-WipeFile("bare"));
    }
    EXPECT_EQ(WaitForChild(pid), 0);
#endif
    EXPECT_TRUE(List().empty());
}

// A wipe killed after any of its steps leaves nothing plain, and what it leaves never stands in the
// way of a later wipe in the same folder, which leaves it alone.
TEST_F(WipeFileTest, KilledAfterEachStep)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("fork and SIGKILL");
#else
    const struct
    {
        WipeStep step;
        const char* left;
        bool emptied;
    } cases[] = {
        {WipeStep::Overwritten, "doc", false},
        {WipeStep::FirstRename, kFirstTilde, false},
        {WipeStep::SecondRename, "~", false},
        {WipeStep::Truncated, "~", true},
    };
    const Bytes doc = Content(5000, 12);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.left);
        Write(At("doc"), doc);
        const std::string path = At("doc");
        const WipeStep stopAt = c.step;
        const pid_t pid = ::fork();
        if (pid == 0) {
            WipeFile(path, FixedFill, [stopAt](WipeStep step) {
                if (step == stopAt) ::raise(SIGKILL);
            });
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        ASSERT_EQ(List(), std::vector<std::string>{c.left});
        const Bytes left = Read(At(c.left));
        EXPECT_EQ(left, c.emptied ? Bytes{} : Expanded(doc.size()));

        Write(At("next"), Content(3000, 13));
        EXPECT_EQ(WipeFile(At("next"), FixedFill), kResultOk);
        EXPECT_EQ(List(), std::vector<std::string>{c.left});
        EXPECT_EQ(Read(At(c.left)), left);
        EXPECT_EQ(WipeFile(At(c.left), FixedFill), kResultOk);
        EXPECT_TRUE(List().empty());
    }
#endif
}

// A wipe that has its file on a tilde name while another wipe runs in the same folder.
TEST_F(WipeFileTest, AWipeInsideAnotherOneInTheSameFolder)
{
    Write(At("a"), Content(2000, 14));
    Write(At("b"), Content(2000, 15));
    Write(At("c"), Content(2000, 16));
    std::vector<int> inner;
    const int outer = WipeFile(At("a"), FixedFill, [&](WipeStep step) {
        if (step == WipeStep::FirstRename) inner.push_back(WipeFile(At("b"), FixedFill));
        if (step == WipeStep::SecondRename) inner.push_back(WipeFile(At("c"), FixedFill));
    });
    EXPECT_EQ(outer, kResultOk);
    EXPECT_EQ(inner, (std::vector<int>{kResultOk, kResultOk}));
    EXPECT_TRUE(List().empty());
}

TEST_F(WipeFileTest, ManyProcessesWipeInOneFolder)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("fork and pipes");
#else
    constexpr int kProcesses = 6;
    constexpr int kFilesEach = 8;
    // Files p0-0 .. p5-7, each process wiping its own eight.
    const auto fileOf = [this](int p, int f) {
        return At(std::string(1, 'p').append(std::to_string(p)).append(1, '-').append(std::to_string(f)));
    };
    for (int p = 0; p < kProcesses; ++p)
        for (int f = 0; f < kFilesEach; ++f)
            Write(fileOf(p, f), Content(4096, static_cast<std::uint8_t>(f)));
    // All children start together when the pipe closes.
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(gate[1]);
            char byte;
            if (::read(gate[0], &byte, 1) != 0) ::_exit(100);
            int failures = 0;
            for (int f = 0; f < kFilesEach; ++f)
                if (WipeFile(fileOf(p, f), FixedFill) != kResultOk) ++failures;
            ::_exit(failures);
        }
        children.push_back(pid);
    }
    ::close(gate[0]);
    ::close(gate[1]);
    for (const pid_t pid : children)
        EXPECT_EQ(WaitForChild(pid), 0);
    EXPECT_TRUE(List().empty());
#endif
}
