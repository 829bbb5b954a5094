// SPDX-License-Identifier: GPL-3.0-or-later
// TMainWin: encrypting and decrypting one file of the operation's directory, and the user's words
// for the engine's result codes.
#include "MainWin.h"

#include "FileSystem.h"
#include "ResultCodes.h"
#include "TKV_DirCryptor.h"
#include "TKV_PrgState.h"
#include "TKV_Pwd.h"
#include "WorkflowMessages.h"

#include <QFile>
#include <QProgressBar>
#include <QTreeView>

#include <functional>

namespace {

// What differs between the two directions of one file's work.
struct TKV_OneFileJob
{
    QString Name;   // as the list shows it
    QString Source; // full paths
    QString Target;
    bool Encrypting = true;
    // The target's entry as its list shows it, removed when the target is overwritten.
    QString TargetCaption;
    TKV_DecrTry Attempt;
    // Asked once the target is in place; false keeps the source, the user having been told why.
    std::function<bool()> SourceMayGo;
};

bool ProcessOneFile(TMainWin& w, const TKV_OneFileJob& job)
{
    TKV_Interaction& ui = w.Interaction();
    TKV_PrgState& state = *w.PrgState;
    w.LastEngineResult = kResultOk;
    const std::string sourcePath = FsPath(job.Source);
    const std::string targetPath = FsPath(job.Target);

    // Refused before anything is touched: attributes set through a link would land on the file it
    // points to.
    if (!w.SourceIsUsable(job.Source, job.Name)) return false;
    state.TargetExisted = false;
    if (GetFileKind(targetPath) != FileKind::Missing) {
        if (!job.Attempt.OverwriteAgreed &&
            !ui.InfoOkCancel(
                WithName(job.Encrypting ? kOverwriteCryptedQuestion : kOverwritePlainQuestion, job.Target)))
            return false;
        state.TargetExisted = true;
    }

    const FileAttributes attributes = GetFileAttributes(sourcePath);
    SetArchiveOnly(sourcePath);
    w.UpdateStatus(WithName(job.Encrypting ? kEncryptingStatus : kDecryptingStatus, job.Name));

    const TKV_PrgAction action = job.Encrypting ? psEncrypting : psDecrypting;
    state.Busy.Include(action);
    w.StartProcessTimer();
    // Only a target the user agreed to overwrite may be replaced; one that appears meanwhile is kept.
    const bool mayReplace = state.TargetExisted;
    const int code = job.Encrypting ? w.Pwd->EncryptFile(sourcePath, w.DefaultMethod, mayReplace)
                                    : w.Pwd->DecryptFile(sourcePath, mayReplace);
    w.StopProcessTimer();
    if (code == kResultOk) w.ShowFinishedProgress(job.Encrypting);
    state.Busy.Exclude(action);
    w.LastEngineResult = code;

    w.UpdateStatus(QString::fromUtf8(kWorkDoneStatus));
    w.ProgressBar1->setValue(w.ProgressBar1->minimum());
    w.ProgressBar2->setValue(w.ProgressBar2->minimum());

    if (code != kResultOk) {
        // The engine left a target that stood there before untouched; it keeps its own attributes.
        if (!(job.Attempt.StoredPassword && code == kResultWrongPassword))
            w.ShowEngineError(code, code == kResultTargetAppeared ? job.Target : job.Name);
        return false;
    }
    SetFileAttributes(targetPath, attributes);

    // Another directory than the one shown (command line, re-encryption after an application
    // ended): its names must not touch the entries of the shown one, not even the overwritten one.
    const bool listsShowDirectory = w.TreeDirectory() == w.DirCryptor->Directory;
    if (state.TargetExisted && listsShowDirectory)
        w.DeleteListItem(job.Encrypting ? w.Crypted_ListView : w.Source_ListView, job.TargetCaption);

    if (job.SourceMayGo && !job.SourceMayGo()) {
        if (listsShowDirectory) w.UpdateFLists(job.Name, job.Encrypting ? 0 : 1, true);
        return true;
    }

    // What goes must be the very file that was read, unchanged: another run may have put a new file
    // under its name, or a program may have added to it.
    if (const int changed = w.Pwd->CheckSourceUnchanged(); changed != kResultOk) {
        w.ShowEngineError(changed, job.Encrypting ? job.Name : job.Source);
        if (listsShowDirectory) w.UpdateFLists(job.Name, job.Encrypting ? 0 : 1, true);
        return true;
    }

    // The engine returned only once its output was on disk; only now may the source go. It gets its
    // permissions back first: other names (hard links) that keep its data share them.
    SetFileAttributes(sourcePath, attributes);
    const bool removed = w.RemoveFile(job.Source, job.Encrypting);
    if (!removed) {
        if (job.Encrypting)
            ui.ErrorBox(WithName(kPlainNotRemovedMessage, job.Name));
        else
            ui.ErrorBox(WithName(kCryptedNotRemovedMessage, job.Source));
    }

    if (listsShowDirectory) w.UpdateFLists(job.Name, job.Encrypting ? 0 : 1, !removed);
    return true;
}

} // namespace

bool TMainWin::EncrFile(const QString& name, std::function<bool()> sourceMayGo)
{
    TKV_OneFileJob job;
    job.SourceMayGo = std::move(sourceMayGo);
    job.Name = name;
    job.Source = JoinQPath(DirCryptor->Directory, name);
    job.Target = JoinQPath(DirCryptor->Directory, name + QStringLiteral(".cry"));
    job.Encrypting = true;
    job.TargetCaption = ShowCry ? name + QStringLiteral(".cry") : name;
    return ProcessOneFile(*this, job);
}

bool TMainWin::DecrFile(const QString& name, TKV_DecrTry attempt)
{
    // With ShowCry on the list names the container itself; off, the plain file it gives.
    const QString plainName = ShowCry ? name.left(name.size() - 4) : name;
    TKV_OneFileJob job;
    job.Name = name;
    job.Source = JoinQPath(DirCryptor->Directory, CryptedFileName(name));
    job.Target = JoinQPath(DirCryptor->Directory, plainName);
    job.Encrypting = false;
    job.TargetCaption = plainName;
    job.Attempt = attempt;
    return ProcessOneFile(*this, job);
}

bool TMainWin::SourceIsUsable(const QString& path, const QString& name)
{
    const FileKind kind = GetFileKind(FsPath(path));
    if (kind == FileKind::Missing) {
        ui_->ErrorBox(WithName(kFileNotFoundMessage, path));
        return false;
    }
    if (kind != FileKind::Regular) {
        ShowEngineError(kResultNotRegularFile, name);
        return false;
    }
    return true;
}

QString TMainWin::CryptedFileName(const QString& caption) const
{
    if (ShowCry) return caption;
    // The extension is recognised in any letter case, so "b" may stand for b.CRY.
    if (TreeDirectory() == DirCryptor->Directory) return FileOfListItem(Crypted_ListView, caption);
    // Another directory than the lists show: its spelling is looked up on disk, lower case first.
    const QString lower = caption + QStringLiteral(".cry");
    if (GetFileKind(FsPath(JoinQPath(DirCryptor->Directory, lower))) != FileKind::Missing) return lower;
    for (int mask = 1; mask < 8; ++mask) {
        QString spelled = caption + QStringLiteral(".");
        spelled += (mask & 1) != 0 ? QLatin1Char('C') : QLatin1Char('c');
        spelled += (mask & 2) != 0 ? QLatin1Char('R') : QLatin1Char('r');
        spelled += (mask & 4) != 0 ? QLatin1Char('Y') : QLatin1Char('y');
        if (GetFileKind(FsPath(JoinQPath(DirCryptor->Directory, spelled))) != FileKind::Missing) return spelled;
    }
    return lower;
}

void TMainWin::ShowEngineError(int code, const QString& name)
{
    const std::string text = EngineErrorMessage(code, name.toStdString(), true);
    if (text.empty()) return;
    const QString message = QString::fromStdString(text);
    if (EngineErrorOffersAll(code)) {
        if (ui_->ErrorOkAll(message)) PrgState->Abort = true;
    } else {
        ui_->ErrorBox(message);
    }
}
