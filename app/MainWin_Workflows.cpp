// SPDX-License-Identifier: GPL-3.0-or-later
// TMainWin: encrypting and decrypting one file of the operation's directory, and the user's words
// for the engine's result codes. What happens to the file is FileCryptor's; the window answers its
// questions with its dialogs, status line, progress panels and lists.
#include "MainWin.h"

#include "FileSystem.h"
#include "ResultCodes.h"
#include "TKV_DirCryptor.h"
#include "TKV_PrgState.h"
#include "TKV_Pwd.h"
#include "TKV_PwdTable.h"
#include "WindowCryptUi.h"
#include "WorkflowMessages.h"

#include <QFile>
#include <QProgressBar>
#include <QTreeView>

FileJob TMainWin::PrepareFileJob(const QString& name, bool encrypting)
{
    TKV_WindowCryptUi::Entry entry;
    entry.Name = name;
    entry.ListsShowDirectory = TreeDirectory() == DirCryptor->Directory;
    FileJob job;
    job.Name = FsPath(name);
    job.Encrypting = encrypting;
    if (encrypting) {
        job.Source = FsPath(JoinQPath(DirCryptor->Directory, name));
        job.Target = job.Source + ".cry";
        job.Method = DefaultMethod;
        entry.TargetCaption = ShowCry ? name + QStringLiteral(".cry") : name;
    } else {
        // With ShowCry on the list names the container itself; off, the plain file it gives.
        const QString plainName = ShowCry ? name.left(name.size() - 4) : name;
        job.Source = FsPath(JoinQPath(DirCryptor->Directory, CryptedFileName(name)));
        job.Target = FsPath(JoinQPath(DirCryptor->Directory, plainName));
        entry.TargetCaption = plainName;
    }
    cryptUi_->Current = entry;
    return job;
}

FileResult TMainWin::ProcessListFile(const QString& name, bool encrypting)
{
    const FileJob job = PrepareFileJob(name, encrypting);
    LastEngineResult = kResultOk;
    const FileResult result = cryptor_->Process(job);
    PrgState->TargetExisted = result.TargetExisted;
    return result;
}

FileResult TMainWin::ProcessCheckFile(const QString& name, bool rekey)
{
    FileJob job = PrepareFileJob(name, false);
    job.Kind = rekey ? FileJob::Check::Rekey : FileJob::Check::Verify;
    job.Method = DefaultMethod;
    LastEngineResult = kResultOk;
    return rekey ? cryptor_->Rekey(job) : cryptor_->Verify(job);
}

bool TMainWin::WorkOnFile(const QString& name, bool encrypting)
{
    const FileJob job = PrepareFileJob(name, encrypting);
    LastEngineResult = kResultOk;
    const FileResult result = cryptor_->Work(job, {});
    PrgState->TargetExisted = result.TargetExisted;
    return result.TargetWritten();
}

bool TMainWin::EncrFile(const QString& name)
{
    return WorkOnFile(name, true);
}

bool TMainWin::DecrFile(const QString& name)
{
    return WorkOnFile(name, false);
}

void TMainWin::CreateFileCryptor()
{
    cryptUi_ = std::make_unique<TKV_WindowCryptUi>(*this);
    cryptor_ = std::make_unique<FileCryptor>(*Pwd, *PwdTable, *cryptUi_);
    cryptor_->WipeOverride = setup_.WipeFile;
}

void TMainWin::FreeFileCryptor()
{
    cryptor_.reset();
    cryptUi_.reset();
}

bool TMainWin::SourceIsUsable(const QString& path, const QString& name)
{
    FileJob job;
    job.Name = FsPath(name);
    job.Source = FsPath(path);
    return cryptor_->SourceUsable(job);
}

bool TMainWin::RemoveFile(const QString& path, bool wipe)
{
    const std::string fsPath = FsPath(path);
    cryptUi_->Removing(fsPath, wipe && GetFileKind(fsPath) == FileKind::Regular);
    const int result = cryptor_->RemoveOrWipe(fsPath, wipe);
    cryptUi_->RemovalEnded(fsPath, result);
    return result == kResultOk || result == kResultRemovedNotWiped;
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
