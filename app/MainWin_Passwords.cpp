// SPDX-License-Identifier: GPL-3.0-or-later
// TMainWin: the two password prompts and the batch boundary of password expiry.
#include "MainWin.h"

#include "Container.h"
#include "Keys.h"
#include "PromptRules.h"
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
    return JoinDirectory(shortened, name);
}

void Wipe(QByteArray& bytes)
{
    if (!bytes.isEmpty()) SecureZero(bytes.data(), static_cast<std::size_t>(bytes.size()));
    bytes.clear();
}

} // namespace

int TMainWin::PromptToEncrypt(const QString& name)
{
    if (Pwd->Entered && (Pwd->OnePassword || Pwd->OneForList)) return prAccepted;
    if (Forms.Encrypt == nullptr) return prSkip;

    TKV_PromptSetup setup;
    setup.Name = name;
    setup.FileLabel = PromptFileLabel(*Forms.Encrypt, DirCryptor->Directory, name);
    const char* method = MethodName(DefaultMethod);
    // A method code beyond the known ones (an edited setting) gets the widest rule.
    setup.MethodText = QString::fromLatin1(method != nullptr ? method : "-");
    setup.EnterText = QStringLiteral("Enter the password ") + RangeText(setup.MethodText);
    setup.MaxChars = EncryptMaxChars(setup.MethodText);
    setup.OneForListEnabled = !Pwd->OnePassword && DirCryptor->Files.size() > 1;
    setup.OneForListChecked = setup.OneForListEnabled && OnePerList;
    setup.SaveEnabled = PwdTable->Master.Store;
    setup.SaveChecked = setup.SaveEnabled;
    setup.CancelAllShown = Forms.Encrypt->CancelAllShown();

    TKV_PromptAnswer answer;
    const int result = ui_->PasswordPrompt(*Forms.Encrypt, setup, answer);
    if (result != prAccepted) {
        Wipe(answer.Password);
        return result;
    }
    Pwd->SetPassword(std::string_view(answer.Password.constData(), static_cast<std::size_t>(answer.Password.size())));
    Wipe(answer.Password);
    PasswordAccepted(*Pwd, Pwd->OnePassword, PwdControls);
    Pwd->OneForList = answer.OneForList;
    PrgState->SavePassword = answer.SavePassword;
    ApplyExpiryControls();
    return prAccepted;
}

int TMainWin::PromptToDecrypt(const QString& name)
{
    if (Pwd->Entered && (Pwd->OnePassword || Pwd->OneForList)) return prAccepted;
    if (Forms.Decrypt == nullptr) return prSkip;

    TKV_PromptSetup setup;
    setup.Name = name;
    setup.FileLabel = PromptFileLabel(*Forms.Decrypt, DirCryptor->Directory, name);
    QString container = JoinDirectory(DirCryptor->Directory, name);
    if (!ShowCry) container += QStringLiteral(".cry");
    setup.MethodText = QString::fromStdString(ReadMethodTag(QFile::encodeName(container).toStdString()));
    setup.EnterText = QStringLiteral("Enter the password ") + RangeText(setup.MethodText);
    setup.MaxChars = kDecryptMaxChars;
    setup.OneForListEnabled = !Pwd->OnePassword && DirCryptor->Files.size() > 1;
    setup.OneForListChecked = setup.OneForListEnabled && OnePerList;
    setup.CancelAllShown = Forms.Decrypt->CancelAllShown();

    TKV_PromptAnswer answer;
    const int result = ui_->PasswordPrompt(*Forms.Decrypt, setup, answer);
    if (result != prAccepted) {
        Wipe(answer.Password);
        return result;
    }
    Pwd->SetPassword(std::string_view(answer.Password.constData(), static_cast<std::size_t>(answer.Password.size())));
    Wipe(answer.Password);
    PasswordAccepted(*Pwd, Pwd->OnePassword, PwdControls);
    Pwd->OneForList = answer.OneForList;
    ApplyExpiryControls();
    return prAccepted;
}

void TMainWin::RevalidatePasswords()
{
    ::RevalidatePasswords(*Pwd, PwdTable->Master);
}
