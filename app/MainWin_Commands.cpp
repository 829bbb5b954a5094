// SPDX-License-Identifier: GPL-3.0-or-later
// TMainWin: the commands of menus, tool bar and lists, and the work they start. Every command that
// starts work refuses while other work runs. The file workflows fill these in as they arrive; until
// then a command does nothing beyond that refusal.
#include "MainWin.h"

#include "Messages.h"
#include "StatusLine.h"
#include "TAbout.h"
#include "TKV_DirCryptor.h"
#include "TKV_PrgState.h"
#include "TTIP_Form.h"

#include <QAbstractItemView>
#include <QUrl>

void TMainWin::EncrFileList()
{
    if (RefuseWhileBusy()) return;
    ProcessFileList(0);
}

void TMainWin::DecrFileList()
{
    if (RefuseWhileBusy()) return;
    ProcessFileList(1);
}

void TMainWin::Source_ListViewDblClick()
{
    EncrFileList();
}

void TMainWin::Crypted_ListViewDblClick()
{
    DecrFileList();
}

void TMainWin::Encrypt_ButtonClick()
{
    EncrFileList();
}

void TMainWin::Decrypt_ButtonClick()
{
    DecrFileList();
}

void TMainWin::EncriptAll1Click()
{
    DoForAll(0);
}

void TMainWin::Decriptall1Click()
{
    DoForAll(1);
}

void TMainWin::Button1Click()
{
    if (WindowBusy()) {
        if (!ui_->ConfirmOkCancel(QString::fromUtf8(kCancelProcessQuestion))) return;
        UpdateStatus(QString::fromUtf8(kPleaseWaitMessage));
    }
    PrgState->Abort = true;
}

void TMainWin::Exit1Click()
{
    close();
}

void TMainWin::Options2Click()
{
    ShowPreferences();
}

void TMainWin::Contents1Click()
{
    OpenWithDefaultHandler(HelpUrl(0));
}

void TMainWin::Tips1Click()
{
    TTIP_Form* form = Forms.TIP_Form;
    if (form == nullptr) return;
    form->ShowTIP = ShowTIP;
    ui_->ExecDialog(*form);
    ShowTIP = form->ShowTIP;
}

void TMainWin::About1Click()
{
    TAbout* about = Forms.About;
    if (about == nullptr) return;
    about->SetSystem(OsVersionText(), MemoryKbText(TotalPhysicalMemory()));
    ui_->ExecDialog(*about);
}
