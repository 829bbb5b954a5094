// SPDX-License-Identifier: GPL-3.0-or-later
// The two password prompts: TEncrypt assigns a password to a file, TDecrypt asks for the password of
// an encrypted file. The window decides what a prompt shows (TKV_PromptSetup); the dialog enforces the
// length rules and hands back what was typed and checked (TKV_PromptAnswer).
#pragma once

#include "PromptRules.h"

#include <QDialog>
#include <QString>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// What PromptToEncrypt and PromptToDecrypt return.
enum TKV_PromptResult : int
{
    prAccepted = 1,  // a password is available
    prSkip = 2,      // "Cancel": skip this file
    prCancelAll = 3, // "Cancel All"
};

struct TKV_PromptSetup
{
    // The name as the list shows it.
    QString Name;
    QString FileLabel;
    QString MethodText;
    QString EnterText;
    // The longest accepted password, in characters.
    int MaxChars = kDecryptMaxChars;
    bool OneForListEnabled = false;
    bool OneForListChecked = false;
    // Encryption prompt only.
    bool SaveEnabled = false;
    bool SaveChecked = false;
    // Whether "Cancel All" is shown; the dialog keeps this itself, it is here so that it can be seen.
    bool CancelAllShown = false;
};

struct TKV_PromptAnswer
{
    int Result = prSkip;
    // UTF-8; the caller wipes it after use.
    QByteArray Password;
    bool OneForList = false;
    bool SavePassword = false;
};

class TPasswordPrompt : public QDialog
{
    Q_OBJECT

public:
    // Error boxes of the length and verification rules; the window routes them through its seam.
    // Unset: a plain error message box.
    std::function<void(const QString&)> ShowError;

    // Shows the labels and the check boxes of `setup`, empties the entries, focuses MaskEdit1.
    void Prepare(const TKV_PromptSetup& setup);
    // Shows the prepared dialog modally and fills `answer`; the entries are emptied before it returns.
    int Run(TKV_PromptAnswer& answer);
    // Shown while a list operation runs.
    void SetCancelAllShown(bool shown);
    bool CancelAllShown() const { return cancelAllShown_; }
    bool IsEncryption() const { return encryption_; }

    QLabel* Heading_Label = nullptr;
    QLabel* FName_Label = nullptr;
    QLabel* MethodCaption_Label = nullptr;
    QLabel* Method_Label = nullptr;
    QLabel* Note_Label = nullptr;
    QLabel* Enter_Label = nullptr;
    QLineEdit* MaskEdit1 = nullptr;
    QLabel* Reenter_Label = nullptr; // encryption only
    QLineEdit* MaskEdit2 = nullptr;  // encryption only
    QCheckBox* OnePwdList_CheckBox = nullptr;
    QCheckBox* SavePwd_CheckBox = nullptr; // encryption only
    QPushButton* Submit_Button = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* CancelAll = nullptr;

    // The width FName_Label gives the shortened directory.
    int DirectoryWidth() const;

protected:
    TPasswordPrompt(bool encryption, QWidget* parent);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Submit_ButtonClick();
    void CancelAllClick();

    bool encryption_;
    bool cancelAllShown_ = false;
    // The check box being clicked was clicked with the mouse.
    bool tickedByMouse_ = false;
    int maxChars_ = kDecryptMaxChars;
};

class TEncrypt : public TPasswordPrompt
{
    Q_OBJECT

public:
    explicit TEncrypt(QWidget* parent = nullptr);
};

class TDecrypt : public TPasswordPrompt
{
    Q_OBJECT

public:
    explicit TDecrypt(QWidget* parent = nullptr);
};
