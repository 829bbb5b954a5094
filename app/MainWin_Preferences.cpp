// SPDX-License-Identifier: GPL-3.0-or-later
// TMainWin: the Preferences dialog on the settings held in memory. Nothing is written to the store
// here; the settings writer saves them at exit.
#include "MainWin.h"

#include "PasswordDialogs.h"
#include "PasswordExpiry.h"
#include "TKV_Pwd.h"
#include "TKV_PwdTable.h"
#include "TPreferences.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>

namespace {

// The radio button that stands for `method`. The legacy DES codes show as DES.
QRadioButton* MethodRadioButton(const TPreferences& form, int method)
{
    if (method == kMethodIdea) return form.IDEA_RadioButton;
    if (method == kMethodTripleDes) return form.TDES_RadioButton;
    return form.DES_RadioButton;
}

} // namespace

void TMainWin::ShowPreferences()
{
    if (RefuseWhileBusy() || Forms.Preferences == nullptr) return;
    TPreferences& form = *Forms.Preferences;
    TKV_MasterPass& master = PwdTable->Master;
    // The file dialog may move the current directory, which the lists stand on.
    const QString currentDirectory = QDir::currentPath();

    form.ShowCry_CheckBox->setChecked(ShowCry);
    form.ShowTIP_CheckBox->setChecked(ShowTIP);
    form.OnePwd_CheckBox->setChecked(Pwd->OnePassword);
    form.OnePerList_CheckBox->setChecked(OnePerList);
    form.ExpTime_SpinEdit->setValue(Pwd->ExpTime);
    MethodRadioButton(form, DefaultMethod)->setChecked(true);
    form.Store_CheckBox->setChecked(master.Store);
    form.MasterPwdExpires_CheckBox->setChecked(master.Expires);
    form.MasterPwdExpTime_SpinEdit->setValue(master.ExpTime);
    if (master.Dir.empty()) master.Dir = DefaultDatabasePath().toStdString();
    form.Path_Edit->setText(QString::fromStdString(master.Dir));
    // Loading may have unchecked "One password for a file list" for the session option.
    form.OnePwd_CheckBoxClick();
    form.OnePwd_CheckBox->setFocus();
    form.adjustSize();
    ::CentreOnScreen(form);

    if (ui_->ExecDialog(form) == QDialog::Accepted) {
        const bool showCry = form.ShowCry_CheckBox->isChecked();
        if (showCry != ShowCry) {
            ShowCry = showCry;
            RefreshFLists();
        }
        ShowTIP = form.ShowTIP_CheckBox->isChecked();
        Pwd->OnePassword = form.OnePwd_CheckBox->isChecked();
        Pwd->ExpTime = TPreferences::Minutes(form.ExpTime_SpinEdit);
        ::ExpiryTimeChanged(*Pwd, PwdControls);
        OnePerList = form.OnePerList_CheckBox->isChecked();

        if (!MethodRadioButton(form, DefaultMethod)->isChecked()) {
            if (form.IDEA_RadioButton->isChecked()) SetIDEA();
            if (form.DES_RadioButton->isChecked()) SetDES();
            if (form.TDES_RadioButton->isChecked()) SetTripleDES();
        }

        const bool store = form.Store_CheckBox->isChecked();
        // Kept as typed, blanks included: they belong to a legal file name, and trimming them would
        // point the database at another file than the one the user named.
        const QString path = form.Path_Edit->text();
        const bool expires = form.MasterPwdExpires_CheckBox->isChecked();
        const int masterMinutes = TPreferences::Minutes(form.MasterPwdExpTime_SpinEdit);
        if (store != master.Store || path != QString::fromStdString(master.Dir) || expires != master.Expires ||
            masterMinutes != master.ExpTime)
            MasterPwdExpire_ButtonClick();
        master.Store = store;
        master.Dir = (path.isEmpty() ? DefaultDatabasePath() : path).toStdString();
        master.Expires = expires;
        master.ExpTime = masterMinutes;
        ::ExpiryTimeChanged(master, PwdTable->MasterPwdControls);

        Pwd->Entered = false;
        Pwd->ClearPassword();
        ApplyExpiryControls();
    }
    QDir::setCurrent(currentDirectory);
}

void TMainWin::MakeDefaultDatabaseFolder()
{
    const QString path = QString::fromStdString(PwdTable->Master.Dir);
    if (path.isEmpty() || path != DefaultDatabasePath()) return;
    QDir().mkpath(QFileInfo(path).absolutePath());
}
