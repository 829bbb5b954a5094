// SPDX-License-Identifier: GPL-3.0-or-later
// SourceFile: what it opens, how it tells an error from the end of the file, and its fault seam.
#include "SourceFile.h"

#include "FileTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <vector>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

using namespace filetest;

namespace {

class SourceFileTest : public ::testing::Test
{
protected:
    TempDir dir{"source"};
    const std::string file = dir / "file";
    void SetUp() override { WriteBytes(file, Pattern(100, 1)); }
};

TEST_F(SourceFileTest, ReadsARegularFileAndTellsItsEndApartFromErrors)
{
    SourceFile source;
    ASSERT_TRUE(source.Open(file));
    EXPECT_EQ(source.Size(), 100);
    Bytes data(64);
    EXPECT_TRUE(source.ReadExactly(data.data(), data.size()));
    const Bytes content = Pattern(100, 1);
    EXPECT_EQ(data, Bytes(content.begin(), content.begin() + 64));
    errno = EBADF;
    EXPECT_EQ(source.Read(data.data(), data.size()), 36u);
    EXPECT_EQ(errno, 0);
    EXPECT_FALSE(source.ReadExactly(data.data(), 1));
    EXPECT_EQ(errno, 0);
}

TEST_F(SourceFileTest, RefusesWhatIsNoRegularFileWithTheErrnoCallersReport)
{
    struct Refused
    {
        std::string path;
        int error;
    };
    std::vector<Refused> refused{{dir / "folder", EISDIR}};
    std::filesystem::create_directory(FsPath(dir / "folder"));
#if !defined(_WIN32) // no symbolic links or FIFOs to make there; reparse points: WindowsFiles tests
    std::filesystem::create_symlink("file", dir / "link");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    refused.push_back({dir / "link", ELOOP});
    refused.push_back({dir / "pipe", EINVAL});
#endif
    for (const auto& c : refused) {
        SCOPED_TRACE(c.path);
        SourceFile source;
        EXPECT_FALSE(source.Open(c.path));
        EXPECT_EQ(errno, c.error);
        EXPECT_TRUE(source.NotRegular());
    }

    SourceFile missing;
    EXPECT_FALSE(missing.Open(dir / "absent"));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(missing.NotRegular());
}

TEST_F(SourceFileTest, FollowsALinkOnlyWhenAskedAndStillRefusesAFifoBehindIt)
{
#if defined(_WIN32)
    KELVANE_POSIX_ONLY("symbolic links and FIFOs");
#else
    std::filesystem::create_symlink("file", dir / "link");
    SourceFile source;
    ASSERT_TRUE(source.Open(dir / "link", SourceFile::Links::Follow));
    EXPECT_EQ(source.Size(), 100);

    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    std::filesystem::create_symlink("pipe", dir / "to-pipe");
    SourceFile pipe;
    EXPECT_FALSE(pipe.Open(dir / "to-pipe", SourceFile::Links::Follow));
    EXPECT_EQ(errno, EINVAL);
    EXPECT_TRUE(pipe.NotRegular());
#endif
}

TEST_F(SourceFileTest, TheFaultSeamFailsTheReadThatWouldPassTheLimit)
{
    SourceFile source(50);
    ASSERT_TRUE(source.Open(file));
    Bytes data(30);
    EXPECT_TRUE(source.ReadExactly(data.data(), 30));
    EXPECT_TRUE(source.ReadExactly(data.data(), 20));
    EXPECT_EQ(source.Read(data.data(), 1), 0u);
    EXPECT_EQ(errno, EIO);
}

TEST_F(SourceFileTest, IdentityOfARegularFileChangesWithItsContent)
{
    const FileIdentity before = IdentityOfRegularFile(file);
    EXPECT_TRUE(before.known);
    EXPECT_EQ(before.size, 100);
    WriteBytes(file, Pattern(101, 1));
    EXPECT_NE(IdentityOfRegularFile(file), before);
#if !defined(_WIN32)
    std::filesystem::create_symlink("file", dir / "link");
    EXPECT_FALSE(IdentityOfRegularFile(dir / "link").known);
#endif
    EXPECT_FALSE(IdentityOfRegularFile(dir / "absent").known);
}

} // namespace
