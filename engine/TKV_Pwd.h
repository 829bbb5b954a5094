// SPDX-License-Identifier: GPL-3.0-or-later
// TKV_Pwd: the password the files are encrypted with and the two file operations of the engine.
#pragma once

#include "SecureZero.h"
#include "SourceFile.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Test seam: makes the file layer fail after a number of bytes, as a full disk or a bad sector
// would (SourceFile and ReplacementFile count them). Negative values mean "never". The master
// password's copy does the same for the password database.
struct EngineFaults
{
    long long failReadAfter = -1;
    long long failWriteAfter = -1;
    // Writes through a named temporary file, as on file systems without unnamed ones.
    bool namedTemporary = false;
};

class TKV_Pwd
{
public:
    TKV_Pwd() = default;
    virtual ~TKV_Pwd();
    TKV_Pwd(const TKV_Pwd&) = delete;
    TKV_Pwd& operator=(const TKV_Pwd&) = delete;

    // The password in scrambled form (every byte XOR 0x6E).
    SecretBytes Password;
    // Number of password bytes that count.
    std::int32_t PwdLength = 0;
    bool Entered = false;
    bool Expires = false;
    std::int32_t Ticks = 0;
    std::int32_t ExpTime = 0;
    bool Expired = false;
    bool OnePassword = false;
    bool OneForList = false;

    // Progress of the running operation in 8-byte blocks, read by the progress display.
    std::int32_t BlocksDone = 0;
    std::int32_t BlocksTotal = 0;

    // Handed in by the caller: the stop flag, tested after every block, and the call that lets the
    // user interface process its pending messages, made after every chunk. Both may be unset.
    const std::atomic<bool>* Abort = nullptr;
    std::function<void()> ProcessMessages;

    EngineFaults Faults;

    // Takes password text (UTF-8), turns it into bytes by the program's one rule and holds it
    // scrambled; sets PwdLength to the byte count. Does not touch Entered.
    void SetPassword(std::string_view text);
    // Takes already scrambled bytes as they are.
    void SetScrambledPassword(const SecretBytes& scrambled);
    // Forgets the password: zeroed bytes, length 0, Entered false.
    void ClearPassword() noexcept;

    // Encrypts the plain file `fileName` into fileName + ".cry" with method 0..4. Returns 0 or a
    // negative result code. The source is never changed. On success the container is on stable
    // storage under its name; on failure nothing new is left, and a file that stood under the
    // target name before is untouched. `mayReplace` says the caller agreed to replace a file under
    // the target name; without it a file found there at the end is kept (kResultTargetAppeared).
    // A source that changed while it was read gives kResultPlainChanged.
    int EncryptFile(const std::string& fileName, int method, bool mayReplace = false);

    // Decrypts the container `fileName` into the name without its last four characters. Returns 0
    // or a negative result code. The container is never changed. On success the plain file is on
    // stable storage, with the container's permissions; while it is written only its owner can
    // read it. On failure its partial output is wiped and a file that stood under the target name
    // before is untouched. `mayReplace` and a changed source as for EncryptFile
    // (kResultCryptedChanged).
    int DecryptFile(const std::string& fileName, bool mayReplace = false);

    // Deciphers the container `fileName` in memory and checks it: 0 when the password opens it and
    // its data matches its checksum. Writes nothing. kResultWrongPassword when the key check differs,
    // kResultDamaged when the data (or a length that cannot be) fails, kResultTruncated when the file
    // ends before the end its header gives, or another negative result code.
    int VerifyFile(const std::string& fileName);

    // Gives the container `fileName` a new password (`newPassword`, scrambled as Password is) and
    // method: deciphers it with Password and enciphers it again chunk by chunk in memory, into a
    // temporary container beside it that replaces it only once the old data has matched its
    // checksum and the new one is on stable storage. No plain byte is written to any file. On any
    // failure (the results of VerifyFile, a stop, a full disk) the container is untouched and the
    // temporary one is gone. The new container keeps the old one's permissions (and owner and group
    // where the system allows). A container with other names (hard links) is refused
    // (kResultHasOtherNames): those names would keep the data under the old password.
    int RekeyFile(const std::string& fileName, const SecretBytes& newPassword, int newMethod);

    // To be called right before the source of the last successful EncryptFile/DecryptFile is
    // removed: 0 when its name still refers to the very file that was read, unchanged since;
    // otherwise kResultPlainChanged or kResultCryptedChanged, and the source must stay.
    int CheckSourceUnchanged() const;

    // The stop flag is set.
    bool Stopped() const noexcept { return Abort != nullptr && Abort->load(std::memory_order_relaxed); }

private:
    // The source of the last run and its identity as read to the end.
    std::string sourceName_;
    FileIdentity sourceRead_;
    bool sourceEncrypted_ = false;

    void Pump()
    {
        if (ProcessMessages) ProcessMessages();
    }
};
