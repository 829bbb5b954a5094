// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliPasswordUi.h"

#include "FileSystem.h"
#include "PasswordInput.h"
#include "PasswordLimits.h"
#include "PasswordMessages.h"
#include "PasswordText.h"
#include "ResultCodes.h"
#include "TKV_PwdTable.h"

#include <cstdio>

namespace {

void Say(const char* text)
{
    std::fprintf(stderr, "kelvane-cli: %s\n", text);
}

} // namespace

MasterPasswordAnswer CliPasswordUi::SubmitFromFile(TKV_PwdTable& table)
{
    std::string error;
    const auto text = ReadSecretLine(*masterFile_, error, stop_);
    if (!text) {
        Say(error.c_str());
        return MasterPasswordAnswer::NotNow;
    }
    // A new database gets the master password as the dialog would take it; an existing one is opened
    // by whatever opens it, as it may have been made with other rules.
    if (GetFileKind(table.Master.Dir) == FileKind::Missing) {
        if (const MasterEntryCheck check = CheckMasterPasswordEntry(text->str(), text->str());
            check != MasterEntryCheck::Ok) {
            Say(MasterEntryCheckMessage(check));
            Say("a new password database needs a master password of 6 characters and at most 16 bytes");
            return MasterPasswordAnswer::NotNow;
        }
    } else if (PasswordByteCount(text->str()) > PasswordLimits::ForMaster().MaxBytes) {
        Say("note: only the first 16 bytes of the master password count; the rest is ignored");
    }
    if (table.SubmitMasterPassword(text->str()) == kResultWrongPassword) {
        Say(kInvalidPasswordMessage);
        wrongPassword_ = true;
        return MasterPasswordAnswer::NotNow;
    }
    return MasterPasswordAnswer::Submitted;
}

MasterPasswordAnswer CliPasswordUi::ShowMasterPasswordDialog(TKV_PwdTable& table)
{
    wrongPassword_ = false;
    if (masterFile_) return SubmitFromFile(table);
    const std::string question = "Master password " + PasswordLimits::ForMaster().RangeText() + ": ";
    for (int attempt = 0; attempt < 3; ++attempt) {
        const auto first = AskOnTerminal(question, stop_);
        if (!first && stop_ != nullptr && stop_->load()) return MasterPasswordAnswer::NotNow;
        if (!first) {
            Say("no terminal to ask for the master password; use --master-password-file");
            return MasterPasswordAnswer::NotNow;
        }
        // Typed twice only for a new database: an existing one tells a wrong password itself.
        if (GetFileKind(table.Master.Dir) == FileKind::Missing) {
            const auto again = AskOnTerminal("Reenter the master password for verification: ", stop_);
            if (!again) return MasterPasswordAnswer::NotNow;
            if (const MasterEntryCheck check = CheckMasterPasswordEntry(first->str(), again->str());
                check != MasterEntryCheck::Ok) {
                Say(MasterEntryCheckMessage(check));
                continue;
            }
        }
        if (table.SubmitMasterPassword(first->str()) == kResultWrongPassword) {
            Say(kInvalidPasswordMessage);
            wrongPassword_ = true;
            continue;
        }
        wrongPassword_ = false;
        return MasterPasswordAnswer::Submitted;
    }
    return MasterPasswordAnswer::NotNow;
}

void CliPasswordUi::ShowDatabaseError(const std::string& detail)
{
    Say(kDatabaseErrorMessage);
    Say(detail.c_str());
}
