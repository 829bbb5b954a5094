// SPDX-License-Identifier: GPL-3.0-or-later
// The master password dialog: asks for the password that unlocks the password database and checks it
// against an existing database before it closes.
#pragma once

#include "IPasswordUi.h"

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class TKV_PwdTable;

class TMasterPwd_Form : public QDialog
{
    Q_OBJECT

public:
    explicit TMasterPwd_Form(QWidget* parent = nullptr);

    // Error boxes of the dialog; the window routes them through its seam. Unset: a plain error box.
    std::function<void(const QString&)> ShowError;

    // Empties the entries, shows the dialog modally and submits each well-formed password to
    // `table`. The answer is applied to the master password by the table, not here.
    MasterPasswordAnswer Run(TKV_PwdTable& table);

    QLabel* Heading_Label = nullptr;
    QLabel* Note_Label = nullptr;
    QLabel* Enter_Label = nullptr;
    QLineEdit* MaskEdit1 = nullptr;
    QLabel* Reenter_Label = nullptr;
    QLineEdit* MaskEdit2 = nullptr;
    QPushButton* Submit_Button = nullptr;
    QPushButton* SubmitLater_Button = nullptr;
    QPushButton* NotUse_Button = nullptr;

private:
    void Submit_ButtonClick();
    void NotUse_ButtonClick();

    TKV_PwdTable* table_ = nullptr;
    bool notAtAll_ = false;
};
