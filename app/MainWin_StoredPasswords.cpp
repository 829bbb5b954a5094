// SPDX-License-Identifier: GPL-3.0-or-later
// TMainWin: File > Stored passwords..., the files whose passwords the database holds, and removing
// entries: those of files the user gave up, and those whose encrypted file is gone.
#include "MainWin.h"

#include "FileSystem.h"
#include "QtPaths.h"
#include "TKV_PrgState.h"
#include "TKV_PwdTable.h"
#include "TStoredPwd_Form.h"

namespace {

const char kStoreOffText[] =
    "Passwords are not stored on disk.\nTurn on \"Store passwords on disk\" in File > Options... to see the stored "
    "passwords.";

QString RemoveOneQuestion(const std::string& name)
{
    return QStringLiteral(
               "Remove the stored password of \"%1\"?\nThe file can then be decrypted only with its password "
               "typed.")
        .arg(TStoredPwd_Form::ShownName(name));
}

QString RemoveSeveralQuestion(std::size_t count)
{
    return QStringLiteral("Remove the stored passwords of %1 files?\nThese files can then be decrypted only with their "
                          "passwords typed.")
        .arg(count);
}

QString RemoveMissingQuestion(int count)
{
    return QStringLiteral("Remove the stored password%1 of the %2 file%1 whose encrypted file is missing?\nA file that "
                          "was only moved elsewhere loses its stored password too.")
        .arg(count == 1 ? QString() : QStringLiteral("s"))
        .arg(count);
}

QString RemovedStatus(std::size_t count)
{
    if (count == 0) return QStringLiteral("No stored password was removed.");
    return QStringLiteral("Removed the stored password%1 of %2 file%1.")
        .arg(count == 1 ? QString() : QStringLiteral("s"))
        .arg(count);
}

} // namespace

void TMainWin::StoredPwd_MenuItemClick()
{
    if (RefuseWhileBusy()) return;
    TStoredPwd_Form* form = Forms.StoredPwd_Form;
    if (form == nullptr) return;
    // Nothing is asked while the database is off: no master password, no countdown, no expire button.
    if (!PwdTable->Master.Store) {
        ui_->InfoBox(QString::fromUtf8(kStoreOffText));
        return;
    }
    // An expired master password is asked for anew, as the next work with the database would.
    if (PwdTable->Master.Expired) PwdTable->Master.ClearPassword();
    if (!PwdTable->Master.Entered) PromptForMasterPassword();
    if (!PwdTable->Master.Entered) return;
    if (!ShowStoredNames(false)) return;
    ui_->ExecDialog(*form);
}

bool TMainWin::ShowStoredNames(bool keepPlace)
{
    std::vector<StoredName> names;
    const int code = PwdTable->ListStoredNames(names);
    // No database yet: nothing has been stored.
    const bool none = code == kResultCannotOpen && GetFileKind(PwdTable->Master.Dir) == FileKind::Missing;
    if (code != kResultOk && !none) {
        ui_->ShowDatabaseError(PwdTable->FailureDetail());
        return false;
    }
    Forms.StoredPwd_Form->ShowNames(names, QPath(PwdTable->Master.Dir), keepPlace);
    return true;
}

void TMainWin::RemoveStoredPasswords(const std::vector<std::string>& names)
{
    if (names.empty()) return;
    const QString question = names.size() == 1 ? RemoveOneQuestion(names.front()) : RemoveSeveralQuestion(names.size());
    if (!ui_->ConfirmOkCancel(question)) return;
    NameRemoval removal;
    if (PwdTable->RemoveStoredNames(names, removal) != kResultOk)
        ui_->ShowDatabaseError(PwdTable->FailureDetail());
    else
        UpdateStatus(RemovedStatus(removal.Removed.size()));
    if (!ShowStoredNames(true)) Forms.StoredPwd_Form->reject();
}

void TMainWin::RemoveMissingStoredPasswords()
{
    const int missing = Forms.StoredPwd_Form->MissingCount();
    if (missing == 0) return;
    if (!ui_->ConfirmOkCancel(RemoveMissingQuestion(missing))) return;
    NameRemoval removal;
    // Decided anew on disk: a container that came back meanwhile keeps its entry.
    if (PwdTable->PruneStoredNames(removal) != kResultOk)
        ui_->ShowDatabaseError(PwdTable->FailureDetail());
    else
        UpdateStatus(RemovedStatus(removal.Removed.size()));
    if (!ShowStoredNames(true)) Forms.StoredPwd_Form->reject();
}
