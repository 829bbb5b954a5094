// SPDX-License-Identifier: GPL-3.0-or-later
// TMainWin: the two password prompts and the batch boundary of password expiry.
#include "MainWin.h"

#include "Container.h"
#include "Keys.h"
#include "PromptRules.h"
#include "QtPaths.h"
#include "SecureZero.h"
#include "TKV_DirCryptor.h"
#include "TKV_PrgState.h"
#include "TKV_Pwd.h"
#include "TKV_PwdTable.h"
#include "TPasswordPrompt.h"

#include <QFile>
#include <QLabel>

namespace {

// The file as the prompt's heading shows it: the directory shortened to the dialog's width.
QString PromptFileLabel(const TPasswordPrompt& dialog, const QString& directory, const QString& name)
{
    const QString shortened = ShortenDirectory(directory, dialog.FName_Label->fontMetrics(), dialog.DirectoryWidth());
    return JoinQPath(shortened, name);
}

void Wipe(QByteArray& bytes)
{
    if (!bytes.isEmpty()) SecureZero(bytes.data(), static_cast<std::size_t>(bytes.size()));
    bytes.clear();
}

// A password for the session, or for the list the file belongs to, serves without asking.
bool HeldForListOrSession(const TKV_Pwd& pwd)
{
    return pwd.Entered && (pwd.OnePassword || pwd.OneForList);
}

// What both prompts show alike: the file, and whether one password may serve the rest of the list.
TKV_PromptSetup PromptSetupFor(const TMainWin& w, const TPasswordPrompt& dialog, const QString& name)
{
    TKV_PromptSetup setup;
    setup.Name = name;
    setup.FileLabel = PromptFileLabel(dialog, w.DirCryptor->Directory, name);
    // Inside Encrypt All and Decrypt All the list is the whole run, however few files this directory has.
    setup.OneForListEnabled =
        !w.Pwd->OnePassword && (w.DirCryptor->Files.size() > 1 || w.PrgState->Busy.Contains(psDirectory));
    setup.OneForListChecked = setup.OneForListEnabled && w.OnePerList;
    setup.CancelAllShown = dialog.CancelAllShown();
    return setup;
}

// Shows the prompt. An accepted password goes, scrambled, into the engine object with its expiry,
// and the list choice is kept; the typed copy is wiped on every path.
int AskForFilePassword(TMainWin& w, TPasswordPrompt& dialog, const TKV_PromptSetup& setup, TKV_PromptAnswer& answer)
{
    const int result = w.Interaction().PasswordPrompt(dialog, setup, answer);
    if (result != prAccepted) {
        Wipe(answer.Password);
        return result;
    }
    w.Pwd->SetPassword(std::string_view(answer.Password.constData(), static_cast<std::size_t>(answer.Password.size())));
    Wipe(answer.Password);
    PasswordAccepted(*w.Pwd, w.Pwd->OnePassword, w.PwdControls);
    w.Pwd->OneForList = answer.OneForList;
    return result;
}

} // namespace

int TMainWin::PromptToEncrypt(const QString& name)
{
    if (HeldForListOrSession(*Pwd)) return prAccepted;
    if (Forms.Encrypt == nullptr) return prSkip;

    TKV_PromptSetup setup = PromptSetupFor(*this, *Forms.Encrypt, name);
    const char* method = MethodName(DefaultMethod);
    setup.MethodText = QString::fromLatin1(method != nullptr ? method : "-");
    // A method code beyond the known ones (an edited setting) gets the widest rule.
    const PasswordLimits limits = PasswordLimits::ForEncryption(DefaultMethod);
    setup.EnterText = EnterText(limits);
    setup.MaxChars = static_cast<int>(limits.MaxBytes);
    setup.SaveEnabled = PwdTable->Master.Store;
    setup.SaveChecked = setup.SaveEnabled;

    TKV_PromptAnswer answer;
    const int result = AskForFilePassword(*this, *Forms.Encrypt, setup, answer);
    if (result != prAccepted) return result;
    PrgState->SavePassword = answer.SavePassword;
    ApplyExpiryControls();
    return prAccepted;
}

int TMainWin::PromptToDecrypt(const QString& name)
{
    if (HeldForListOrSession(*Pwd)) return prAccepted;
    if (Forms.Decrypt == nullptr) return prSkip;

    TKV_PromptSetup setup = PromptSetupFor(*this, *Forms.Decrypt, name);
    // The container the entry stands for, whatever the letter case of its extension.
    const QString container = JoinQPath(DirCryptor->Directory, CryptedFileName(name));
    const ContainerInfo info = ReadContainerInfo(FsPath(container));
    setup.MethodText = QString::fromLatin1(info.tag);
    // The heading names the range of the file's method (the widest when it names none); the entry
    // takes any password up to the longest key.
    setup.EnterText = EnterText(PasswordLimits::ForEncryption(info.method));
    setup.MaxChars = static_cast<int>(PasswordLimits::ForDecryption().MaxBytes);

    TKV_PromptAnswer answer;
    const int result = AskForFilePassword(*this, *Forms.Decrypt, setup, answer);
    if (result != prAccepted) return result;
    ApplyExpiryControls();
    return prAccepted;
}

int TMainWin::PromptForNewPassword(const QString& name, TKV_Pwd& fresh)
{
    if (Forms.Encrypt == nullptr) return prSkip;
    TKV_PromptSetup setup = PromptSetupFor(*this, *Forms.Encrypt, name);
    // The session password is the old one; one new password may still serve the rest of the list.
    setup.OneForListEnabled = DirCryptor->Files.size() > 1;
    setup.OneForListChecked = setup.OneForListEnabled && OnePerList;
    const char* method = MethodName(DefaultMethod);
    setup.MethodText = QString::fromLatin1(method != nullptr ? method : "-");
    const PasswordLimits limits = PasswordLimits::ForEncryption(DefaultMethod);
    setup.EnterText = EnterText(limits);
    setup.MaxChars = static_cast<int>(limits.MaxBytes);
    setup.SaveEnabled = PwdTable->Master.Store;
    setup.SaveChecked = setup.SaveEnabled;

    TKV_PromptAnswer answer;
    const int result = Interaction().PasswordPrompt(*Forms.Encrypt, setup, answer);
    if (result != prAccepted) {
        Wipe(answer.Password);
        return result;
    }
    fresh.SetPassword(std::string_view(answer.Password.constData(), static_cast<std::size_t>(answer.Password.size())));
    Wipe(answer.Password);
    fresh.OneForList = answer.OneForList;
    PrgState->SavePassword = answer.SavePassword;
    return prAccepted;
}

void TMainWin::RevalidatePasswords()
{
    ::RevalidatePasswords(*Pwd, PwdTable->Master);
}
