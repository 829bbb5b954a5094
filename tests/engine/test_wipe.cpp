// SPDX-License-Identifier: GPL-3.0-or-later
// The secure wipe: the file and both tilde names are gone afterwards, and nothing of the user's
// is replaced or lost when a step fails.
#include "Wipe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr const char* kFirstTilde = "~~~~~~~~.~~~";

class WipeFileTest : public ::testing::Test
{
protected:
    WipeFileTest()
    {
        char name[] = "/tmp/kelvane-wipe-XXXXXX";
        if (::mkdtemp(name) == nullptr) throw std::runtime_error("mkdtemp failed");
        dir_ = name;
    }
    ~WipeFileTest() override
    {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string At(const std::string& name) const { return dir_ + "/" + name; }
    std::vector<std::string> List() const
    {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static Bytes Content(std::size_t n, std::uint8_t seed)
    {
        Bytes b(n);
        for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(seed + i * 13);
        return b;
    }
    static void Write(const std::string& path, const Bytes& data)
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    }
    static Bytes Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static bool Exists(const std::string& path)
    {
        struct stat st;
        return ::lstat(path.c_str(), &st) == 0;
    }

    std::string dir_;
};

// A fixed pattern, so tests can recognise what the wipe wrote.
void FixedFill(std::uint8_t* buffer, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) buffer[i] = static_cast<std::uint8_t>(0xA0 ^ (i * 7));
}

int WaitForChild(pid_t pid)
{
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1000;
    return WEXITSTATUS(status);
}

} // namespace

TEST_F(WipeFileTest, FileAndTildeNamesAreGone)
{
    Write(At("doc.txt"), Content(2500, 1));
    // A second name for the same data shows what happened to it.
    ASSERT_EQ(::link(At("doc.txt").c_str(), At("other-name").c_str()), 0);
    int fills = 0;
    std::size_t filled = 0;
    EXPECT_EQ(WipeFile(At("doc.txt"),
                       [&](std::uint8_t* buffer, std::size_t count) {
                           ++fills;
                           filled = count;
                           FixedFill(buffer, count);
                       }),
              0);
    EXPECT_EQ(fills, 1);
    EXPECT_EQ(filled, 1024u);
    EXPECT_FALSE(Exists(At("doc.txt")));
    EXPECT_FALSE(Exists(At(kFirstTilde)));
    EXPECT_FALSE(Exists(At("~")));
    EXPECT_EQ(List(), std::vector<std::string>{"other-name"});
    EXPECT_EQ(std::filesystem::file_size(At("other-name")), 0u) << "the data was truncated";
}

TEST_F(WipeFileTest, ReadOnlyAndEmptyFilesAreWiped)
{
    Write(At("readonly"), Content(100, 2));
    ASSERT_EQ(::chmod(At("readonly").c_str(), 0400), 0);
    Write(At("empty"), {});
    EXPECT_EQ(WipeFile(At("readonly")), 0);
    EXPECT_EQ(WipeFile(At("empty")), 0);
    EXPECT_TRUE(List().empty());
}

TEST_F(WipeFileTest, DefaultPatternSourceWorks)
{
    Write(At("f"), Content(3000, 3));
    EXPECT_EQ(WipeFile(At("f")), 0);
    EXPECT_TRUE(List().empty());
}

TEST_F(WipeFileTest, ExistingTildeFileSurvivesAndTheFileGetsItsNameBack)
{
    const Bytes mine = {'m', 'y', ' ', 't', 'i', 'l', 'd', 'e'};
    const Bytes doc = Content(2500, 4);
    Write(At("~"), mine);
    Write(At("doc"), doc);
    EXPECT_EQ(WipeFile(At("doc"), FixedFill), -2);
    EXPECT_EQ(Read(At("~")), mine);
    EXPECT_EQ(Read(At("doc")), doc);
    EXPECT_EQ(List(), (std::vector<std::string>{"doc", "~"}));
}

TEST_F(WipeFileTest, ExistingFirstTildeNameSurvives)
{
    const Bytes mine = {'k', 'e', 'e', 'p'};
    const Bytes doc = Content(10, 5);
    Write(At(kFirstTilde), mine);
    Write(At("doc"), doc);
    EXPECT_EQ(WipeFile(At("doc")), -2);
    EXPECT_EQ(Read(At(kFirstTilde)), mine);
    EXPECT_EQ(Read(At("doc")), doc);
    EXPECT_EQ(List(), (std::vector<std::string>{"doc", kFirstTilde}));
}

TEST_F(WipeFileTest, FilesBearingTheTildeNamesThemselves)
{
    // A user's file may already be called like one of the temporary names.
    for (const std::string name : {"~", kFirstTilde}) {
        Write(At(name), Content(700, 9));
        EXPECT_EQ(WipeFile(At(name), FixedFill), 0) << name;
        EXPECT_TRUE(List().empty()) << name;
        std::filesystem::remove(At(name));
    }
}

TEST_F(WipeFileTest, OnlyRegularFilesAreWiped)
{
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
}

TEST_F(WipeFileTest, FailedOverwriteLeavesPatternAndRestoresTheName)
{
    // A child whose files may not grow past 2048 bytes: the overwrite of a 5000-byte file stops
    // after two 1024-byte blocks, so the wipe fails after both renames.
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
}

TEST_F(WipeFileTest, BareNameInTheCurrentDirectory)
{
    Write(At("bare"), Content(1500, 8));
    const std::string dir = dir_;
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(dir.c_str()) != 0) ::_exit(100);
        ::_exit(-WipeFile("bare"));
    }
    EXPECT_EQ(WaitForChild(pid), 0);
    EXPECT_TRUE(List().empty());
}
