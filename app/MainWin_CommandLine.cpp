// SPDX-License-Identifier: GPL-3.0-or-later
// TMainWin: the command line. Switches act on the files named after them; each file is encrypted or
// decrypted by its extension alone, and with "/open" or "/print" a decrypted file goes to its
// application.
#include "MainWin.h"

#include "FileCryptor.h"
#include "FileSystem.h"
#include "Keys.h"
#include "PasswordText.h"
#include "QtPaths.h"
#include "TKV_DirCryptor.h"
#include "TKV_PrgState.h"
#include "TKV_Pwd.h"
#include "TKV_PwdTable.h"
#include "WindowCryptUi.h"

#include <QDir>
#include <QFileInfo>
#include <QMetaObject>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

// A password from the command line, held scrambled; it counts as entered from six characters on.
void TakeCommandLinePassword(TKV_Pwd& pwd, const QString& value)
{
    const QByteArray utf8 = value.toUtf8();
    const std::string_view text(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    pwd.SetPassword(text);
    pwd.Entered = CharacterCount(text) >= kMinPasswordChars;
}

} // namespace

void TMainWin::ProcessParameters()
{
    const QStringList& arguments = Arguments();
    if (arguments.isEmpty()) return;

    RememberCommandLineSettings();
    QString currentCommand;
    bool stopped = false;
    for (const QString& argument : arguments) {
        const QString lower = argument.toLower();
        if (lower == QLatin1String("/open") || lower == QLatin1String("/print") || lower == QLatin1String("/encrypt") ||
            lower == QLatin1String("/decrypt")) {
            currentCommand = lower;
        } else if (lower == QLatin1String("/des")) {
            DefaultMethod = kMethodDes;
        } else if (lower == QLatin1String("/idea")) {
            DefaultMethod = kMethodIdea;
        } else if (lower == QLatin1String("/3xdes")) {
            DefaultMethod = kMethodTripleDes;
        } else if (lower.startsWith(QLatin1String("/pass:"))) {
            TakeCommandLinePassword(*Pwd, argument.mid(6));
            if (Pwd->Entered) PasswordAccepted(*Pwd, Pwd->OnePassword, PwdControls);
        } else if (lower.startsWith(QLatin1String("/masterpass:"))) {
            TakeCommandLinePassword(PwdTable->Master, argument.mid(12));
            PwdTable->Master.Store = true;
        } else if (lower == QLatin1String("/usekeyfile")) {
            PrgState->SavePassword = true;
            PwdTable->Master.Store = true;
        } else if (!ProcessCommandLineFile(argument, currentCommand)) {
            stopped = true;
            break;
        }
    }
    RestoreCommandLineSettings();
    ApplyExpiryControls();
    // Files still open in their applications keep the window, which encrypts them when they end.
    if (!stopped && PrgState->OpenCount == 0) QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

bool TMainWin::ProcessCommandLineFile(const QString& argument, const QString& currentCommand)
{
    const qsizetype slash = argument.lastIndexOf(QLatin1Char('/'));
    if (slash >= 0) {
        // Relative directories are taken from the current directory, which the earlier arguments set.
        const QString directoryPart = slash == 0 ? QStringLiteral("/") : argument.left(slash);
        if (::chdir(FsPath(directoryPart).c_str()) != 0) {
            const int error = errno;
            ui_->ErrorBox(directoryPart + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error)));
            return false;
        }
        // The tree and the lists follow, so that the files' entries move as the work goes.
        ShowDirectory(QDir::currentPath());
        User_DirectoryListBoxChange();
    }
    DirCryptor->Directory = QDir::currentPath();
    DirCryptor->Files.clear();
    QString name = argument.mid(slash + 1);
    const bool crypted = name.endsWith(QLatin1String(".cry"), Qt::CaseInsensitive);
    if (!crypted) {
        // Cancel All skips only this file; the next argument is still done.
        ProcessListFile(name, true);
        if (PrgState->ListsRaised) DropLists();
        return true;
    }
    // The Crypted list names a container without its extension when ShowCry is off.
    if (!ShowCry) name.chop(4);
    const bool opening = currentCommand == QLatin1String("/open") || currentCommand == QLatin1String("/print");
    cryptUi_->KeepOpeningPasswords = opening;
    ProcessListFile(name, false);
    cryptUi_->KeepOpeningPasswords = false;
    if (PrgState->ListsRaised) DropLists();
    ApplyExpiryControls();
    if (opening) ProcessDecrCmd(currentCommand.mid(1), JoinQPath(DirCryptor->Directory, name));
    cryptUi_->ForgetOpeningPasswords();
    return true;
}
