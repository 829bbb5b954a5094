// SPDX-License-Identifier: GPL-3.0-or-later
// The test double of the modal interaction: a queue of expected prompts with their answers. A prompt
// that does not match the head of the queue, and an answer still queued when the double is
// destroyed, fail the running Qt Test function. Create one per test function, as a local.
#pragma once

#include "Interaction.h"
#include "TPasswordPrompt.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

enum class TKV_PromptKind
{
    Error,
    Info,
    InfoOkCancel,
    ConfirmOkCancel,
    ConfirmYesNoCancel,
    ErrorOkAll,
    MasterPassword,
    DatabaseError,
    EncryptPrompt,
    DecryptPrompt,
    DelDialog,
    Dialog,
    SaveFile,
    OpenUrl,
};

class TKV_ScriptedInteraction : public TKV_Interaction
{
public:
    TKV_ScriptedInteraction() = default;
    ~TKV_ScriptedInteraction() override;
    TKV_ScriptedInteraction(const TKV_ScriptedInteraction&) = delete;
    TKV_ScriptedInteraction& operator=(const TKV_ScriptedInteraction&) = delete;

    void ExpectError(const QString& text);
    void ExpectInfo(const QString& text);
    void ExpectInfoOkCancel(const QString& text, bool ok);
    void ExpectConfirmOkCancel(const QString& text, bool ok);
    void ExpectConfirmYesNoCancel(const QString& text, TKV_YesNoCancel answer);
    void ExpectErrorOkAll(const QString& text, bool all);
    // With Submitted and a password, the password goes to the table as the dialog's Submit would.
    void ExpectMasterPassword(MasterPasswordAnswer answer, const QString& password = QString());
    // With a null `detail` any detail is taken.
    void ExpectDatabaseError(const QString& detail = QString());
    // The dialog form named `objectName`; `act` works the real dialog as the user would (it is shown
    // but not run modally) and gives the result.
    void ExpectDialog(const QString& objectName, std::function<int(QDialog&)> act);
    // The save-file dialog, starting at `initial` with the default extension `defaultSuffix`; the user
    // chooses `chosen` (empty: Cancel).
    void ExpectSaveFile(const QString& initial, const QString& defaultSuffix, const QString& chosen);
    // `url` handed to the desktop's default handler; `handled` false: no handler took it.
    void ExpectOpenUrl(const QUrl& url, bool handled = true);
    // The delete confirmation, its FName_Label reading `label` (the full path and "?").
    void ExpectDelDialog(const QString& label, TDelResult answer);
    // The password prompts, for the file `name` as the list shows it. Result 1 with `password`;
    // the check boxes' states as the user leaves them.
    void ExpectEncryptPrompt(const QString& name, int result, const QString& password = QString(),
                             bool oneForList = false, bool savePassword = false);
    void ExpectDecryptPrompt(const QString& name, int result, const QString& password = QString(),
                             bool oneForList = false);
    // Runs as each password prompt comes up, before it is answered: what else the window does while
    // the user is being asked.
    std::function<void()> WhilePasswordPrompt;
    // What each password prompt was asked to show, in order.
    QList<TKV_PromptSetup> Prompts() const { return prompts_; }

    // Every prompt shown so far, as "Kind: text", in order.
    QStringList Asked() const { return asked_; }
    // Answers not used yet.
    int Pending() const { return static_cast<int>(script_.size()); }

    void ErrorBox(const QString& text) override;
    void InfoBox(const QString& text) override;
    bool InfoOkCancel(const QString& text) override;
    bool ConfirmOkCancel(const QString& text) override;
    TKV_YesNoCancel ConfirmYesNoCancel(const QString& text) override;
    bool ErrorOkAll(const QString& text) override;
    int ExecDialog(QDialog& dialog) override;
    QString SaveFileName(const QString& initial, const QString& defaultSuffix) override;
    TDelResult ShowDelDialog(TDelDialog& dialog) override;
    MasterPasswordAnswer ShowMasterPasswordDialog(TKV_PwdTable& table) override;
    void ShowDatabaseError(const std::string& detail) override;
    int PasswordPrompt(TPasswordPrompt& dialog, const TKV_PromptSetup& setup, TKV_PromptAnswer& answer) override;
    bool OpenUrl(const QUrl& url) override;

    static QString KindName(TKV_PromptKind kind);

private:
    struct Step
    {
        TKV_PromptKind Kind;
        QString Text;
        int Answer;
        TKV_PromptAnswer Prompt{};
        std::function<int(QDialog&)> Act{};
        QString Reply{};
    };

    // The head of the script when it matches; otherwise the test fails and null comes back, and the
    // caller answers as the cautious choice (Cancel, OK without All, "Do not use now").
    const Step* Take(TKV_PromptKind kind, const QString& text);

    QList<Step> script_;
    Step current_{};
    QStringList asked_;
    QList<TKV_PromptSetup> prompts_;
};
