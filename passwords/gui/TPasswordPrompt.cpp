// SPDX-License-Identifier: GPL-3.0-or-later
#include "TPasswordPrompt.h"

#include "PasswordDialogs.h"
#include "PromptRules.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TPasswordPrompt::TPasswordPrompt(bool encryption, QWidget* parent) : QDialog(parent), encryption_(encryption)
{
    setObjectName(encryption ? QStringLiteral("TEncrypt") : QStringLiteral("TDecrypt"));
    setWindowTitle(encryption ? QStringLiteral("Encryption procedure") : QStringLiteral("Decryption procedure"));
    setModal(true);

    auto* heading = new QFrame(this);
    heading->setObjectName(QStringLiteral("Heading_Panel"));
    heading->setFrameShape(QFrame::StyledPanel);
    auto* headingGrid = new QGridLayout(heading);
    Heading_Label = new QLabel(encryption ? QStringLiteral("Please assign a password for the file")
                                          : QStringLiteral("Please enter a valid password for the file"),
                               heading);
    FName_Label = new QLabel(heading);
    FName_Label->setObjectName(QStringLiteral("FName_Label"));
    MethodCaption_Label =
        new QLabel(encryption ? QStringLiteral("Encryption method:") : QStringLiteral("Encrypted by: "), heading);
    Method_Label = Italic(new QLabel(heading));
    Method_Label->setObjectName(QStringLiteral("Method_Label"));
    Note_Label = Italic(new QLabel(QStringLiteral("Note: case of characters is meaningful"), heading));
    headingGrid->addWidget(Heading_Label, 0, 0, 1, 2);
    headingGrid->addWidget(FName_Label, 1, 0, 1, 2);
    headingGrid->addWidget(MethodCaption_Label, 2, 0);
    headingGrid->addWidget(Method_Label, 2, 1);
    headingGrid->addWidget(Note_Label, 3, 0, 1, 2);
    headingGrid->setColumnStretch(1, 1);

    Enter_Label = new QLabel(this);
    Enter_Label->setObjectName(QStringLiteral("Enter_Label"));
    MaskEdit1 = PasswordEntry("MaskEdit1", this);
    OnePwdList_CheckBox = new QCheckBox(QStringLiteral("One password for a file list"), this);
    OnePwdList_CheckBox->setObjectName(QStringLiteral("OnePwdList_CheckBox"));

    Submit_Button = DialogButton("Submit_Button", "Submit", true, this);
    Button1 = DialogButton("Button1", "Cancel", false, this);
    CancelAll = DialogButton("CancelAll", "Cancel All", false, this);
    CancelAll->setVisible(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(Enter_Label);
    layout->addWidget(MaskEdit1);
    if (encryption) {
        Reenter_Label = new QLabel(QStringLiteral("Reenter the password for verification"), this);
        MaskEdit2 = PasswordEntry("MaskEdit2", this);
        layout->addWidget(Reenter_Label);
        layout->addWidget(MaskEdit2);
    }
    layout->addWidget(OnePwdList_CheckBox);
    if (encryption) {
        SavePwd_CheckBox = new QCheckBox(QStringLiteral("Save password on disk"), this);
        SavePwd_CheckBox->setObjectName(QStringLiteral("SavePwd_CheckBox"));
        layout->addWidget(SavePwd_CheckBox);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Submit_Button);
    buttons->addWidget(Button1);
    buttons->addWidget(CancelAll);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // The verification entry and "Save password on disk" are made after the rest; without this, Tab
    // from the first entry would skip the second.
    TabInOrder({MaskEdit1, MaskEdit2, OnePwdList_CheckBox, SavePwd_CheckBox, Submit_Button, Button1, CancelAll});

    connect(Submit_Button, &QPushButton::clicked, this, &TPasswordPrompt::Submit_ButtonClick);
    // Cancel is the reject result, which Esc gives too.
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
    connect(CancelAll, &QPushButton::clicked, this, &TPasswordPrompt::CancelAllClick);
    // A box ticked with the mouse must not leave the user's typing outside the entry. One ticked with
    // Space keeps the focus: the user is going through the dialog with the keyboard, and Tab and Enter
    // go on from the box.
    for (QCheckBox* box : {OnePwdList_CheckBox, SavePwd_CheckBox}) {
        if (box == nullptr) continue;
        box->installEventFilter(this);
        connect(box, &QCheckBox::clicked, this, [this, box] {
            if (tickedByMouse_ && box->hasFocus()) MaskEdit1->setFocus();
            tickedByMouse_ = false;
        });
    }
}

bool TPasswordPrompt::eventFilter(QObject* watched, QEvent* event)
{
    // A box's click comes from the mouse button's release or from the Space key's.
    if (event->type() == QEvent::MouseButtonRelease)
        tickedByMouse_ = true;
    else if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)
        tickedByMouse_ = false;
    return QDialog::eventFilter(watched, event);
}

TEncrypt::TEncrypt(QWidget* parent) : TPasswordPrompt(true, parent) {}

TDecrypt::TDecrypt(QWidget* parent) : TPasswordPrompt(false, parent) {}

int TPasswordPrompt::DirectoryWidth() const
{
    return qMax(MaskEdit1->minimumWidth(), Heading_Label->sizeHint().width()) + 60;
}

void TPasswordPrompt::Prepare(const TKV_PromptSetup& setup)
{
    FName_Label->setText(setup.FileLabel);
    Method_Label->setText(setup.MethodText);
    Enter_Label->setText(setup.EnterText);
    maxChars_ = setup.MaxChars;
    OnePwdList_CheckBox->setEnabled(setup.OneForListEnabled);
    OnePwdList_CheckBox->setChecked(setup.OneForListChecked);
    if (SavePwd_CheckBox != nullptr) {
        SavePwd_CheckBox->setEnabled(setup.SaveEnabled);
        SavePwd_CheckBox->setChecked(setup.SaveChecked);
    }
    EmptyEntries(MaskEdit1, MaskEdit2);
    MaskEdit1->setFocus();
}

int TPasswordPrompt::Run(TKV_PromptAnswer& answer)
{
    adjustSize();
    CentreOnScreen(*this);
    const int code = exec();
    answer.Result = code == QDialog::Accepted ? prAccepted : code == prCancelAll ? prCancelAll : prSkip;
    if (answer.Result == prAccepted) {
        answer.Password = MaskEdit1->text().toUtf8();
        answer.OneForList = OnePwdList_CheckBox->isChecked();
        answer.SavePassword = SavePwd_CheckBox != nullptr && SavePwd_CheckBox->isChecked();
    }
    EmptyEntries(MaskEdit1, MaskEdit2);
    return answer.Result;
}

void TPasswordPrompt::SetCancelAllShown(bool shown)
{
    cancelAllShown_ = shown;
    CancelAll->setVisible(shown);
}

void TPasswordPrompt::Submit_ButtonClick()
{
    // Enter in the first entry of the encryption prompt goes on to the verification entry.
    if (MoveToSecondEntry(MaskEdit1, MaskEdit2)) return;
    const QString second = MaskEdit2 != nullptr ? MaskEdit2->text() : QString();
    const QString message = CheckPromptEntry(MaskEdit1->text(), MaskEdit2 != nullptr ? &second : nullptr, maxChars_);
    if (!message.isEmpty()) {
        ShowDialogError(this, ShowError, message);
        return;
    }
    accept();
}

void TPasswordPrompt::CancelAllClick()
{
    done(prCancelAll);
}
