// SPDX-License-Identifier: GPL-3.0-or-later
// TMainWin: removing files. Plain files are wiped, containers (already ciphertext) deleted; the
// user's "Delete" asks for each file with TDelDialog.
#include "MainWin.h"

#include "FileSystem.h"
#include "ResultCodes.h"
#include "TDelDialog.h"
#include "TKV_DirCryptor.h"
#include "TKV_PrgState.h"
#include "Wipe.h"
#include "WorkflowMessages.h"

#include <QAbstractItemView>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QToolButton>
#include <QTreeView>

void TMainWin::FileDel(QAbstractItemView& listView)
{
    const QItemSelectionModel* selection = listView.selectionModel();
    if (selection == nullptr || !selection->hasSelection()) return;
    if (RefuseWhileBusy()) return;

    const bool crypted = &listView == Crypted_ListView;
    PrgState->Busy.Include(psDeleting);
    DirCryptor->ReadSelection(listView);
    bool deleteAll = false;
    StopProcess_Button->setEnabled(true);

    for (const QString& name : std::as_const(DirCryptor->Files)) {
        const QString path = JoinQPath(DirCryptor->Directory, crypted ? CryptedFileName(name) : name);
        Forms.DelDialog->FName_Label->setText(path + QLatin1Char('?'));
        if (!deleteAll) {
            const TDelResult answer = ui_->ShowDelDialog(*Forms.DelDialog);
            if (answer == TDelResult::Cancel) continue;
            if (answer == TDelResult::Abort) break;
            if (answer == TDelResult::All) deleteAll = true;
        }
        if (RemoveFile(path, !crypted))
            DeleteListItem(crypted ? Crypted_ListView : Source_ListView, name);
        else
            ui_->ErrorBox(WithName(kNotDeletedMessage, path));
    }

    StopProcess_Button->setEnabled(false);
    PrgState->Abort = false;
    PrgState->Busy.Exclude(psDeleting);
}

void TMainWin::Delete1Click()
{
    FileDel(*Source_ListView);
}

void TMainWin::Delete2Click()
{
    FileDel(*Crypted_ListView);
}
