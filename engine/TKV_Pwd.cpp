// SPDX-License-Identifier: GPL-3.0-or-later
#include "TKV_Pwd.h"

#include "Blocks.h"
#include "ByteOrder.h"
#include "Cbc.h"
#include "Checksum.h"
#include "ChecksumThread.h"
#include "Container.h"
#include "Des.h"
#include "FileSystem.h"
#include "Idea.h"
#include "Keys.h"
#include "PasswordText.h"
#include "ResultCodes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <unistd.h>

namespace {

// Everything secret one call holds; cleared on every way out of the call.
struct Workspace
{
    std::uint8_t key[kMaxKeyLength] = {};
    std::uint8_t chain[8] = {};
    std::uint8_t tail[8] = {}; // the last plain bytes of a file, which share a block with padding
    DesSchedule des[3] = {};
    IdeaKeySchedule idea = {};
    IdeaKeySchedule ideaInverse = {};
    DesSliceKeys slice = {};
    ~Workspace() { SecureZero(this, sizeof *this); }
};

// Applies one method's cipher to whole blocks of a chunk in the given direction.
class BlockTransform
{
public:
    BlockTransform(int method, bool encipher, Workspace& w) : method_(method), encipher_(encipher), w_(w)
    {
        switch (method) {
        case kMethodDesEcb:
        case kMethodDesTyped:
            // The same cipher as the bit-serial routine, made once for the whole file.
            DesMakeSchedule(w.des[0], w.key, encipher ? 0 : 1);
            DesSliceKeysMake(w.slice, w.des[0]);
            break;
        case kMethodIdea:
            IdeaExpandKey(w.key, w.idea);
            if (!encipher) IdeaInvertKey(w.idea, w.ideaInverse);
            break;
        case kMethodDes:
            DesMakeSchedule(w.des[0], w.key, encipher ? 0 : 1);
            DesSliceKeysMake(w.slice, w.des[0]);
            break;
        case kMethodTripleDes:
            // Encipher: K1 enc, K2 dec, K3 enc. Decipher: K3 dec, K2 enc, K1 dec.
            DesMakeSchedule(w.des[0], w.key + (encipher ? 0 : 16), encipher ? 0 : 1);
            DesMakeSchedule(w.des[1], w.key + 8, encipher ? 1 : 0);
            DesMakeSchedule(w.des[2], w.key + (encipher ? 16 : 0), encipher ? 0 : 1);
            DesSliceKeysMake(w.slice, w.des[0], w.des[1], w.des[2]);
            break;
        default:
            break;
        }
        ZeroBlock(w.chain);
    }

    // Transforms `blocks` blocks in place; the plain side of the first `summed` of them is added to
    // `checksum` (before enciphering, after deciphering).
    void Apply(std::uint8_t* data, std::size_t blocks, std::uint32_t& checksum, std::size_t summed)
    {
        switch (method_) {
        // Without a chain (ECB both ways, CBC deciphering) all blocks go through at once.
        case kMethodDesEcb:
            if (encipher_)
                EncipherBlocksWide(WideDes{&w_.slice}, data, blocks, checksum, summed);
            else
                DecipherBlocksWide<false>(WideDes{&w_.slice}, w_.chain, data, blocks, checksum, summed);
            break;
        case kMethodDesTyped:
            // The table DES computes the same cipher as the bit-serial one, which rebuilds its
            // schedule for every block.
            Run<true>(TableDesCipher{&w_.des[0]}, WideDes{&w_.slice}, data, blocks, checksum, summed);
            break;
        case kMethodIdea:
            Run<true>(IdeaCipher{&w_.idea}, WideIdea{&w_.ideaInverse}, data, blocks, checksum, summed);
            break;
        case kMethodDes:
            Run<true>(TableDesCipher{&w_.des[0]}, WideDes{&w_.slice}, data, blocks, checksum, summed);
            break;
        case kMethodTripleDes:
            Run<true>(TripleDesCipher{&w_.des[0], &w_.des[1], &w_.des[2]}, WideDes{&w_.slice}, data, blocks, checksum,
                      summed);
            break;
        default:
            break;
        }
    }

private:
    // Enciphering with the one-block `cipher` (its direction), deciphering with `wide`.
    template <bool chained, class Cipher, class Wide>
    void Run(const Cipher& cipher, const Wide& wide, std::uint8_t* data, std::size_t blocks, std::uint32_t& checksum,
             std::size_t summed)
    {
        if (encipher_)
            EncipherBlocks<chained>(cipher, w_.chain, data, blocks, checksum, summed);
        else
            DecipherBlocksWide<chained>(wide, w_.chain, data, blocks, checksum, summed);
    }

    int method_;
    bool encipher_;
    Workspace& w_;
};

// Gives the finished output its name: 0, kResultTargetAppeared or kResultWriteFailed.
int Place(ReplacementFile& output, bool mayReplace, int finalMode)
{
    switch (output.Commit(mayReplace, finalMode)) {
    case ReplacementFile::CommitResult::Done:
        return kResultOk;
    case ReplacementFile::CommitResult::TargetExists:
        return kResultTargetAppeared;
    case ReplacementFile::CommitResult::Failed:
        break;
    }
    return kResultWriteFailed;
}

// Below this much data a second thread for the checksum of decryption costs more than it saves.
constexpr long long kChecksumThreadFrom = 256 * 1024;

SecretBytes* AllocateChunk(SecretBytes& buffer)
{
    try {
        buffer.assign(kChunkLength, 0);
        return &buffer;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// What a container says about itself once its key check has passed.
struct OpenedContainer
{
    int method = -1;
    std::int32_t plainSize = 0;
    std::uint32_t storedChecksum = 0;
    long long dataLength = 0;
};

// Reads the header of the container open in `source`, makes the key of its method from the password
// into `w.key`, and checks the key and the length of the data. 0, kResultReadFailed,
// kResultNotEncrypted or kResultWrongPassword. A file that ends too early, and a length no writer
// gives, are kResultTruncated and kResultDamaged when `tellDamage`, else kResultReadFailed as a
// decryption has always told them.
int OpenContainer(SourceFile& source, const SecretBytes& password, int passwordLength, Workspace& w, OpenedContainer& c,
                  bool tellDamage)
{
    const auto shortRead = [&] { return tellDamage && errno == 0 ? kResultTruncated : kResultReadFailed; };
    std::uint8_t header[kLongHeaderLength];
    if (!source.ReadExactly(header, kShortHeaderLength)) return shortRead();
    // The long header is read before the method byte is judged, so a short file with an unknown
    // method byte is a read failure rather than "not encrypted".
    const int headerLength = HeaderLengthForMagicByte(header[3]);
    if (headerLength > kShortHeaderLength &&
        !source.ReadExactly(header + kShortHeaderLength, static_cast<std::size_t>(headerLength - kShortHeaderLength)))
        return shortRead();
    c.method = MethodFromMagicByte(header[3]);
    if (c.method < 0) return kResultNotEncrypted;

    const int usable = std::min<int>(passwordLength, static_cast<int>(password.size()));
    const int keyLength = DeriveKey(c.method, password.data(), usable, w.key);
    const HeaderFields fields = GetHeaderFields(header);
    if (KeyCheck(w.key, keyLength) != fields.keyCheck) return kResultWrongPassword;

    c.plainSize = static_cast<std::int32_t>(fields.plainSize);
    c.storedChecksum = fields.checksum;
    c.dataLength = source.Size() - headerLength;
    // The plain bytes end in the last block of the data: the writer pads them with 1 to 8 bytes.
    // Only a container of its header alone holds no block, and then no byte. Any other size is
    // damage (a size inside the last block is left to the checksum). No container we write holds
    // more than the largest plain file and its padding.
    const long long dataLength = c.dataLength;
    const bool sizeFits =
        dataLength == 0 ? c.plainSize == 0 : c.plainSize >= dataLength - 8 && c.plainSize < dataLength;
    if (dataLength % 8 == 0 && sizeFits && dataLength <= kMaxPlainSize + 8) return kResultOk;
    if (!tellDamage) return kResultReadFailed;
    // Less data than the size asks for is a file cut off; anything else no writer makes.
    return c.plainSize >= 0 && dataLength < PaddedDataLength(c.plainSize) ? kResultTruncated : kResultDamaged;
}

// Deciphers the data of an opened container chunk by chunk and, with `sum`, sums its plain bytes
// into `checksum` (on a second thread for a large file); hands every chunk to `sink(data, length,
// plain)`: `length` bytes deciphered, the first `plain` of them file data. Without `sum` the sink
// may add to `checksum` itself. 0, kResultReadFailed, kResultAborted, or a failure the sink returns.
template <class Sink>
int DecipherData(TKV_Pwd& pwd, SourceFile& source, BlockTransform& transform, const OpenedContainer& c,
                 std::uint8_t* chunk, bool sum, std::uint32_t& checksum, Sink&& sink)
{
    const long long chunks = c.dataLength / static_cast<long long>(kChunkLength) + 1;
    pwd.BlocksTotal = static_cast<std::int32_t>(c.dataLength / 8);
    checksum = 0;
    ChecksumThread aside(sum && c.dataLength >= kChecksumThreadFrom);

    for (long long n = 0; n < chunks; ++n) {
        const long long start = n * static_cast<long long>(kChunkLength);
        const auto length = static_cast<std::size_t>(std::min<long long>(kChunkLength, c.dataLength - start));
        if (length > 0 && !source.ReadExactly(chunk, length)) return kResultReadFailed;
        const std::size_t blocks = length / 8;
        const auto plain =
            static_cast<std::size_t>(std::clamp<long long>(c.plainSize - start, 0, static_cast<long long>(length)));
        if (blocks > 0 && pwd.Stopped()) {
            std::uint32_t unused = 0;
            transform.Apply(chunk, 1, unused, 0);
            ++pwd.BlocksDone;
            return kResultAborted;
        }
        // Summed by the checksum thread, or here: whole blocks in the cipher loop, then the rest.
        const std::size_t wholeBlocks = aside.Running() || !sum ? 0 : plain / 8;
        transform.Apply(chunk, blocks, checksum, wholeBlocks);
        if (aside.Running())
            aside.Add(chunk, plain);
        else if (sum)
            checksum = UpdateChecksum(checksum, chunk + 8 * wholeBlocks, plain % 8);
        pwd.BlocksDone += static_cast<std::int32_t>(blocks);
        if (const int sunk = sink(chunk, length, plain); sunk != kResultOk) return sunk;
        if (pwd.ProcessMessages) pwd.ProcessMessages();
    }
    if (aside.Running()) checksum = aside.Finish();
    return kResultOk;
}

} // namespace

TKV_Pwd::~TKV_Pwd() = default;

void TKV_Pwd::SetPassword(std::string_view text)
{
    SecretBytes bytes = PasswordBytes(text);
    ScramblePassword(bytes.data(), bytes.size());
    Password.swap(bytes);
    PwdLength = static_cast<std::int32_t>(Password.size());
}

void TKV_Pwd::SetScrambledPassword(const SecretBytes& scrambled)
{
    Password = scrambled;
    PwdLength = static_cast<std::int32_t>(Password.size());
}

void TKV_Pwd::ClearPassword() noexcept
{
    SecureZero(Password.data(), Password.size());
    Password.clear();
    PwdLength = 0;
    Entered = false;
}

int TKV_Pwd::CheckSourceUnchanged() const
{
    const int changed = sourceEncrypted_ ? kResultCryptedChanged : kResultPlainChanged;
    return sourceRead_.known && IdentityOfRegularFile(sourceName_) == sourceRead_ ? kResultOk : changed;
}

int TKV_Pwd::EncryptFile(const std::string& fileName, int method, bool mayReplace)
{
    BlocksDone = 0;
    BlocksTotal = 0;
    sourceName_ = fileName;
    sourceRead_ = {};
    sourceEncrypted_ = false;
    const MethodInfo* info = FindMethod(method);
    if (info == nullptr) return kResultUnknownMethod;
    // No key can be made from nothing, and no prompt would ever open the result.
    const int usable = std::min<int>(PwdLength, static_cast<int>(Password.size()));
    if (usable <= 0) return kResultNoPassword;

    SourceFile source(Faults.failReadAfter);
    if (!source.Open(fileName)) return source.NotRegular() ? kResultNotRegularFile : kResultCannotOpen;
    const long long size = source.Size();
    if (size > kMaxPlainSize) return kResultTooLarge;
    // Told before the work rather than as a failed rename after it.
    const std::string target = fileName + ".cry";
    if (!NameFitsItsDirectory(target)) return kResultNameTooLong;

    ReplacementFile output;
    if (!output.Open(target, false, !Faults.namedTemporary)) return kResultCannotCreate;
    output.FailWritesAfter(Faults.failWriteAfter);

    SecretBytes chunk;
    if (AllocateChunk(chunk) == nullptr) return kResultNoMemory;

    Workspace w;
    const int keyLength = DeriveKey(method, Password.data(), usable, w.key);

    std::uint8_t header[kLongHeaderLength] = {};
    std::memcpy(header, info->magic, 4);
    PutHeaderFields(header, {static_cast<std::uint32_t>(size), 0, KeyCheck(w.key, keyLength)});
    if (!output.WriteAll(header, static_cast<std::size_t>(info->headerLength))) return kResultWriteFailed;

    BlockTransform transform(method, true, w);
    const long long dataLength = PaddedDataLength(size);
    const long long chunks = dataLength / static_cast<long long>(kChunkLength) + 1;
    BlocksTotal = static_cast<std::int32_t>(dataLength / 8);
    std::uint32_t checksum = 0;

    for (long long c = 0; c < chunks; ++c) {
        const long long start = c * static_cast<long long>(kChunkLength);
        const auto length = static_cast<std::size_t>(std::min<long long>(kChunkLength, dataLength - start));
        const auto plain =
            static_cast<std::size_t>(std::clamp<long long>(size - start, 0, static_cast<long long>(length)));
        if (plain > 0 && !source.ReadExactly(chunk.data(), plain)) return kResultReadFailed;
        // Whole plain blocks are summed inside the cipher loop, where the checksum's chain overlaps
        // the cipher's (on another thread it would cost more in copies than it saves); the last
        // few plain bytes share a block with the padding, so keep them to sum after the blocks
        // before them.
        const std::size_t wholeBlocks = plain / 8;
        MoveBytes(w.tail, chunk.data() + 8 * wholeBlocks, static_cast<long long>(plain % 8));
        // Padding is whatever the buffer holds after the data; zero it so no stale bytes leak.
        std::memset(chunk.data() + plain, 0, length - plain);
        const std::size_t blocks = length / 8;
        if (blocks > 0 && Stopped()) {
            std::uint32_t unused = 0;
            transform.Apply(chunk.data(), 1, unused, 0);
            ++BlocksDone;
            return kResultAborted;
        }
        transform.Apply(chunk.data(), blocks, checksum, wholeBlocks);
        checksum = UpdateChecksum(checksum, w.tail, plain % 8);
        BlocksDone += static_cast<std::int32_t>(blocks);
        if (!output.WriteAll(chunk.data(), length)) return kResultWriteFailed;
        Pump();
    }

    // Bytes appended or rewritten meanwhile are not in the container: the plain file must stay.
    FileIdentity read;
    if (!source.UnchangedSinceOpen(read)) return kResultPlainChanged;

    std::uint8_t stored[4];
    PutLe32(stored, checksum);
    if (!output.WriteAt(stored, 4, kHeaderChecksumOffset)) return kResultWriteFailed;
    if (const int placed = Place(output, mayReplace, -1); placed != kResultOk) return placed;
    sourceRead_ = read;
    return kResultOk;
}

int TKV_Pwd::DecryptFile(const std::string& fileName, bool mayReplace)
{
    BlocksDone = 0;
    BlocksTotal = 0;
    sourceName_ = fileName;
    sourceRead_ = {};
    sourceEncrypted_ = true;
    // The output is the name without its last four characters; it must still name a file.
    if (fileName.size() <= 4) return kResultCannotCreate;
    const std::string target = fileName.substr(0, fileName.size() - 4);
    if (target.back() == '/' || GetFileKind(target) == FileKind::Directory) return kResultCannotCreate;

    SourceFile source(Faults.failReadAfter);
    if (!source.Open(fileName)) return source.NotRegular() ? kResultNotRegularFile : kResultCannotOpen;

    ReplacementFile output;
    if (!output.Open(target, true, !Faults.namedTemporary)) return kResultCannotCreate;
    output.FailWritesAfter(Faults.failWriteAfter);

    Workspace w;
    OpenedContainer c;
    if (const int opened = OpenContainer(source, Password, PwdLength, w, c, false); opened != kResultOk) return opened;

    SecretBytes chunk;
    if (AllocateChunk(chunk) == nullptr) return kResultNoMemory;

    BlockTransform transform(c.method, false, w);
    std::uint32_t checksum = 0;
    const int run = DecipherData(*this, source, transform, c, chunk.data(), true, checksum,
                                 [&output](const std::uint8_t* data, std::size_t, std::size_t plain) {
                                     return plain == 0 || output.WriteAll(data, plain) ? kResultOk : kResultWriteFailed;
                                 });
    if (run != kResultOk) return run;

    FileIdentity read;
    if (!source.UnchangedSinceOpen(read)) return kResultCryptedChanged;
    // The key check passed, so a checksum that differs means damaged data, not a forgotten password.
    if (checksum != c.storedChecksum) return kResultDamaged;
    if (const int placed = Place(output, mayReplace, source.Mode()); placed != kResultOk) return placed;
    sourceRead_ = read;
    return kResultOk;
}

int TKV_Pwd::VerifyFile(const std::string& fileName)
{
    BlocksDone = 0;
    BlocksTotal = 0;
    sourceName_ = fileName;
    sourceRead_ = {};
    sourceEncrypted_ = true;
    SourceFile source(Faults.failReadAfter);
    if (!source.Open(fileName)) return source.NotRegular() ? kResultNotRegularFile : kResultCannotOpen;

    Workspace w;
    OpenedContainer c;
    if (const int opened = OpenContainer(source, Password, PwdLength, w, c, true); opened != kResultOk) return opened;

    SecretBytes chunk;
    if (AllocateChunk(chunk) == nullptr) return kResultNoMemory;

    BlockTransform transform(c.method, false, w);
    std::uint32_t checksum = 0;
    const int run = DecipherData(*this, source, transform, c, chunk.data(), true, checksum,
                                 [](const std::uint8_t*, std::size_t, std::size_t) { return kResultOk; });
    if (run != kResultOk) return run;

    FileIdentity read;
    if (!source.UnchangedSinceOpen(read)) return kResultCryptedChanged;
    return checksum == c.storedChecksum ? kResultOk : kResultDamaged;
}

int TKV_Pwd::RekeyFile(const std::string& fileName, const SecretBytes& newPassword, int newMethod)
{
    BlocksDone = 0;
    BlocksTotal = 0;
    sourceName_ = fileName;
    sourceRead_ = {};
    sourceEncrypted_ = true;
    const MethodInfo* info = FindMethod(newMethod);
    if (info == nullptr) return kResultUnknownMethod;
    if (newPassword.empty()) return kResultNoPassword;

    SourceFile source(Faults.failReadAfter);
    if (!source.Open(fileName)) return source.NotRegular() ? kResultNotRegularFile : kResultCannotOpen;
    // A rename gives the new container this name only; the others would keep the old password.
    if (source.LinkCount() > 1) return kResultHasOtherNames;

    // The new container is written beside the old one and takes its name only at the end.
    ReplacementFile output;
    if (!output.Open(fileName, false, !Faults.namedTemporary)) return kResultCannotCreate;
    output.FailWritesAfter(Faults.failWriteAfter);

    Workspace w;
    OpenedContainer c;
    if (const int opened = OpenContainer(source, Password, PwdLength, w, c, true); opened != kResultOk) return opened;

    SecretBytes chunk;
    if (AllocateChunk(chunk) == nullptr) return kResultNoMemory;

    Workspace fresh;
    const int keyLength = DeriveKey(newMethod, newPassword.data(), static_cast<int>(newPassword.size()), fresh.key);
    std::uint8_t header[kLongHeaderLength] = {};
    std::memcpy(header, info->magic, 4);
    PutHeaderFields(header, {static_cast<std::uint32_t>(c.plainSize), 0, KeyCheck(fresh.key, keyLength)});
    if (!output.WriteAll(header, static_cast<std::size_t>(info->headerLength))) return kResultWriteFailed;

    BlockTransform decipher(c.method, false, w);
    BlockTransform encipher(newMethod, true, fresh);
    // The plain data is the same, so the checksum the old container is checked against is the new
    // one's. It is summed in the enciphering loop, as an encryption sums it: there its chain of
    // lookups overlaps the cipher's chain between blocks and costs almost nothing, where a thread
    // of its own would cost a copy of every chunk.
    std::uint32_t checksum = 0;
    const auto reseal = [&](std::uint8_t* data, std::size_t length, std::size_t plain) {
        // The last plain bytes share a block with the padding: summed after the blocks before them.
        const std::size_t wholeBlocks = plain / 8;
        MoveBytes(fresh.tail, data + 8 * wholeBlocks, static_cast<long long>(plain % 8));
        // The padding is made anew, as the writer makes it, not carried over from the old container.
        std::memset(data + plain, 0, length - plain);
        encipher.Apply(data, length / 8, checksum, wholeBlocks);
        checksum = UpdateChecksum(checksum, fresh.tail, plain % 8);
        return output.WriteAll(data, length) ? kResultOk : kResultWriteFailed;
    };
    if (const int run = DecipherData(*this, source, decipher, c, chunk.data(), false, checksum, reseal);
        run != kResultOk)
        return run;
    // A container of its header alone gets the block of padding every container we write has.
    if (c.dataLength == 0 && reseal(chunk.data(), 8, 0) != kResultOk) return kResultWriteFailed;

    // Until the rename the old container must be the very file read, unchanged, and intact.
    FileIdentity read;
    if (!source.UnchangedSinceOpen(read) || !(IdentityOfRegularFile(fileName) == read)) return kResultCryptedChanged;
    if (checksum != c.storedChecksum) return kResultDamaged;

    std::uint8_t stored[4];
    PutLe32(stored, checksum);
    if (!output.WriteAt(stored, 4, kHeaderChecksumOffset)) return kResultWriteFailed;
#if !defined(_WIN32)
    // The owner and group of the old container where the system lets us give them (it does for the
    // file's owner and one of its groups); otherwise the new file is the user's, as any output is.
    // On Windows the new file takes the folder's inherited access rules, as every output does.
    if (::fchown(output.Descriptor(), source.Owner(), source.Group()) != 0) {
        [[maybe_unused]] const int group = ::fchown(output.Descriptor(), static_cast<uid_t>(-1), source.Group());
    }
#else
    // Checked above, let go now: the rename below cannot replace a file that is still open here.
    source.Close();
#endif
    return Place(output, true, source.Mode());
}
