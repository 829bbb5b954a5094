// SPDX-License-Identifier: GPL-3.0-or-later
// TMainWin: "Encrypt All" and "Decrypt All" of the directory tree's pop-up menu. The walk over the
// tree (which directories, in which order, what is passed over) is DirectoryWalk's, shared with
// kelvane-cli; the window moves its tree from directory to directory, so that the lists are read for
// each one, and processes every entry of the list of the run's direction.
#include "MainWin.h"

#include "DirectoryWalk.h"
#include "QtPaths.h"
#include "StatusLine.h"
#include "TKV_PrgState.h"
#include "TKV_Pwd.h"
#include "TKV_PwdTable.h"
#include "TPasswordPrompt.h"
#include "WorkflowMessages.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QToolButton>
#include <QTreeView>

namespace {

const char kRecurseQuestion[] = "Recurse subdirectories?";
const char kSearchingStatus[] = "Processing search for files...";
const char kDirectoryUnreadableMessage[] = "Cannot read the directory %1: %2";

// The window's side of the walk: the tree follows it, and each directory's list is processed whole.
class TKV_DirectoryRun : public WalkVisitor
{
public:
    TKV_DirectoryRun(TMainWin& w, int direction) : w_(w), direction_(direction) {}

    WalkStep Visit(const WalkDirectory& directory) override
    {
        if (directory.Depth > 0) {
            // The tree stays where it was when the directory cannot be entered; its lists are not ours.
            if (!w_.ChangeDirectory(QPath(directory.Path))) return WalkStep::SkipChildren;
            w_.PumpMessages();
        }
        if (w_.PrgState->Abort) return WalkStep::Stop;
        w_.ProcessDirectoryLists(direction_);
        w_.PumpMessages();
        return w_.PrgState->Abort ? WalkStep::Stop : WalkStep::Continue;
    }

    void Returned(const WalkDirectory& directory) override
    {
        w_.ChangeDirectory(QPath(directory.Path));
        w_.PumpMessages();
        if (!w_.PrgState->Abort) w_.UpdateStatus(QString::fromLatin1(kSearchingStatus));
    }

    bool Stopped() override
    {
        w_.PumpMessages();
        return w_.PrgState->Abort;
    }

    void Unreadable(const std::string& path, const std::string& reason) override
    {
        w_.Interaction().ErrorBox(QString::fromLatin1(kDirectoryUnreadableMessage)
                                      .arg(QDir::toNativeSeparators(QPath(path)), QString::fromStdString(reason)));
    }

private:
    TMainWin& w_;
    int direction_;
};

} // namespace

void TMainWin::DoForAll(int direction)
{
    if (RefuseWhileBusy()) return;
    const TKV_YesNoCancel answer = ui_->ConfirmYesNoCancel(QString::fromLatin1(kRecurseQuestion));
    if (answer == TKV_YesNoCancel::Cancel) return;
    const bool recurse = answer == TKV_YesNoCancel::Yes;

    PrgState->Busy.Include(psDirectory);
    Pwd->OneForList = false;
    RevalidatePasswords();
    TPasswordPrompt* prompt = direction == 1 ? static_cast<TPasswordPrompt*>(Forms.Decrypt) : Forms.Encrypt;
    if (prompt != nullptr) prompt->SetCancelAllShown(true);
    UpdateStatus(QString::fromLatin1(kSearchingStatus));

    QString start = TreeDirectory();
    if (start.isEmpty()) start = CurrentDirectory();
    const bool opened = ChangeDirectory(start);
    // The tree shows directories only, and the run adds none; watched, every file the run writes
    // would make it examine the directory again, which costs more than the work on a small file.
    const bool treeWatched = !Dir_Model->testOption(QFileSystemModel::DontWatchForChanges);
    Dir_Model->setOption(QFileSystemModel::DontWatchForChanges, true);
    User_DirectoryListBox->setEnabled(false);
    DriveComboBox1->setEnabled(false);
    StopProcess_Button->setEnabled(true);

    if (opened) ProcessDirectory(direction, recurse);

    RevalidatePasswords();
    PrgState->Abort = false;
    PrgState->Busy.Exclude(psDirectory);
    if (prompt != nullptr) prompt->SetCancelAllShown(false);
    UpdateStatus(QString::fromUtf8(kWorkDoneStatus));
    DriveComboBox1->setEnabled(true);
    User_DirectoryListBox->setEnabled(true);
    if (treeWatched) Dir_Model->setOption(QFileSystemModel::DontWatchForChanges, false);

    if (PrgState->ListsRaised) DropLists();
    StopProcess_Button->setEnabled(false);
    if (!Pwd->Entered) PwdControls.ButtonOn = false;
    if (!PwdTable->Master.Entered) PwdTable->MasterPwdControls.ButtonOn = false;
    ApplyExpiryControls();
    // Entries added during a run with one password came without icons and details.
    if (Pwd->OneForList || Pwd->OnePassword) ReadFLists();
}

void TMainWin::ProcessDirectory(int direction, bool recurse)
{
    TKV_DirectoryRun run(*this, direction);
    WalkDirectories(FsPath(CurrentDirectory()), recurse, run);
}

void TMainWin::ProcessDirectoryLists(int direction)
{
    TKV_ListView* list = direction == 1 ? Crypted_ListView : Source_ListView;
    list->selectAll();
    ProcessFileList(direction);
}
