// SPDX-License-Identifier: GPL-3.0-or-later
// TMainWin: processing the selected files of a list, one password per file, list or session.
#include "MainWin.h"

#include "FileCryptor.h"
#include "StatusBar.h"
#include "TKV_DirCryptor.h"
#include "TKV_PrgState.h"
#include "TKV_Pwd.h"
#include "TKV_PwdTable.h"
#include "TPasswordPrompt.h"
#include "WindowCryptUi.h"

#include <QToolButton>
#include <QTreeView>

namespace {

// Marks the whole list run, prompts between files included, so that work started by a timer (the
// re-encryption of files whose application ended) waits for it. Commands refuse while it is set,
// as they do while a file is processed; the user sees no difference, since a prompt is modal.
class ListRunMark
{
public:
    explicit ListRunMark(TKV_BusySet& busy) : busy_(busy), owner_(!busy.Contains(psListRun))
    {
        busy_.Include(psListRun);
    }
    ~ListRunMark()
    {
        if (owner_) busy_.Exclude(psListRun);
    }
    ListRunMark(const ListRunMark&) = delete;
    ListRunMark& operator=(const ListRunMark&) = delete;

private:
    TKV_BusySet& busy_;
    bool owner_;
};

} // namespace

void TMainWin::ProcessFileList(int direction)
{
    const bool decrypt = direction == 1;
    QTreeView* list = decrypt ? Crypted_ListView : Source_ListView;
    TPasswordPrompt* prompt = decrypt ? static_cast<TPasswordPrompt*>(Forms.Decrypt) : Forms.Encrypt;
    const bool directoryRun = PrgState->Busy.Contains(psDirectory);
    ListRunMark mark(PrgState->Busy);

    if (prompt != nullptr) prompt->SetCancelAllShown(true);
    if (!directoryRun) {
        StopProcess_Button->setEnabled(true);
        PrgState->ListsRaised = false;
        Pwd->OneForList = false;
        RevalidatePasswords();
    }
    DirCryptor->ReadSelection(*list);
    if (directoryRun) list->clearSelection();

    const QStringList names = DirCryptor->Files;
    for (const QString& name : names) {
        const FileResult result = ProcessListFile(name, !decrypt);
        if (result.Outcome == FileOutcome::EndRun) {
            if (directoryRun) PrgState->Abort = true;
            break;
        }
        if (PrgState->Abort) break;
    }

    if (PrgState->Abort && !directoryRun) PrgState->Abort = false;
    if (!directoryRun) RevalidatePasswords();
    if (prompt != nullptr) prompt->SetCancelAllShown(false);
    if (directoryRun) return;

    if (PrgState->ListsRaised) DropLists();
    StopProcess_Button->setEnabled(false);
    if (!Pwd->Entered) PwdControls.ButtonOn = false;
    if (!PwdTable->Master.Entered) PwdTable->MasterPwdControls.ButtonOn = false;
    ApplyExpiryControls();
}

void TMainWin::CheckFileList(bool rekey)
{
    ListRunMark mark(PrgState->Busy);
    if (Forms.Decrypt != nullptr) Forms.Decrypt->SetCancelAllShown(true);
    if (rekey && Forms.Encrypt != nullptr) Forms.Encrypt->SetCancelAllShown(true);
    StopProcess_Button->setEnabled(true);
    PrgState->ListsRaised = false;
    Pwd->OneForList = false;
    cryptUi_->ForgetNewPassword();
    RevalidatePasswords();
    DirCryptor->ReadSelection(*Crypted_ListView);

    const QStringList names = DirCryptor->Files;
    for (const QString& name : names) {
        if (ProcessCheckFile(name, rekey).Outcome == FileOutcome::EndRun || PrgState->Abort) break;
    }

    PrgState->Abort = false;
    cryptUi_->ForgetNewPassword();
    RevalidatePasswords();
    if (Forms.Decrypt != nullptr) Forms.Decrypt->SetCancelAllShown(false);
    if (rekey && Forms.Encrypt != nullptr) Forms.Encrypt->SetCancelAllShown(false);
    if (PrgState->ListsRaised) DropLists();
    StopProcess_Button->setEnabled(false);
    if (!Pwd->Entered) PwdControls.ButtonOn = false;
    if (!PwdTable->Master.Entered) PwdTable->MasterPwdControls.ButtonOn = false;
    ApplyExpiryControls();
    // A new password changes no name, but the method and size columns follow the containers; the
    // status line keeps telling how the last file went.
    if (rekey) {
        const QString status = StatusBar3->PanelText(0);
        RefreshFLists();
        UpdateStatus(status);
    }
}
