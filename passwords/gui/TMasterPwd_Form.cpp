// SPDX-License-Identifier: GPL-3.0-or-later
#include "TMasterPwd_Form.h"

#include "PasswordDialogs.h"
#include "PasswordMessages.h"
#include "ResultCodes.h"
#include "TKV_PwdTable.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TMasterPwd_Form::TMasterPwd_Form(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TMasterPwd_Form"));
    setWindowTitle(QStringLiteral("The Master password"));
    setModal(true);

    Heading_Label =
        new QLabel(QStringLiteral("Please enter the Master Password to access the database of file passwords."), this);
    Heading_Label->setWordWrap(true);
    Note_Label = Italic(new QLabel(QStringLiteral("Note: case of characters is meaningful"), this));
    Enter_Label = new QLabel(QStringLiteral("Enter the password ( 6 - 16 symbols )"), this);
    MaskEdit1 = PasswordEntry("MaskEdit1", this);
    Reenter_Label = new QLabel(QStringLiteral("Reenter the password for verification"), this);
    MaskEdit2 = PasswordEntry("MaskEdit2", this);

    Submit_Button = DialogButton("Submit_Button", "Submit", true, this);
    SubmitLater_Button = DialogButton("SubmitLater_Button", "Do not use now", false, this);
    NotUse_Button = DialogButton("NotUse_Button", "Do not use at all", false, this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Heading_Label);
    layout->addWidget(Note_Label);
    layout->addWidget(Enter_Label);
    layout->addWidget(MaskEdit1);
    layout->addWidget(Reenter_Label);
    layout->addWidget(MaskEdit2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Submit_Button);
    buttons->addWidget(SubmitLater_Button);
    buttons->addWidget(NotUse_Button);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // Tab follows the dialog from top to bottom, whatever order the widgets were made in.
    TabInOrder({MaskEdit1, MaskEdit2, Submit_Button, SubmitLater_Button, NotUse_Button});

    connect(Submit_Button, &QPushButton::clicked, this, &TMasterPwd_Form::Submit_ButtonClick);
    // "Do not use now" is the reject result, which Esc gives too.
    connect(SubmitLater_Button, &QPushButton::clicked, this, &QDialog::reject);
    connect(NotUse_Button, &QPushButton::clicked, this, &TMasterPwd_Form::NotUse_ButtonClick);
}

MasterPasswordAnswer TMasterPwd_Form::Run(TKV_PwdTable& table)
{
    table_ = &table;
    notAtAll_ = false;
    EmptyEntries(MaskEdit1, MaskEdit2);
    MaskEdit1->setFocus();
    adjustSize();
    CentreOnScreen(*this);
    const int code = exec();
    table_ = nullptr;
    EmptyEntries(MaskEdit1, MaskEdit2);
    if (code == QDialog::Accepted) return MasterPasswordAnswer::Submitted;
    return notAtAll_ ? MasterPasswordAnswer::NotAtAll : MasterPasswordAnswer::NotNow;
}

void TMasterPwd_Form::Submit_ButtonClick()
{
    // Enter in the first entry goes on to the second.
    if (MoveToSecondEntry(MaskEdit1, MaskEdit2)) return;
    const QByteArray first = MaskEdit1->text().toUtf8();
    const QByteArray second = MaskEdit2->text().toUtf8();
    const MasterEntryCheck check =
        CheckMasterPasswordEntry(std::string_view(first.constData(), static_cast<std::size_t>(first.size())),
                                 std::string_view(second.constData(), static_cast<std::size_t>(second.size())));
    if (check != MasterEntryCheck::Ok) {
        ShowDialogError(this, ShowError, QString::fromUtf8(MasterEntryCheckMessage(check)));
        return;
    }
    if (table_ == nullptr) return;
    const int result =
        table_->SubmitMasterPassword(std::string_view(first.constData(), static_cast<std::size_t>(first.size())));
    if (result == kResultWrongPassword) {
        ShowDialogError(this, ShowError, QString::fromUtf8(kInvalidPasswordMessage));
        return;
    }
    accept();
}

void TMasterPwd_Form::NotUse_ButtonClick()
{
    // The table switches the database off when it sees this answer.
    notAtAll_ = true;
    reject();
}
