// SPDX-License-Identifier: GPL-3.0-or-later
// The window's answers to FileCryptor: its prompts, message boxes, status line, progress panels and
// lists.
#pragma once

#include "Container.h"
#include "FileCryptor.h"
#include "MainWin.h"
#include "QtPaths.h"
#include "ResultCodes.h"
#include "TKV_PrgState.h"
#include "TKV_PwdTable.h"
#include "TPasswordPrompt.h"
#include "WorkflowMessages.h"

#include <QProgressBar>

#include <map>
#include <string>

// For the file of the entry `Current`.
class TKV_WindowCryptUi : public IFileCryptUi
{
public:
    explicit TKV_WindowCryptUi(TMainWin& w) : w_(w) {}

    // The file as its list shows it, the target's entry as its list shows it, and whether the lists
    // show the operation's directory: another one (command line, re-encryption after an application
    // ended) must not touch the entries of the shown one, not even the overwritten one.
    struct Entry
    {
        QString Name;
        QString TargetCaption;
        bool ListsShowDirectory = true;
    };
    Entry Current;

    // While set, each successful decryption keeps the password (scrambled) and method that opened
    // the file, by the plain file's path, so that the file can go back into its container with them.
    bool KeepOpeningPasswords = false;
    struct OpeningPassword
    {
        SecretBytes Password;
        int Method = 0;
    };
    std::map<std::string, OpeningPassword> OpeningPasswords;
    void ForgetOpeningPasswords()
    {
        for (auto& [path, opening] : OpeningPasswords)
            SecureZero(opening.Password.data(), opening.Password.size());
        OpeningPasswords.clear();
    }

    // A new password given for the rest of the list ("one for the list" in its prompt).
    void ForgetNewPassword()
    {
        SecureZero(newForList_.data(), newForList_.size());
        newForList_.clear();
    }

    PasswordStep ObtainNewPassword(FileJob& job, TKV_Pwd& fresh) override
    {
        job.Method = w_.DefaultMethod;
        if (!newForList_.empty()) {
            fresh.SetScrambledPassword(newForList_);
            return PasswordStep::Ready;
        }
        const int answer = w_.PromptForNewPassword(Current.Name, fresh);
        if (answer == prSkip) return PasswordStep::Skip;
        if (answer == prCancelAll) return PasswordStep::CancelAll;
        if (fresh.OneForList) newForList_ = fresh.Password;
        return PasswordStep::Ready;
    }

    void CheckEnded(const FileJob& job, int engineResult) override
    {
        if (engineResult != kResultOk) {
            w_.ShowEngineError(engineResult, Current.Name);
        } else if (job.Kind == FileJob::Check::Verify) {
            w_.Interaction().InfoBox(WithName(kIntactMessage, Current.Name));
        } else {
            // Told in a box as well: the status line gives way to "Idle." as soon as the lists are
            // read again after the container was replaced.
            w_.UpdateStatus(WithName(kPasswordChangedStatus, Current.Name));
            w_.Interaction().InfoBox(WithName(kPasswordChangedStatus, Current.Name));
        }
    }

    void NewPasswordNotStored(const FileJob&) override
    {
        w_.Interaction().ErrorBox(WithName(kNewPasswordNotSavedMessage, Current.Name));
    }

    PasswordStep ObtainPassword(const FileJob& job) override
    {
        const int answer = job.Encrypting ? w_.PromptToEncrypt(Current.Name) : w_.PromptToDecrypt(Current.Name);
        if (answer == prSkip) return PasswordStep::Skip;
        if (answer == prCancelAll) return PasswordStep::CancelAll;
        return PasswordStep::Ready;
    }

    void PasswordSettled(const FileJob&) override
    {
        if (!w_.PrgState->ListsRaised) w_.RaiseLists();
    }

    bool StorePasswordWanted() override { return w_.PrgState->SavePassword; }
    void DatabaseWillBeWritten() override { w_.MakeDefaultDatabaseFolder(); }

    // The password table may have asked for the master password. "Do not use at all" switched the
    // database off, and with it the wish to save passwords; the expiry controls follow the master's state.
    void AfterDatabaseRequest() override
    {
        if (!w_.PwdTable->Master.Store) w_.PrgState->SavePassword = false;
        w_.ApplyExpiryControls();
    }

    void PasswordNotStorable(const FileJob&) override
    {
        w_.Interaction().ErrorBox(WithName(kPasswordNotSavedNotEncryptedMessage, Current.Name));
    }
    void PasswordNotStored(const FileJob&) override
    {
        w_.Interaction().ErrorBox(WithName(kPasswordNotSavedPlainKeptMessage, Current.Name));
    }

    bool MayOverwrite(const FileJob& job) override
    {
        return w_.Interaction().InfoOkCancel(
            WithName(job.Encrypting ? kOverwriteCryptedQuestion : kOverwritePlainQuestion, QPath(job.Target)));
    }

    // Not asked for: the window asks about every existing target.
    void TargetRefused(const FileJob& job) override { w_.ShowEngineError(kResultTargetAppeared, QPath(job.Target)); }

    void WorkStarting(const FileJob& job) override
    {
        const char* status = job.Encrypting ? kEncryptingStatus : kDecryptingStatus;
        if (job.Kind == FileJob::Check::Verify) status = kVerifyingStatus;
        if (job.Kind == FileJob::Check::Rekey) status = kRekeyingStatus;
        w_.UpdateStatus(WithName(status, Current.Name));
        w_.PrgState->Busy.Include(job.Encrypting ? psEncrypting : psDecrypting);
        w_.StartProcessTimer();
    }

    void WorkEnded(const FileJob& job, int engineResult) override
    {
        if (KeepOpeningPasswords && !job.Encrypting && job.Kind == FileJob::Check::None && engineResult == kResultOk) {
            // The engine still holds the password that opened the file, a stored one included.
            OpeningPassword& opening = OpeningPasswords[job.Target];
            opening.Password = w_.Pwd->Password;
            opening.Method = ReadContainerInfo(job.Source).method;
        }
        w_.StopProcessTimer();
        if (engineResult == kResultOk) w_.ShowFinishedProgress(job.Encrypting);
        w_.PrgState->Busy.Exclude(job.Encrypting ? psEncrypting : psDecrypting);
        w_.LastEngineResult = engineResult;
        w_.UpdateStatus(QString::fromUtf8(kWorkDoneStatus));
        w_.ProgressBar1->setValue(w_.ProgressBar1->minimum());
        w_.ProgressBar2->setValue(w_.ProgressBar2->minimum());
    }

    void TargetInPlace(const FileJob& job, bool replaced) override
    {
        if (replaced && Current.ListsShowDirectory)
            w_.DeleteListItem(job.Encrypting ? w_.Crypted_ListView : w_.Source_ListView, Current.TargetCaption);
    }

    void Removing(const std::string& path, bool wiping) override
    {
        w_.UpdateStatus(WithName(wiping ? kWipingStatus : kDeletingStatus, QPath(path)));
    }

    void RemovalEnded(const std::string& path, int result) override
    {
        w_.UpdateStatus(QString::fromUtf8(kWorkDoneStatus));
        if (result == kResultRemovedNotWiped)
            w_.Interaction().InfoBox(QString::fromStdString(EngineErrorMessage(result, path)));
    }

    void SourceNotRemoved(const FileJob& job, const std::string&) override
    {
        if (job.Encrypting)
            w_.Interaction().ErrorBox(WithName(kPlainNotRemovedMessage, Current.Name));
        else
            w_.Interaction().ErrorBox(WithName(kCryptedNotRemovedMessage, QPath(job.Source)));
    }

    void Finished(const FileJob& job, bool sourceKept) override
    {
        if (Current.ListsShowDirectory) w_.UpdateFLists(Current.Name, job.Encrypting ? 0 : 1, sourceKept);
    }

    void SourceMissing(const FileJob& job) override
    {
        w_.Interaction().ErrorBox(WithName(kFileNotFoundMessage, QPath(job.Source)));
    }

    void EngineError(int code, const std::string& subject) override { w_.ShowEngineError(code, QPath(subject)); }

private:
    TMainWin& w_;
    SecretBytes newForList_;
};
