// SPDX-License-Identifier: GPL-3.0-or-later
// TMainWin: opening and printing files in their applications. An encrypted file is decrypted,
// handed to its application and encrypted again once that application has ended.
#include "MainWin.h"

#include "AppLauncher.h"
#include "Container.h"
#include "FileSystem.h"
#include "QtPaths.h"
#include "ResultCodes.h"
#include "TKV_DirCryptor.h"
#include "TKV_PrgState.h"
#include "TKV_Pwd.h"
#include "WindowCryptUi.h"
#include "WorkflowMessages.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QToolButton>
#include <QTreeView>

namespace {

qint64 MonotonicMs()
{
    static QElapsedTimer clock;
    if (!clock.isValid()) clock.start();
    return clock.elapsed();
}

void ForgetPassword(SecretBytes& password)
{
    SecureZero(password.data(), password.size());
    SecretBytes().swap(password);
}

} // namespace

TKV_AppLauncher& TMainWin::Launcher()
{
    if (!launcher_) launcher_ = setup_.Launcher ? setup_.Launcher() : MakeDesktopLauncher();
    return *launcher_;
}

TKV_Launch TMainWin::OpenAssociatedApp(const QString& file, const QString& verb)
{
    UpdateStatus(QString::fromUtf8(kExecutingAppStatus));
    TKV_Launch launch = Launcher().Launch(file, verb, this);
    UpdateStatus(QString::fromUtf8(kWorkDoneStatus));
    return launch;
}

void TMainWin::Open2Click()
{
    if (RefuseWhileBusy()) return;
    ProcessDecrCmd(QStringLiteral("open"), QString());
}

void TMainWin::Print2Click()
{
    if (RefuseWhileBusy()) return;
    ProcessDecrCmd(QStringLiteral("print"), QString());
}

void TMainWin::ProcessDecrCmd(const QString& verb, const QString& path)
{
    if (PrgState->OpenCount >= kOpenFileSlots) return;
    if (path.isEmpty()) {
        // The passwords that open the files are kept for their way back.
        cryptUi_->KeepOpeningPasswords = true;
        ProcessFileList(1);
        cryptUi_->KeepOpeningPasswords = false;
    } else {
        DirCryptor->Directory = QPath(DirectoryOf(FsPath(path)));
        DirCryptor->Files = QStringList{QFileInfo(path).fileName()};
    }

    const QStringList names = DirCryptor->Files;
    const QString directory = DirCryptor->Directory;
    for (const QString& name : names) {
        if (PrgState->OpenCount >= kOpenFileSlots) break;
        const QString plainName = ShowCry ? name.left(name.size() - 4) : name;
        const QString plain = JoinQPath(directory, plainName);
        const auto opened = cryptUi_->OpeningPasswords.find(FsPath(plain));
        // Skipped or failed: the decryption has said why.
        if (GetFileKind(FsPath(plain)) != FileKind::Regular || opened == cryptUi_->OpeningPasswords.end()) continue;
        TKV_WindowCryptUi::OpeningPassword password = std::move(opened->second);
        cryptUi_->OpeningPasswords.erase(opened);

        const TKV_Launch launch = OpenAssociatedApp(plain, verb);
        if (launch.Process != nullptr) {
            CreateFileObject(plain, launch.Process, password.Password, password.Method);
        } else {
            // No plain copy may stay behind because no application took it.
            DirCryptor->Directory = directory;
            RaiseLists();
            EncrFileWith(plainName, password.Password, password.Method);
            DropLists();
            ui_->ErrorBox(WithName(kUnableToShellMessage, plain));
        }
        ForgetPassword(password.Password);
    }
    cryptUi_->ForgetOpeningPasswords();
}

void TMainWin::ProcessCmd(const QString& verb)
{
    if (RefuseWhileBusy()) return;
    DirCryptor->ReadSelection(*Source_ListView);
    for (const QString& name : std::as_const(DirCryptor->Files)) {
        const QString plain = JoinQPath(DirCryptor->Directory, name);
        // Nobody waits for this child; it is let go once started.
        const TKV_Launch launch = OpenAssociatedApp(plain, verb);
        if (launch.Process == nullptr) {
            ui_->ErrorBox(WithName(kUnableToShellMessage, plain));
            continue;
        }
        connect(launch.Process, &QProcess::finished, launch.Process, &QObject::deleteLater);
    }
}

void TMainWin::CreateFileObject(const QString& file, QProcess* process, const SecretBytes& password, int method)
{
    for (TOpenFile& slot : PrgState->OpenFiles) {
        if (slot.InUse) continue;
        slot.InUse = true;
        slot.Running = true;
        slot.Detached = false;
        slot.Process = process;
        slot.FileName = file;
        slot.Password = password;
        slot.Method = method;
        slot.StartedMs = MonotonicMs();
        ++PrgState->OpenCount;
        break;
    }
    if (PrgState->OpenCount > 0) NotifyOpenFiles_Timer.start();
}

void TMainWin::NotifyOpenFiles()
{
    for (int index = 0; index < kOpenFileSlots; ++index) {
        TOpenFile& slot = PrgState->OpenFiles[static_cast<std::size_t>(index)];
        if (!slot.InUse) continue;
        if (slot.Running && (slot.Process == nullptr || slot.Process->state() == QProcess::NotRunning)) {
            slot.Running = false;
            // Gone at once: it most likely handed the file to an instance already running, which
            // still shows it. Encrypting and wiping now would pull the file from under that
            // application, and its next save would leave a plain copy.
            if (MonotonicMs() - slot.StartedMs < kHandOverMs) slot.Detached = true;
        }
        if (slot.Running || slot.Detached || !PrgState->Busy.Empty()) continue;
        EncryptOpenFile(index);
    }
    if (PrgState->OpenCount == 0) NotifyOpenFiles_Timer.stop();
    ShowDetachedFiles();
}

void TMainWin::NotifyOpenFiles_TimerTimer()
{
    NotifyOpenFiles();
}

void TMainWin::EncryptAgainNow()
{
    if (RefuseWhileBusy()) return;
    for (int index = 0; index < kOpenFileSlots; ++index) {
        const TOpenFile& slot = PrgState->OpenFiles[static_cast<std::size_t>(index)];
        if (slot.InUse && slot.Detached) EncryptOpenFile(index);
    }
    if (PrgState->OpenCount == 0) NotifyOpenFiles_Timer.stop();
    ShowDetachedFiles();
}

void TMainWin::EncryptOpenFile(int index)
{
    TOpenFile& slot = PrgState->OpenFiles[static_cast<std::size_t>(index)];
    const QString file = slot.FileName;
    SecretBytes password = std::move(slot.Password);
    const int method = slot.Method;
    if (slot.Process != nullptr) slot.Process->deleteLater();
    ForgetPassword(slot.Password);
    slot = TOpenFile{};
    --PrgState->OpenCount;

    PrgState->Busy.Include(psEncrypting);
    DirCryptor->Files.clear();
    DirCryptor->Directory = QPath(DirectoryOf(FsPath(file)));
    RaiseLists();
    EncrFileWith(QFileInfo(file).fileName(), password, method);
    DropLists();
    PrgState->Busy.Exclude(psEncrypting);
    ForgetPassword(password);
}

bool TMainWin::EncrFileWith(const QString& name, const SecretBytes& password, int method)
{
    // The engine object holds the user's current password; the file's own goes in for this one file.
    SecretBytes held = Pwd->Password;
    const std::int32_t heldLength = Pwd->PwdLength;
    Pwd->SetScrambledPassword(password);
    FileJob job = PrepareFileJob(name, true);
    job.Method = method;
    LastEngineResult = kResultOk;
    const FileResult result = cryptor_->Work(job, {});
    Pwd->SetScrambledPassword(held);
    Pwd->PwdLength = heldLength;
    ForgetPassword(held);
    return result.TargetWritten();
}

void TMainWin::ShowDetachedFiles()
{
    QStringList files;
    for (const TOpenFile& slot : PrgState->OpenFiles)
        if (slot.InUse && slot.Detached) files.append(slot.FileName);
    encryptAgainItem_->setVisible(!files.isEmpty());
    EncryptAgain_Button->setToolTip(files.isEmpty() ? QString()
                                                    : QString::fromUtf8(kStillOpenTip) + QLatin1Char('\n') +
                                                          files.join(QLatin1Char('\n')));
}
