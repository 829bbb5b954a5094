// SPDX-License-Identifier: GPL-3.0-or-later
// The password database file ("PT98"): a 14-byte header laid out as a container's (Container.h),
// then the table text padded to whole 8-byte blocks and encrypted with IDEA-CBC from a zero chain.
// Integers are little-endian.
//   0  4  "PT98"
//   4  4  plain length of the text
//   8  4  checksum of the padded text
//  12  2  key check: low 16 bits of the checksum over the first L key bytes (L = password length)
#include "TKV_PwdTable.h"

#include "Blocks.h"
#include "ByteOrder.h"
#include "Cbc.h"
#include "Checksum.h"
#include "Container.h"
#include "FileSystem.h"
#include "Idea.h"
#include "Keys.h"
#include "PasswordMessages.h"
#include "PwdDbLock.h"
#include "ResultCodes.h"
#include "SourceFile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>
#include <stdexcept>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace {

constexpr char kMagic[4] = {'P', 'T', '9', '8'};

using DatabaseKey = std::array<std::uint8_t, kPwdDbKeyLength>;
using Block = std::array<std::uint8_t, 8>;

// Fills the key from the scrambled master password and returns its check. The format uses at most
// 16 password bytes, and the shortened length stays in the master password object.
std::uint16_t DeriveDatabaseKey(TKV_MasterPass& master, DatabaseKey& key) noexcept
{
    if (master.PwdLength > kPwdDbKeyLength) master.PwdLength = kPwdDbKeyLength;
    const int length =
        static_cast<int>(std::min(static_cast<std::size_t>(std::max(master.PwdLength, 0)), master.Password.size()));
    StretchKey(key.data(), master.Password.data(), kPwdDbKeyLength, length);
    return KeyCheck(key.data(), length);
}

// Splits the text into lines at CR LF, CR or LF; a NUL ends it. A final line break adds no line.
void ParseLines(const std::uint8_t* text, std::size_t length, PwdEntryList& entries)
{
    const auto* chars = reinterpret_cast<const char*>(text);
    std::size_t p = 0;
    while (p < length && chars[p] != '\0') {
        const std::size_t start = p;
        while (p < length && chars[p] != '\0' && chars[p] != '\r' && chars[p] != '\n')
            ++p;
        entries.Add({chars + start, p - start});
        if (p < length && chars[p] == '\r') ++p;
        if (p < length && chars[p] == '\n') ++p;
    }
}

// Where the new file goes: through a symbolic link to the file it names, so the link survives.
std::string SaveTarget(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::is_symlink(PathFromUtf8(path), error)) return path;
    const std::filesystem::path target = std::filesystem::canonical(PathFromUtf8(path), error);
    return error ? path : Utf8FromPath(target);
}

// The database holds every stored password: readable by its owner only, unless the user chose
// otherwise for the file being replaced. (On Windows the file takes the folder's inherited access
// rules, as every file the user makes there.)
void SetDatabaseMode([[maybe_unused]] const ReplacementFile& file, [[maybe_unused]] const std::string& target) noexcept
{
#if !defined(_WIN32)
    struct stat old
    {
    };
    const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0600;
    (void)::fchmod(file.Descriptor(), mode);
#endif
}

constexpr char kNoPathText[] = "no path is set for the database";
constexpr char kDamagedText[] = "the file is damaged";

// Creates the temporary file that will replace the database at `path`. kResultOk, or the code with
// `reason` set.
int OpenNewDatabase(const std::string& path, ReplacementFile& file, std::string& target, std::string& reason)
{
    if (path.empty()) {
        reason = kNoPathText;
        return kResultCannotCreate;
    }
    target = SaveTarget(path);
    // A rename would replace a link or fail on a directory only after all the work.
    const FileKind kind = GetFileKind(target);
    if (kind == FileKind::Directory || kind == FileKind::Other) {
        reason = std::strerror(kind == FileKind::Directory ? EISDIR : EINVAL);
        return kResultCannotCreate;
    }
    errno = 0;
    if (!file.Open(target, false)) {
        const int error = errno;
        reason = error != 0 ? std::strerror(error) : DatabaseFailureText(kResultCannotCreate);
        return kResultCannotCreate;
    }
    return kResultOk;
}

} // namespace

int TKV_PwdTable::CheckWritable()
{
    ReplacementFile file;
    std::string target;
    std::string reason;
    // The temporary file goes again with `file`.
    const int code = OpenNewDatabase(Master.Dir, file, target, reason);
    return code == kResultOk ? code : Failed(code, std::move(reason));
}

int TKV_PwdTable::LockForUpdate(PwdDbLock& lock)
{
    if (Master.Dir.empty()) return Failed(kResultCannotCreate, kNoPathText);
    errno = 0;
    // Beside the file a save replaces, so that every name of the database finds the same lock.
    if (!lock.Acquire(SaveTarget(Master.Dir))) return FailedWithErrno(kResultCannotCreate);
    return kResultOk;
}

int TKV_PwdTable::Load(bool readBody)
{
    try {
        SourceFile file(Master.Faults.failReadAfter);
        if (Master.Dir.empty()) return Failed(kResultCannotOpen, kNoPathText);
        // Through a link at the path, as saving writes through it.
        if (!file.Open(Master.Dir, SourceFile::Links::Follow)) return FailedWithErrno(kResultCannotOpen);

        std::uint8_t header[kPwdDbHeaderLength];
        if (!file.ReadExactly(header, sizeof header)) return FailedWithErrno(kResultReadFailed);
        if (std::memcmp(header, kMagic, sizeof kMagic) != 0)
            return Failed(kResultNotEncrypted, DatabaseFailureText(kResultNotEncrypted));
        const HeaderFields fields = GetHeaderFields(header);
        const std::uint32_t plainLength = fields.plainSize;
        const std::uint32_t storedChecksum = fields.checksum;
        const std::uint16_t storedKeyCheck = fields.keyCheck;

        IdeaKeySchedule decrypt{};
        WipeOnExit<IdeaKeySchedule> wipeDecrypt(decrypt);
        {
            DatabaseKey key{};
            IdeaKeySchedule encrypt{};
            WipeOnExit<DatabaseKey> wipeKey(key);
            WipeOnExit<IdeaKeySchedule> wipeEncrypt(encrypt);
            if (DeriveDatabaseKey(Master, key) != storedKeyCheck)
                return Failed(kResultWrongPassword, "the master password does not open it");
            IdeaExpandKey(key.data(), encrypt);
            IdeaInvertKey(encrypt, decrypt);
        }
        if (!readBody) return kResultOk;

        const long long bodyLength = file.Size() - kPwdDbHeaderLength;
        SecretBytes work;
        SecretBytes text;
        try {
            work.resize(kPwdDbChunk);
            text.reserve(static_cast<std::size_t>(bodyLength));
        } catch (const std::length_error&) {
            return Failed(kResultNoMemory, DatabaseFailureText(kResultNoMemory));
        }
        Block chain{};
        WipeOnExit<Block> wipeChain(chain);
        ZeroBlock(chain.data());
        std::uint32_t checksum = 0;

        const long long chunks = bodyLength / kPwdDbChunk + 1;
        for (long long i = 0; i < chunks; ++i) {
            const std::size_t size = static_cast<std::size_t>(i + 1 < chunks ? kPwdDbChunk : bodyLength % kPwdDbChunk);
            if (!file.ReadExactly(work.data(), size)) return FailedWithErrno(kResultReadFailed);
            // The checksum covers the padding too. A tail shorter than a block occurs only in a
            // damaged file; it stays as read.
            const std::size_t blocks = size / 8;
            DecipherBlocks<true>(IdeaCipher{&decrypt}, chain.data(), work.data(), blocks, checksum, blocks);
            checksum = UpdateChecksum(checksum, work.data() + 8 * blocks, size % 8);
            text.insert(text.end(), work.begin(), work.begin() + static_cast<std::ptrdiff_t>(size));
            if (Master.ProcessMessages) Master.ProcessMessages();
        }

        // The key check passed, so the master password is right and the body is damaged.
        if (checksum != storedChecksum) return Failed(kResultWrongPassword, kDamagedText);
        // The length field is not under the checksum: a lowered one would hide the last lines, and the
        // next save would drop them. The writer pads to the next whole block, so the body must be
        // exactly that long.
        if (PaddedDataLength(plainLength) != static_cast<long long>(text.size()))
            return Failed(kResultReadFailed, kDamagedText);

        PwdEntryList loaded;
        ParseLines(text.data(), plainLength, loaded);
        Entries.Clear();
        Entries.Swap(loaded);
        return kResultOk;
    } catch (const std::bad_alloc&) {
        return Failed(kResultNoMemory, DatabaseFailureText(kResultNoMemory));
    }
}

int TKV_PwdTable::Save()
{
    try {
        ReplacementFile file;
        std::string target;
        std::string reason;
        if (const int code = OpenNewDatabase(Master.Dir, file, target, reason); code != kResultOk)
            return Failed(code, std::move(reason));
        SetDatabaseMode(file, target);

        file.FailWritesAfter(Master.Faults.failWriteAfter);
        // errno stays 0 for a failure the system gives no reason for.
        const auto write = [&](const void* data, std::size_t count, long long offset) {
            errno = 0;
            return offset < 0 ? file.WriteAll(data, count) : file.WriteAt(data, count, offset);
        };

        SecretBytes work(kPwdDbChunk);

        IdeaKeySchedule encrypt{};
        WipeOnExit<IdeaKeySchedule> wipeEncrypt(encrypt);
        std::uint16_t keyCheck = 0;
        {
            DatabaseKey key{};
            WipeOnExit<DatabaseKey> wipeKey(key);
            keyCheck = DeriveDatabaseKey(Master, key);
            IdeaExpandKey(key.data(), encrypt);
        }

        SecretBytes text;
        std::size_t textLength = 0;
        for (std::size_t i = 0; i < Entries.Count(); ++i)
            textLength += Entries[i].size() + 2;
        // The plain length field is 32 bits and the padding must fit behind it.
        if (textLength > 0xFFFFFFF0u) return Failed(kResultNoMemory, DatabaseFailureText(kResultNoMemory));
        text.reserve(textLength);
        for (std::size_t i = 0; i < Entries.Count(); ++i) {
            const std::string_view line = Entries[i];
            text.insert(text.end(), line.begin(), line.end());
            text.push_back('\r');
            text.push_back('\n');
        }
        const std::uint32_t plainLength = static_cast<std::uint32_t>(text.size());
        const auto paddedLength = static_cast<std::size_t>(PaddedDataLength(plainLength));

        std::uint8_t header[kPwdDbHeaderLength] = {};
        std::memcpy(header, kMagic, sizeof kMagic);
        PutHeaderFields(header, {plainLength, 0, keyCheck});
        if (!write(header, sizeof header, -1)) return FailedWithErrno(kResultWriteFailed);

        Block chain{};
        WipeOnExit<Block> wipeChain(chain);
        ZeroBlock(chain.data());
        std::uint32_t checksum = 0;
        std::size_t position = 0;
        const std::size_t chunks = paddedLength / kPwdDbChunk + 1;
        for (std::size_t i = 0; i < chunks; ++i) {
            const std::size_t size = i + 1 < chunks ? kPwdDbChunk : paddedLength % kPwdDbChunk;
            const std::size_t fromText = position < text.size() ? std::min(size, text.size() - position) : 0;
            if (fromText > 0) MoveBytes(work.data(), text.data() + position, static_cast<long long>(fromText));
            FillBytes(work.data() + fromText, 0, static_cast<long long>(size - fromText));
            position += size;
            // Chunks and the padded text are whole blocks; the checksum covers the padding too.
            EncipherBlocks<true>(IdeaCipher{&encrypt}, chain.data(), work.data(), size / 8, checksum, size / 8);
            if (size > 0 && !write(work.data(), size, -1)) return FailedWithErrno(kResultWriteFailed);
        }

        std::uint8_t checksumField[4];
        PutLe32(checksumField, checksum);
        if (!write(checksumField, sizeof checksumField, kHeaderChecksumOffset))
            return FailedWithErrno(kResultWriteFailed);
        errno = 0;
        if (!file.Commit()) return FailedWithErrno(kResultWriteFailed);
        return kResultOk;
    } catch (const std::bad_alloc&) {
        return Failed(kResultNoMemory, DatabaseFailureText(kResultNoMemory));
    } catch (const std::length_error&) {
        return Failed(kResultNoMemory, DatabaseFailureText(kResultNoMemory));
    }
}
