// SPDX-License-Identifier: GPL-3.0-or-later
// The password core's only way to reach the user. The window shows real dialogs, kelvane-cli asks
// on the terminal, tests answer from a script.
#pragma once

#include <string>

class TKV_PwdTable;

enum class MasterPasswordAnswer
{
    Submitted, // a password went to SubmitMasterPassword and was not refused as wrong
    NotNow,    // "Do not use now": not entered for this request; the next one asks again
    NotAtAll,  // "Do not use at all": the core switches the database off (Store := false)
};

class IPasswordUi
{
public:
    virtual ~IPasswordUi() = default;

    // Shows the master password dialog. Each password the user submits goes to
    // table.SubmitMasterPassword; on kResultWrongPassword the dialog says kInvalidPasswordMessage and
    // stays open, on any other code it closes with Submitted. The core applies the answer to Master.
    virtual MasterPasswordAnswer ShowMasterPasswordDialog(TKV_PwdTable& table) = 0;

    // Tells the user kDatabaseErrorMessage (an error box with OK), with `detail` (the database's path
    // and the reason, see TKV_PwdTable::FailureDetail) on a line of its own.
    virtual void ShowDatabaseError(const std::string& detail) = 0;
};
