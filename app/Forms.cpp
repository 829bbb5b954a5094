// SPDX-License-Identifier: GPL-3.0-or-later
#include "Forms.h"

#include "MainWin.h"
#include "TDelDialog.h"
#include "TMasterPwd_Form.h"
#include "TPasswordPrompt.h"

namespace {

// The preferences belong to the password layer; until its class exists the window holds a plain
// dialog in its place.
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

void CreateForms(TMainWin& mainWin)
{
    TKV_Forms& forms = mainWin.Forms;
    // The dialogs' own error boxes go through the window's seam like every other message.
    const auto showError = [&mainWin](const QString& text) { mainWin.Interaction().ErrorBox(text); };
    forms.Encrypt = new TEncrypt(&mainWin);
    forms.Encrypt->ShowError = showError;
    forms.Decrypt = new TDecrypt(&mainWin);
    forms.Decrypt->ShowError = showError;
    forms.About = new TAbout(&mainWin);
    forms.Preferences = PlainForm("TPreferences", QString(), &mainWin);
    forms.DelDialog = new TDelDialog(&mainWin);
    forms.ComboChange = new TComboChange(&mainWin);
    forms.MasterPwd_Form = new TMasterPwd_Form(&mainWin);
    forms.MasterPwd_Form->ShowError = showError;
    forms.TIP_Form = new TTIP_Form(&mainWin);
}
