// SPDX-License-Identifier: GPL-3.0-or-later
#include "Forms.h"

#include "Help.h"
#include "MainWin.h"
#include "TDelDialog.h"
#include "TMasterPwd_Form.h"
#include "TPasswordPrompt.h"
#include "TPreferences.h"
#include "TStoredPwd_Form.h"

#include <QShortcut>

namespace {

// F1 in `dialog` opens the help about `context` (0: the first page).
void HelpOnF1(QDialog* dialog, TMainWin& mainWin, int context)
{
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), dialog);
    QObject::connect(help, &QShortcut::activated, dialog, [&mainWin, context] { mainWin.ShowHelpContext(context); });
}

} // namespace

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
    forms.Preferences = new TPreferences(&mainWin);
    forms.Preferences->AskSavePath = [&mainWin](const QString& initial, const QString& defaultSuffix) {
        return mainWin.Interaction().SaveFileName(initial, defaultSuffix);
    };
    forms.Preferences->ShowHelp = [&mainWin](int context) { mainWin.ShowHelpContext(context); };
    forms.DelDialog = new TDelDialog(&mainWin);
    forms.ComboChange = new TComboChange(&mainWin);
    forms.MasterPwd_Form = new TMasterPwd_Form(&mainWin);
    forms.MasterPwd_Form->ShowError = showError;
    forms.TIP_Form = new TTIP_Form(&mainWin);
    forms.TIP_Form->ShowHelp = [&mainWin](int context) { mainWin.ShowHelpContext(context); };
    forms.StoredPwd_Form = new TStoredPwd_Form(&mainWin);
    forms.StoredPwd_Form->ShowHelp = [&mainWin](int context) { mainWin.ShowHelpContext(context); };
    forms.StoredPwd_Form->RemoveNames = [&mainWin](const std::vector<std::string>& names) {
        mainWin.RemoveStoredPasswords(names);
    };
    forms.StoredPwd_Form->RemoveMissing = [&mainWin] { mainWin.RemoveMissingStoredPasswords(); };

    // The dialogs without a help topic of their own open the nearest one: the password dialogs the
    // basics, which tell about passwords; the drive-not-ready dialog the main window's; the About box the
    // first page. Preferences, the tip of the day and the stored passwords have F1 of their own.
    HelpOnF1(forms.Encrypt, mainWin, kBasicsHelpContext);
    HelpOnF1(forms.Decrypt, mainWin, kBasicsHelpContext);
    HelpOnF1(forms.MasterPwd_Form, mainWin, kBasicsHelpContext);
    HelpOnF1(forms.DelDialog, mainWin, kDeletingHelpContext);
    HelpOnF1(forms.ComboChange, mainWin, TMainWin::kMainWinHelpContext);
    HelpOnF1(forms.About, mainWin, 0);
}
