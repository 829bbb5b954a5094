// SPDX-License-Identifier: GPL-3.0-or-later
// The password core's dialogs, as kelvane-cli asks them: the master password from a file or the
// terminal, and the database error on standard error.
#pragma once

#include "IPasswordUi.h"

#include <atomic>
#include <optional>
#include <string>

class CliPasswordUi : public IPasswordUi
{
public:
    // `masterFile`: a path or "-" to read the master password from; otherwise the terminal is asked.
    // `stop`, when set, ends the reading of a master password.
    explicit CliPasswordUi(std::optional<std::string> masterFile, const std::atomic<bool>* stop = nullptr)
        : masterFile_(std::move(masterFile)), stop_(stop)
    {
    }

    MasterPasswordAnswer ShowMasterPasswordDialog(TKV_PwdTable& table) override;
    void ShowDatabaseError(const std::string& detail) override;

    // True when the last dialog ended on a wrong master password.
    bool WrongPassword() const noexcept { return wrongPassword_; }

private:
    // A master password from a file meets the dialog's length rules when it makes a new database.
    MasterPasswordAnswer SubmitFromFile(TKV_PwdTable& table);

    std::optional<std::string> masterFile_;
    const std::atomic<bool>* stop_;
    bool wrongPassword_ = false;
};
