// SPDX-License-Identifier: GPL-3.0-or-later
// The dialog forms. The program creates each one once, right after the main window, hidden, and
// shows it modally whenever it is needed; the main window owns them all until exit.
#pragma once

#include "ComboChange.h"
#include "TAbout.h"
#include "TTIP_Form.h"

#include <QDialog>

class TMainWin;

// Creates the dialogs in their fixed order, TEncrypt, TDecrypt, TAbout, TPreferences, TDelDialog,
// TComboChange, TMasterPwd_Form, TTIP_Form, then TStoredPwd_Form, as children of the main window, and
// hands them to it. F1 in each opens the help about what it asks.
void CreateForms(TMainWin& mainWin);
