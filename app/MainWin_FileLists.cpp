// SPDX-License-Identifier: GPL-3.0-or-later
// TMainWin: processing the selected files of a list, one password per file, list or session.
#include "MainWin.h"

#include "PromptRules.h"
#include "ResultCodes.h"
#include "TKV_DirCryptor.h"
#include "TKV_PrgState.h"
#include "TKV_Pwd.h"
#include "TKV_PwdTable.h"
#include "TPasswordPrompt.h"
#include "WorkflowMessages.h"

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

// The password table may have asked for the master password. "Do not use at all" switched the
// database off, and with it the wish to save passwords; the expiry controls follow the master's state.
void AfterTableRequest(TMainWin& w)
{
    if (!w.PwdTable->Master.Store) w.PrgState->SavePassword = false;
    w.ApplyExpiryControls();
}

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
        const QString path = JoinQPath(DirCryptor->Directory, name);
        // A link, pipe or device is refused before the user types a password for it.
        const QString source = decrypt ? JoinQPath(DirCryptor->Directory, CryptedFileName(name)) : path;
        if (!SourceIsUsable(source, name)) {
            if (PrgState->Abort) break;
            continue;
        }
        if (decrypt) {
            QString plain = path;
            if (ShowCry) plain.chop(4);
            // A stored password serves this one file; the engine object gets its own back afterwards.
            RecalledPassword recalled = PwdTable->RecallPassword(plain.toStdString(), *Pwd);
            AfterTableRequest(*this);
            if (!recalled) {
                const int result = PromptToDecrypt(name);
                if (result == prSkip) continue;
                if (result == prCancelAll) {
                    if (directoryRun) PrgState->Abort = true;
                    break;
                }
            }
            if (!PrgState->ListsRaised) RaiseLists();
            const bool stored = static_cast<bool>(recalled);
            bool decrypted = DecrFile(name, {stored, false});
            if (!decrypted && stored && LastEngineResult == kResultWrongPassword && !PrgState->Abort) {
                // The stored password does not open the file (a container replaced since, an older
                // database): the user is asked as if none were stored, or the file stays locked.
                recalled.Withdraw();
                const int result = PromptToDecrypt(name);
                if (result == prSkip) continue;
                if (result == prCancelAll) {
                    if (directoryRun) PrgState->Abort = true;
                    break;
                }
                decrypted = DecrFile(name, {false, true});
            }
            // The stored entry goes only once the file it protects is back.
            if (decrypted && stored) recalled.Confirm();
        } else {
            const int result = PromptToEncrypt(name);
            if (result == prSkip) continue;
            if (result == prCancelAll) {
                if (directoryRun) PrgState->Abort = true;
                break;
            }
            std::function<bool()> storePassword;
            if (PrgState->SavePassword) {
                // The user relies on the database for this password: it must be able to take it before
                // the plain file is touched.
                MakeDefaultDatabaseFolder();
                const StoreReadiness ready = PwdTable->PrepareToStore();
                AfterTableRequest(*this);
                if (ready != StoreReadiness::Ready) {
                    Interaction().ErrorBox(WithName(kPasswordNotSavedNotEncryptedMessage, name));
                    if (directoryRun) PrgState->Abort = true;
                    break;
                }
                // Stored only once the container it opens is there: a refused, declined or failed
                // encryption would otherwise replace the password of a container left as it was. Without
                // it stored, the plain file stays.
                storePassword = [this, &path, &name] {
                    const bool stored = PwdTable->RememberPassword(path.toStdString(), *Pwd);
                    AfterTableRequest(*this);
                    if (!stored) Interaction().ErrorBox(WithName(kPasswordNotSavedPlainKeptMessage, name));
                    return stored;
                };
            }
            if (!PrgState->ListsRaised) RaiseLists();
            EncrFile(name, std::move(storePassword));
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
