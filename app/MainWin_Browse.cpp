// SPDX-License-Identifier: GPL-3.0-or-later
// TMainWin: choosing what the lists show (drive box and directory tree, kept on the process's
// current directory), the active list, drag and drop between the lists and the pop-up menus.
#include "MainWin.h"

#include "ComboChange.h"
#include "Drives.h"
#include "FileListModel.h"
#include "ListView.h"
#include "QtPaths.h"
#include "TKV_PrgState.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QMenu>
#include <QToolButton>
#include <QTreeView>

namespace {

const QColor kActiveCaption(Qt::blue);
const QColor kInactiveCaption(0x00, 0x00, 0x80); // navy

void Paint(QLabel* label, const QColor& colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

} // namespace

// ---- Drive box and directory tree

QString TMainWin::TreeDirectory() const
{
    const QModelIndex index = Dir_Filter->mapToSource(User_DirectoryListBox->currentIndex());
    return index.isValid() ? Dir_Model->filePath(index) : QString();
}

void TMainWin::ShowDrive(const QString& root)
{
    int index = DriveComboBox1->findData(root);
    if (index < 0) {
        DriveComboBox1->addItem(QDir::toNativeSeparators(root), root);
        index = DriveComboBox1->count() - 1;
    }
    DriveComboBox1->setCurrentIndex(index);
    if (Dir_Filter->Drive() != root) {
        Dir_Model->setRootPath(root);
        Dir_Filter->SetDrive(root);
    }
}

void TMainWin::ShowDirectory(const QString& path)
{
    const QModelIndex index = Dir_Filter->mapFromSource(Dir_Model->index(path));
    followingDirectory_ = true;
    User_DirectoryListBox->setCurrentIndex(index);
    User_DirectoryListBox->expand(index);
    User_DirectoryListBox->scrollTo(index);
    followingDirectory_ = false;
}

void TMainWin::FollowCurrentDirectory()
{
    const QString current = QDir::currentPath();
    QString root = DriveOf(Drives(), current);
    if (root.isEmpty()) root = QDir::rootPath();
    ShowDrive(root);
    ShowDirectory(current);
    revealPending_ = true;
}

void TMainWin::RevealDirectory()
{
    // The tree fills itself in the background, so this runs again after each batch of directories
    // arrives, until the user works in the tree: from then on the view is theirs.
    if (!revealPending_) return;
    // Selected anew: before its parents were loaded the tree may not have been able to select it.
    ShowDirectory(QDir::currentPath());
    User_DirectoryListBox->scrollTo(User_DirectoryListBox->currentIndex(), QAbstractItemView::PositionAtCenter);
}

bool TMainWin::ChangeDirectory(const QString& path)
{
    // Through the file layer's names, so that a directory whose name is no UTF-8 can be entered too.
    if (!SetCurrentDirectory(path)) {
        ShowDirectory(CurrentDirectory());
        ui_->ErrorBox(QStringLiteral("Cannot change to the directory %1.").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    ShowDirectory(CurrentDirectory());
    User_DirectoryListBoxChange();
    return true;
}

void TMainWin::DirectoryChosen()
{
    if (followingDirectory_) return;
    const QString path = TreeDirectory();
    if (path.isEmpty() || QDir(path) == QDir(QDir::currentPath())) return;
    ChangeDirectory(path);
}

void TMainWin::User_DirectoryListBoxEnter()
{
    if (!PrgState->FirstEnter) return;
    Trace("ReadFLists");
    ReadFLists();
    PrgState->FirstEnter = false;
}

void TMainWin::User_DirectoryListBoxChange()
{
    ReadFLists();
}

QStringList TMainWin::Drives() const
{
    QStringList roots = setup_.Drives ? setup_.Drives() : MountedDrives();
    if (roots.isEmpty()) roots.append(QDir::rootPath());
    return roots;
}

bool TMainWin::DriveReady(const QString& root) const
{
    return setup_.DriveReady ? setup_.DriveReady(root) : DriveIsReady(root);
}

void TMainWin::DriveComboBox1Click()
{
    QString root = DriveComboBox1->currentData().toString();
    if (!DriveReady(root)) {
        // The tree never goes to a drive that cannot be used: the user picks one that can.
        TComboChange* dialog = Forms.ComboChange;
        bool chosen = false;
        if (dialog != nullptr) {
            dialog->SetDrives(Drives(), [this](const QString& drive) { return DriveReady(drive); });
            chosen = ui_->ExecDialog(*dialog) == QDialog::Accepted && !dialog->ChosenDrive().isEmpty();
        }
        if (!chosen) {
            ShowDrive(Dir_Filter->Drive());
            return;
        }
        root = dialog->ChosenDrive();
    }
    ShowDrive(root);
    if (ChangeDirectory(root)) revealPending_ = true;
}

// ---- The active list

void TMainWin::ShowActiveList(bool crypted)
{
    Paint(Avail_Label, crypted ? kInactiveCaption : kActiveCaption);
    Paint(Crypted_Label, crypted ? kActiveCaption : kInactiveCaption);
    Open_Image_Hl->setVisible(!crypted);
    Open_Image->setVisible(crypted);
    Closed_Image->setVisible(!crypted);
    Closed_Image_Hl->setVisible(crypted);
    Encrypt_Button->setEnabled(!crypted);
    FileEncrypt_MenuItem->setEnabled(!crypted);
    Decrypt_Button->setEnabled(crypted);
    FileDecrypt_MenuItem->setEnabled(crypted);
}

void TMainWin::Source_ListViewEnter()
{
    ShowActiveList(false);
}

void TMainWin::Crypted_ListViewEnter()
{
    ShowActiveList(true);
}

// ---- Drag and drop: only from one list onto the other

bool TMainWin::Source_ListViewDragOver(const QObject* source) const
{
    return Crypted_ListView->Owns(source);
}

bool TMainWin::Crypted_ListViewDragOver(const QObject* source) const
{
    return Source_ListView->Owns(source);
}

// The work starts once the drag has ended, not inside the drop.
void TMainWin::Source_ListViewDragDrop(const QObject* source)
{
    if (!Source_ListViewDragOver(source)) return;
    QMetaObject::invokeMethod(this, &TMainWin::DecrFileList, Qt::QueuedConnection);
}

void TMainWin::Crypted_ListViewDragDrop(const QObject* source)
{
    if (!Crypted_ListViewDragOver(source)) return;
    QMetaObject::invokeMethod(this, &TMainWin::EncrFileList, Qt::QueuedConnection);
}

// ---- Pop-up menus

void TMainWin::Encrypt1Click()
{
    EncrFileList();
}

void TMainWin::Decrypt1Click()
{
    DecrFileList();
}

void TMainWin::Verify2Click()
{
    if (RefuseWhileBusy()) return;
    CheckFileList(false);
}

void TMainWin::ChangePassword2Click()
{
    if (RefuseWhileBusy()) return;
    CheckFileList(true);
}

void TMainWin::Open1Click()
{
    ProcessCmd(QStringLiteral("open"));
}

void TMainWin::Print1Click()
{
    ProcessCmd(QStringLiteral("print"));
}
