// SPDX-License-Identifier: GPL-3.0-or-later
// The one way the workflows reach the user modally. The window shows real dialogs through
// TKV_QtInteraction; tests install TKV_ScriptedInteraction, which answers from a script.
#pragma once

#include "IPasswordUi.h"

#include <QString>

class QDialog;
class QUrl;

class TDelDialog;
enum class TDelResult : int;
class TPasswordPrompt;
struct TKV_PromptAnswer;
struct TKV_PromptSetup;

enum class TKV_YesNoCancel
{
    Yes,
    No,
    Cancel
};

// The password core's two prompts (the master password dialog and its access error) come in
// through IPasswordUi, so the password table can be handed this object directly.
class TKV_Interaction : public IPasswordUi
{
public:
    // An error box with one OK button.
    virtual void ErrorBox(const QString& text) = 0;
    // An information box with one OK button.
    virtual void InfoBox(const QString& text) = 0;
    // An information box with OK and Cancel; true for OK.
    virtual bool InfoOkCancel(const QString& text) = 0;
    // A confirmation box with OK and Cancel; true for OK.
    virtual bool ConfirmOkCancel(const QString& text) = 0;
    // A confirmation box with Yes, No and Cancel.
    virtual TKV_YesNoCancel ConfirmYesNoCancel(const QString& text) = 0;
    // An error box with OK and All, as for a wrong password inside a list; true for All.
    virtual bool ErrorOkAll(const QString& text) = 0;
    // One of the window's own dialog forms, shown modally; its result (QDialog::Accepted or
    // QDialog::Rejected).
    virtual int ExecDialog(QDialog& dialog) = 0;
    // A save-file dialog starting at the file `initial`, adding `defaultSuffix` to a name without one:
    // the chosen path, empty when cancelled.
    virtual QString SaveFileName(const QString& initial, const QString& defaultSuffix) = 0;
    // The delete confirmation `dialog`, its FName_Label already naming the file.
    virtual TDelResult ShowDelDialog(TDelDialog& dialog) = 0;
    // The encryption or decryption prompt `dialog`, showing `setup`: returns the TKV_PromptResult and
    // fills `answer` (the password only when accepted).
    virtual int PasswordPrompt(TPasswordPrompt& dialog, const TKV_PromptSetup& setup, TKV_PromptAnswer& answer) = 0;
    // Hands `url` (a file or a web address) to the desktop's default handler for it, such as the browser
    // for the help pages; false when there is none or it could not be started. Says nothing itself.
    virtual bool OpenUrl(const QUrl& url) = 0;
};
