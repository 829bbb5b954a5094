// SPDX-License-Identifier: GPL-3.0-or-later
// The table operations: remembering and recalling file passwords, and the master password prompt.
#include "TKV_PwdTable.h"

#include "Keys.h"
#include "PasswordMessages.h"
#include "PwdDbLock.h"
#include "PwdTableOperation.h"
#include "ResultCodes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <utility>

namespace {

bool HasLineBreakOrNul(std::string_view text) noexcept
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// A name the format can give back: the text before the first "=" of a line that is not cut by a
// line break. Anything else would be stored and never found again, or split into other lines.
bool IsStorableName(std::string_view fileName) noexcept
{
    return !fileName.empty() && fileName.find('=') == std::string_view::npos && !HasLineBreakOrNul(fileName);
}

std::size_t HeldLength(const TKV_Pwd& pwd) noexcept
{
    return std::min(static_cast<std::size_t>(std::max(pwd.PwdLength, 0)), pwd.Password.size());
}

// True when the clear `value` is the scrambled `scrambled`.
bool SameScrambled(std::string_view value, const SecretBytes& scrambled) noexcept
{
    if (value.size() != scrambled.size()) return false;
    unsigned char difference = 0;
    for (std::size_t i = 0; i < value.size(); ++i)
        difference |= static_cast<unsigned char>(static_cast<unsigned char>(value[i]) ^ kScrambleMask ^ scrambled[i]);
    return difference == 0;
}

constexpr char kUnstorableText[] = "the file name or the password cannot be kept in the database";

} // namespace

TKV_PwdTable::TKV_PwdTable(IPasswordUi& ui) : ui_(ui) {}

TKV_PwdTable::~TKV_PwdTable()
{
    if (pending_ != nullptr) pending_->Restore();
    ClearTable();
}

int TKV_PwdTable::LoadTable(bool ReadBody)
{
    Operation operation(*this);
    if (!operation) return kResultTableBusy;
    return Load(ReadBody);
}

int TKV_PwdTable::SaveTable()
{
    Operation operation(*this);
    if (!operation) return kResultTableBusy;
    return Save();
}

void TKV_PwdTable::ClearTable() noexcept
{
    Entries.Clear();
}

bool TKV_PwdTable::Fail()
{
    ClearTable();
    ShowError();
    return false;
}

int TKV_PwdTable::Failed(int code, std::string reason)
{
    failure_ = std::move(reason);
    return code;
}

int TKV_PwdTable::FailedWithErrno(int code)
{
    const int error = errno;
    return Failed(code, error != 0 ? std::strerror(error) : DatabaseFailureText(code));
}

std::string TKV_PwdTable::FailureDetail() const
{
    const std::string where = Master.Dir.empty() ? std::string("(no path set)") : Master.Dir;
    return where + ": " + (failure_.empty() ? std::string("unknown failure") : failure_);
}

void TKV_PwdTable::ShowError()
{
    ui_.ShowDatabaseError(FailureDetail());
}

bool TKV_PwdTable::RememberPassword(const std::string& fileName, const TKV_Pwd& pwd)
{
    Operation operation(*this);
    // Refusing silently would let the user believe the password was kept.
    if (!operation) {
        Failed(kResultTableBusy, DatabaseFailureText(kResultTableBusy));
        ShowError();
        return false;
    }
    if (!Master.Entered) AskForMasterPassword();
    if (!Master.Entered) return false;
    return Store(fileName, pwd);
}

bool TKV_PwdTable::StorePassword(const std::string& fileName, const TKV_Pwd& pwd)
{
    Operation operation(*this);
    if (!operation) {
        Failed(kResultTableBusy, DatabaseFailureText(kResultTableBusy));
        ShowError();
        return false;
    }
    return Store(fileName, pwd);
}

RecalledPassword TKV_PwdTable::RecallPassword(const std::string& fileName, TKV_Pwd& pwd)
{
    Operation operation(*this);
    if (!operation || !Master.Store) return {};
    if (!Master.Entered) AskForMasterPassword();
    if (!Master.Entered) return {};
    return Take(fileName, pwd);
}

RecalledPassword TKV_PwdTable::TakePassword(const std::string& fileName, TKV_Pwd& pwd)
{
    Operation operation(*this);
    if (!operation) return {};
    return Take(fileName, pwd);
}

bool TKV_PwdTable::Store(const std::string& fileName, const TKV_Pwd& pwd)
{
    const std::size_t length = HeldLength(pwd);
    if (!IsStorableName(fileName) || length == 0) {
        Failed(kResultCannotCreate, kUnstorableText);
        return Fail();
    }
    // Held from the reading to the saving, so that a change another process saves meanwhile is read
    // and kept, not overwritten.
    PwdDbLock lock;
    try {
        SecretLine line;
        line.reserve(fileName.size() + 1 + length);
        line.insert(line.end(), fileName.begin(), fileName.end());
        line.push_back('=');
        for (std::size_t i = 0; i < length; ++i)
            line.push_back(static_cast<char>(pwd.Password[i] ^ kScrambleMask));
        if (HasLineBreakOrNul({line.data() + fileName.size() + 1, length})) {
            Failed(kResultCannotCreate, kUnstorableText);
            return Fail();
        }

        if (LockForUpdate(lock) != kResultOk) return Fail();
        ClearTable();
        const int loaded = Load(true);
        if (loaded != kResultOk && loaded != kResultCannotOpen) return Fail();
        // Every line of this name goes, so no older one can shadow the new password.
        for (long i = Entries.IndexOfName(fileName); i != PwdEntryList::kNotFound; i = Entries.IndexOfName(fileName, i))
            Entries.Delete(static_cast<std::size_t>(i));
        Entries.Add({line.data(), line.size()});
    } catch (const std::bad_alloc&) {
        Failed(kResultNoMemory, DatabaseFailureText(kResultNoMemory));
        return Fail();
    }
    const int saved = Save();
    ClearTable();
    if (saved != kResultOk) {
        ShowError();
        return false;
    }
    return true;
}

RecalledPassword TKV_PwdTable::Take(const std::string& fileName, TKV_Pwd& pwd)
{
    if (!IsStorableName(fileName)) return {};
    ClearTable();
    const int loaded = Load(true);
    if (loaded == kResultCannotOpen) return {};
    if (loaded != kResultOk) {
        Fail();
        return {};
    }
    const long index = Entries.IndexOfName(fileName);
    // An empty password cannot have encrypted anything; the caller had better ask.
    if (index == PwdEntryList::kNotFound || Entries.Value(static_cast<std::size_t>(index)).empty()) {
        ClearTable();
        return {};
    }
    try {
        const std::string_view value = Entries.Value(static_cast<std::size_t>(index));
        SecretBytes scrambled(value.begin(), value.end());
        ScramblePassword(scrambled.data(), scrambled.size());
        ClearTable();
        // Otherwise the new recall would keep the pending one's password as the engine object's own.
        if (pending_ != nullptr) pending_->Restore();
        return RecalledPassword(*this, pwd, fileName, std::move(scrambled));
    } catch (const std::bad_alloc&) {
        Failed(kResultNoMemory, DatabaseFailureText(kResultNoMemory));
        Fail();
        return {};
    }
}

bool TKV_PwdTable::Forget(const std::string& fileName, const SecretBytes& scrambled)
{
    Operation operation(*this);
    // The running operation owns Entries.
    if (!operation) {
        Failed(kResultTableBusy, DatabaseFailureText(kResultTableBusy));
        ShowError();
        return false;
    }
    PwdDbLock lock;
    if (LockForUpdate(lock) != kResultOk) return Fail();
    ClearTable();
    const int loaded = Load(true);
    // The database is gone: nothing is left to remove.
    if (loaded == kResultCannotOpen) return true;
    if (loaded != kResultOk) return Fail();
    long index = Entries.IndexOfName(fileName);
    while (index != PwdEntryList::kNotFound &&
           !SameScrambled(Entries.Value(static_cast<std::size_t>(index)), scrambled))
        index = Entries.IndexOfName(fileName, index + 1);
    // A password stored anew meanwhile belongs to a later encryption and stays.
    if (index == PwdEntryList::kNotFound) {
        ClearTable();
        return true;
    }
    Entries.Delete(static_cast<std::size_t>(index));
    const int saved = Save();
    ClearTable();
    if (saved != kResultOk) {
        ShowError();
        return false;
    }
    return true;
}

StoreReadiness TKV_PwdTable::PrepareToStore()
{
    Operation operation(*this);
    if (!operation) {
        Failed(kResultTableBusy, DatabaseFailureText(kResultTableBusy));
        ShowError();
        return StoreReadiness::DatabaseFailed;
    }
    if (!Master.Entered) AskForMasterPassword();
    if (!Master.Entered) return StoreReadiness::NoMasterPassword;
    ClearTable();
    const int loaded = Load(true);
    ClearTable();
    if (loaded != kResultOk && loaded != kResultCannotOpen) {
        ShowError();
        return StoreReadiness::DatabaseFailed;
    }
    if (CheckWritable() != kResultOk) {
        ShowError();
        return StoreReadiness::DatabaseFailed;
    }
    return StoreReadiness::Ready;
}

bool TKV_PwdTable::PromptForMasterPassword()
{
    Operation operation(*this);
    if (!operation) return false;
    AskForMasterPassword();
    return Master.Entered;
}

void TKV_PwdTable::AskForMasterPassword()
{
    struct Prompting
    {
        TKV_PwdTable& table;
        ~Prompting() { table.prompting_ = false; }
    } prompting{*this};
    prompting_ = true;
    submitted_ = false;
    const MasterPasswordAnswer answer = ui_.ShowMasterPasswordDialog(*this);
    // Only a password that went through SubmitMasterPassword counts as given.
    if (answer == MasterPasswordAnswer::Submitted && submitted_) {
        PasswordAccepted(Master, Master.Expires, MasterPwdControls);
        return;
    }
    Master.Entered = false;
    if (answer == MasterPasswordAnswer::NotAtAll) Master.Store = false;
}

int TKV_PwdTable::SubmitMasterPassword(std::string_view text)
{
    // The dialog submits from inside the operation that asked for the master password.
    const bool nested = busy_ && prompting_;
    Operation operation(*this);
    if (!operation && !nested) return kResultTableBusy;
    try {
        Master.SetPassword(text);
    } catch (const std::bad_alloc&) {
        Master.ClearPassword();
        return kResultNoMemory;
    }
    const int code = Load(false);
    if (code == kResultWrongPassword) {
        Master.ClearPassword();
    } else if (prompting_) {
        submitted_ = true;
    }
    return code;
}

// --- RecalledPassword

RecalledPassword::RecalledPassword(TKV_PwdTable& table, TKV_Pwd& pwd, std::string fileName, SecretBytes scrambled)
    : table_(&table), pwd_(&pwd), fileName_(std::move(fileName)), recalled_(std::move(scrambled)),
      previousLength_(pwd.PwdLength)
{
    SecretBytes held = recalled_;
    previous_.swap(pwd.Password);
    pwd.Password.swap(held);
    pwd.PwdLength = static_cast<std::int32_t>(pwd.Password.size());
    table.pending_ = this;
}

RecalledPassword::RecalledPassword(RecalledPassword&& other) noexcept
    : table_(std::exchange(other.table_, nullptr)), pwd_(std::exchange(other.pwd_, nullptr)),
      fileName_(std::move(other.fileName_)), recalled_(std::move(other.recalled_)),
      previous_(std::move(other.previous_)), previousLength_(other.previousLength_),
      withdrawn_(std::exchange(other.withdrawn_, false))
{
    if (table_ != nullptr && table_->pending_ == &other) table_->pending_ = this;
}

RecalledPassword& RecalledPassword::operator=(RecalledPassword&& other) noexcept
{
    if (this != &other) {
        Restore();
        table_ = std::exchange(other.table_, nullptr);
        pwd_ = std::exchange(other.pwd_, nullptr);
        fileName_ = std::move(other.fileName_);
        recalled_ = std::move(other.recalled_);
        previous_ = std::move(other.previous_);
        previousLength_ = other.previousLength_;
        withdrawn_ = std::exchange(other.withdrawn_, false);
        if (table_ != nullptr && table_->pending_ == &other) table_->pending_ = this;
    }
    return *this;
}

RecalledPassword::~RecalledPassword()
{
    Restore();
}

bool RecalledPassword::Confirm()
{
    if (pwd_ == nullptr) return false;
    const bool forgotten = table_->Forget(fileName_, recalled_);
    Restore();
    return forgotten;
}

void RecalledPassword::Withdraw() noexcept
{
    if (pwd_ == nullptr || withdrawn_) return;
    // Swapping, not copying: the recalled bytes leave through the zeroing allocator.
    pwd_->Password.swap(previous_);
    pwd_->PwdLength = previousLength_;
    SecretBytes().swap(previous_);
    withdrawn_ = true;
}

void RecalledPassword::Restore() noexcept
{
    if (pwd_ == nullptr) return;
    Withdraw();
    withdrawn_ = false;
    SecretBytes().swap(recalled_);
    if (table_->pending_ == this) table_->pending_ = nullptr;
    pwd_ = nullptr;
    table_ = nullptr;
}
