// SPDX-License-Identifier: GPL-3.0-or-later
#include "Forms.h"

#include "MainWin.h"
#include "TDelDialog.h"

namespace {

// The password prompts, the preferences and the master password dialog belong to the password
// layer; until their classes exist the window holds plain dialogs in their places.
QDialog* PlainForm(const char* name, const QString& caption, QWidget* parent)
{
    auto* form = new QDialog(parent);
    form->setObjectName(QString::fromLatin1(name));
    if (!caption.isEmpty()) form->setWindowTitle(caption);
    return form;
}

} // namespace

TAbout::TAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TAbout"));
    setWindowTitle(QStringLiteral("About Kelvane 95"));
}

TTIP_Form::TTIP_Form(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TTIP_Form"));
    setWindowTitle(QStringLiteral("Tip of the day"));
}

TComboChange::TComboChange(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TComboChange"));
    setWindowTitle(QStringLiteral("Error!"));
}

void CreateForms(TMainWin& mainWin)
{
    TKV_Forms& forms = mainWin.Forms;
    forms.Encrypt = PlainForm("TEncrypt", QString(), &mainWin);
    forms.Decrypt = PlainForm("TDecrypt", QString(), &mainWin);
    forms.About = new TAbout(&mainWin);
    forms.Preferences = PlainForm("TPreferences", QString(), &mainWin);
    forms.DelDialog = new TDelDialog(&mainWin);
    forms.ComboChange = new TComboChange(&mainWin);
    forms.MasterPwd_Form = PlainForm("TMasterPwd_Form", QStringLiteral("The Master password"), &mainWin);
    forms.TIP_Form = new TTIP_Form(&mainWin);
}
