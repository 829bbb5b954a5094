// SPDX-License-Identifier: GPL-3.0-or-later
// What the password tests share: a scratch directory, file bytes, a scripted user interface and a
// database writer of their own, built from the cipher and checksum primitives alone.
#pragma once

#include "Checksum.h"
#include "IPasswordUi.h"
#include "Idea.h"
#include "ResultCodes.h"
#include "TKV_PwdTable.h"

#include "../common/TestPlatform.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace pwtest {

using Bytes = std::vector<std::uint8_t>;

inline std::string DataFile(const std::string& name)
{
    return std::string(KELVANE_TEST_DATA) + "/" + name;
}

inline Bytes ReadBytes(const std::string& path)
{
    std::ifstream in(testplatform::FsPath(path), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(testplatform::FsPath(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline Bytes ToBytes(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

class TempDir
{
public:
    TempDir() : path_(testplatform::MakeTempDir("pwdb")) {}
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string Path(const std::string& name) const { return path_ + "/" + name; }
    std::vector<std::string> Names() const { return testplatform::Names(path_); }

private:
    std::string path_;
};

// The user, as a script: each dialog and error box must have been announced, in order, and every
// announced one must have been shown by the end of the test.
class ScriptedUi : public IPasswordUi
{
public:
    ~ScriptedUi() override
    {
        for (const Step& step : steps_)
            ADD_FAILURE() << "expected but never shown: "
                          << (step.dialog ? "master password dialog" : "database error");
    }

    // The next dialog submits the texts in turn like a user retyping; it closes with Submitted on the
    // first one not refused as wrong, or with `otherwise` when all were refused (or none given).
    void ExpectDialog(std::vector<std::string> submissions,
                      MasterPasswordAnswer otherwise = MasterPasswordAnswer::NotNow)
    {
        steps_.push_back({true, std::move(submissions), otherwise});
    }
    void ExpectDatabaseError() { steps_.push_back({false, {}, MasterPasswordAnswer::NotNow}); }

    MasterPasswordAnswer ShowMasterPasswordDialog(TKV_PwdTable& table) override
    {
        if (steps_.empty() || !steps_.front().dialog) {
            ADD_FAILURE() << "unexpected master password dialog";
            return MasterPasswordAnswer::NotNow;
        }
        const Step step = steps_.front();
        steps_.pop_front();
        for (std::size_t i = 0; i < step.submissions.size(); ++i) {
            const int code = table.SubmitMasterPassword(step.submissions[i]);
            SubmitCodes.push_back(code);
            if (code != kResultWrongPassword) {
                if (i + 1 != step.submissions.size()) ADD_FAILURE() << "scripted submissions left unused";
                return MasterPasswordAnswer::Submitted;
            }
        }
        return step.otherwise;
    }

    void ShowDatabaseError(const std::string& detail) override
    {
        if (steps_.empty() || steps_.front().dialog) {
            ADD_FAILURE() << "unexpected database error: " << detail;
            return;
        }
        steps_.pop_front();
        Details.push_back(detail);
    }

    // The detail line of every database error shown, in order.
    std::vector<std::string> Details;

    // Every code SubmitMasterPassword gave, in order.
    std::vector<int> SubmitCodes;

private:
    struct Step
    {
        bool dialog;
        std::vector<std::string> submissions;
        MasterPasswordAnswer otherwise;
    };
    std::deque<Step> steps_;
};

// The clear text of the password an engine object holds.
inline std::string PasswordOf(const TKV_Pwd& pwd)
{
    std::string text;
    for (std::int32_t i = 0; i < pwd.PwdLength && static_cast<std::size_t>(i) < pwd.Password.size(); ++i)
        text.push_back(static_cast<char>(pwd.Password[static_cast<std::size_t>(i)] ^ 0x6E));
    return text;
}

inline std::vector<std::string> Lines(const PwdEntryList& entries)
{
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < entries.Count(); ++i)
        lines.emplace_back(entries[i]);
    return lines;
}

// A database file written from its definition: the key stretched from the scrambled master
// password (at most 16 bytes of it), the key check over that many key bytes, the padded text's
// checksum and IDEA-CBC from a zero chain. `padding` supplies the padding bytes.
inline Bytes BuildDatabase(std::string_view master, const Bytes& text, std::uint8_t padding = 0)
{
    Bytes scrambled;
    for (char c : master)
        scrambled.push_back(static_cast<std::uint8_t>(static_cast<std::uint8_t>(c) ^ 0x6E));
    const std::size_t length = std::min<std::size_t>(scrambled.size(), 16);
    std::uint8_t key[16];
    for (std::size_t i = 0; i < 16; ++i)
        key[i] = static_cast<std::uint8_t>(scrambled[i % length] ^ ((4 * i + 0x4B) & 0xFF));
    const std::uint32_t keyCheck = UpdateChecksum(0, key, length) & 0xFFFF;

    Bytes padded = text;
    padded.resize(text.size() + 8 - text.size() % 8, padding);
    const std::uint32_t checksum = UpdateChecksum(0, padded.data(), padded.size());

    IdeaKeySchedule schedule{};
    IdeaExpandKey(key, schedule);
    std::uint8_t chain[8] = {};
    for (std::size_t i = 0; i < padded.size(); i += 8) {
        for (int k = 0; k < 8; ++k)
            padded[i + k] ^= chain[k];
        IdeaBlock(&padded[i], &padded[i], schedule);
        std::copy(&padded[i], &padded[i] + 8, chain);
    }

    Bytes file = {'P', 'T', '9', '8'};
    const auto put = [&](std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i)
            file.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    put(static_cast<std::uint32_t>(text.size()), 4);
    put(checksum, 4);
    put(keyCheck, 2);
    file.insert(file.end(), padded.begin(), padded.end());
    return file;
}

// The table text as written: every line followed by CR LF.
inline Bytes TableText(const std::vector<std::string>& lines)
{
    Bytes text;
    for (const std::string& line : lines) {
        text.insert(text.end(), line.begin(), line.end());
        text.push_back('\r');
        text.push_back('\n');
    }
    return text;
}

// A table over a scratch database with the master password set as the command line sets it.
class TableTest : public ::testing::Test
{
protected:
    static constexpr const char* kMaster = "Kelvane-Master";

    TableTest()
    {
        table.Master.Dir = db;
        table.Master.Store = true;
    }

    void EnterMaster(std::string_view text = kMaster)
    {
        table.Master.SetPassword(text);
        table.Master.Entered = true;
    }

    // The lines of the database as another table with the given master password reads them.
    std::vector<std::string> DatabaseLines(std::string_view master = kMaster)
    {
        ScriptedUi quiet;
        TKV_PwdTable reader(quiet);
        reader.Master.Dir = db;
        reader.Master.SetPassword(master);
        EXPECT_EQ(reader.LoadTable(true), kResultOk);
        std::vector<std::string> lines = Lines(reader.Entries);
        reader.ClearTable();
        return lines;
    }

    void WriteDatabase(const std::vector<std::string>& lines, std::string_view master = kMaster)
    {
        WriteBytes(db, BuildDatabase(master, TableText(lines)));
    }

    TempDir dir;
    std::string db = dir.Path("passwords.key");
    ScriptedUi ui;
    TKV_PwdTable table{ui};
};

} // namespace pwtest
