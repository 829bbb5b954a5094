// SPDX-License-Identifier: GPL-3.0-or-later
// TMainWin: the two file lists: reading them from the shown directory, their entries with icons and
// details, moving an entry after an encryption or decryption, their order and their view styles.
#include "MainWin.h"

#include "DirectoryWalk.h"
#include "FileListModel.h"
#include "FileLists.h"
#include "FileTypes.h"
#include "ListView.h"
#include "QtPaths.h"
#include "TKV_PrgState.h"
#include "TKV_Pwd.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLocale>
#include <QScrollBar>

#include <algorithm>
#include <vector>

namespace {

const char kRetrievingStatus[] = "Retrieving directory contents...";
const char kListsReadStatus[] = "Idle.";

// Every entry of the directory but its subdirectories, hidden and system ones included, in the
// order of their names. Listed as Encrypt All and Decrypt All list it, and named with QPath, so that
// a name that is no valid UTF-8 still leads to its file.
QStringList ListFiles(const QString& directory)
{
    QStringList names;
    WalkDirectory listing;
    std::vector<std::string> links;
    std::string reason;
    // A directory that cannot be read shows empty lists.
    if (!ListDirectory(FsPath(directory), listing, links, reason)) return names;
    names.reserve(static_cast<qsizetype>(listing.Files.size()));
    for (const std::string& name : listing.Files)
        names.append(QPath(name));
    std::sort(names.begin(), names.end(), [](const QString& x, const QString& y) { return CompareCaptions(x, y) < 0; });
    return names;
}

} // namespace

TKV_FileListModel* TMainWin::ListModel(const QAbstractItemView* listView) const
{
    if (Crypted_ListView->Owns(listView)) return Crypted_Model;
    if (Source_ListView->Owns(listView)) return Source_Model;
    return nullptr;
}

void TMainWin::ReadFLists()
{
    QElapsedTimer clock;
    clock.start();
    const QString directory = CurrentDirectory();
    WatchDirectory(directory);
    Source_ListView->setUpdatesEnabled(false);
    Crypted_ListView->setUpdatesEnabled(false);
    Source_Model->Clear();
    Crypted_Model->Clear();
    UpdateStatus(QString::fromLatin1(kRetrievingStatus));

    std::vector<TKV_FileItem> plain;
    std::vector<TKV_FileItem> crypted;
    const QLocale locale;
    for (const QString& name : ListFiles(directory)) {
        if (IsCryName(name))
            crypted.push_back(MakeListItem(true, CryptedCaption(name, ShowCry), name, locale));
        else
            plain.push_back(MakeListItem(false, name, name, locale));
    }
    Source_Model->Reset(std::move(plain));
    Crypted_Model->Reset(std::move(crypted));

    UpdateStatus(QString::fromLatin1(kListsReadStatus));
    SortList(Source_ListView);
    SortList(Crypted_ListView);
    Source_ListView->setUpdatesEnabled(true);
    Crypted_ListView->setUpdatesEnabled(true);
    LastListReadMs = clock.elapsed();
}

void TMainWin::WatchDirectory(const QString& directory)
{
    const QStringList watched = Dir_Watcher->directories();
    if (watched.size() == 1 && watched.front() == directory) return;
    if (!watched.isEmpty()) Dir_Watcher->removePaths(watched);
    // A directory that cannot be watched (no inotify left, a file system without change
    // notification) is still refreshed with F5.
    Dir_Watcher->addPath(directory);
    DirChange_Timer.stop();
}

void TMainWin::Dir_WatcherChange()
{
    if (DirChange_Timer.isActive()) return;
    // A directory written to without pause (a download, a build) must not keep the window reading it:
    // at most one reading in four times the time the last one took.
    DirChange_Timer.start(static_cast<int>(std::clamp<qint64>(4 * LastListReadMs, kDirChangeSettleMs, 10000)));
}

void TMainWin::DirChange_TimerTimer()
{
    // The program's own work updates the lists itself, and entries must not move under a prompt or
    // a run; what changed meanwhile is read once it is over.
    if (!PrgState->Busy.Empty()) {
        DirChange_Timer.start(kDirChangeSettleMs);
        return;
    }
    RefreshFLists();
}

void TMainWin::Refresh_MenuItemClick()
{
    if (RefuseWhileBusy()) return;
    RefreshFLists();
}

namespace {

struct TKV_KeptView
{
    QStringList Selected;
    QString Current;
    int Scroll = 0;
};

TKV_KeptView KeepView(const TKV_ListView& list, const TKV_FileListModel& model)
{
    TKV_KeptView kept;
    for (const QModelIndex& index : list.selectionModel()->selectedRows())
        kept.Selected.append(model.Item(index.row()).Caption);
    const QModelIndex current = list.selectionModel()->currentIndex();
    if (current.isValid()) kept.Current = model.Item(current.row()).Caption;
    kept.Scroll = list.ShownView()->verticalScrollBar()->value();
    return kept;
}

int RowOfCaption(const TKV_FileListModel& model, const QString& caption)
{
    for (int row = 0; row < model.Count(); ++row) {
        if (model.Item(row).Caption == caption) return row;
    }
    return -1;
}

void RestoreView(TKV_ListView& list, const TKV_FileListModel& model, const TKV_KeptView& kept)
{
    QItemSelectionModel& selection = *list.selectionModel();
    QItemSelection rows;
    for (const QString& caption : kept.Selected) {
        const int row = RowOfCaption(model, caption);
        if (row >= 0) rows.select(model.index(row, 0), model.index(row, model.columnCount() - 1));
    }
    selection.select(rows, QItemSelectionModel::ClearAndSelect);
    const int current = RowOfCaption(model, kept.Current);
    if (current >= 0) selection.setCurrentIndex(model.index(current, 0), QItemSelectionModel::NoUpdate);
    list.ShownView()->verticalScrollBar()->setValue(kept.Scroll);
}

} // namespace

void TMainWin::RefreshFLists()
{
    const TKV_KeptView plain = KeepView(*Source_ListView, *Source_Model);
    const TKV_KeptView crypted = KeepView(*Crypted_ListView, *Crypted_Model);
    ReadFLists();
    RestoreView(*Source_ListView, *Source_Model, plain);
    RestoreView(*Crypted_ListView, *Crypted_Model, crypted);
}

TKV_FileItem TMainWin::MakeListItem(bool crypted, const QString& caption, const QString& file, const QLocale& locale)
{
    TKV_FileItem item;
    item.Caption = caption;
    item.FileName = file;
    // Encrypt All and Decrypt All with one password go without icons and details, and refill the
    // lists at their end.
    if (PrgState->Busy.Contains(psDirectory) && (Pwd->OneForList || Pwd->OnePassword)) {
        PrgState->DetailsComplete = false;
        return item;
    }
    PrgState->DetailsComplete = true;
    item.ImageIndex = GetImageIndex(file);
    FillFileInfo(item, file, crypted, locale);
    // A link, pipe or device shows what it is, not the type its name suggests: the user sees before
    // choosing it that it cannot be encrypted.
    if (const QString special = SpecialFileType(file); !special.isEmpty()) {
        item.ImageIndex = Types->ImageIndexOfType(special);
        item.Kind = Types->TypeNameOfType(special);
    }
    return item;
}

void TMainWin::FillFileInfo(TKV_FileItem& item, const QString& file, bool crypted, const QLocale& locale)
{
    TKV_FileFacts facts;
    // A file that cannot be opened keeps its caption and icon alone; nothing is reported.
    if (!ReadFileFacts(file, crypted, facts)) return;
    item.HasDetails = true;
    item.Size = facts.Size;
    item.Time = facts.Time;
    item.SizeText = SizeText(facts.Size);
    item.DateText = DateText(facts.Time, locale);
    item.Attributes = AttributeText(file, facts.OwnerCannotWrite);
    item.Kind = crypted ? MethodTagOfHead(facts.Head, facts.HeadLength) : Types->TypeName(file);
}

void TMainWin::AddListItem(QAbstractItemView* listView, const QString& caption)
{
    TKV_FileListModel* model = ListModel(listView);
    if (model == nullptr) return;
    const bool crypted = model == Crypted_Model;
    model->Append(MakeListItem(crypted, caption, FileOfCaption(caption, crypted, ShowCry), QLocale()));
}

int TMainWin::GetImageIndex(const QString& fileName)
{
    // One icon serves every size of the views, so the style of the Plain list plays no part here.
    return Types->ImageIndex(fileName);
}

void TMainWin::GetFileInfo(QAbstractItemView* listView, int index)
{
    TKV_FileListModel* model = ListModel(listView);
    if (model == nullptr || index < 0 || index >= model->Count()) return;
    const bool crypted = model == Crypted_Model;
    TKV_FileItem item = model->Item(index);
    FillFileInfo(item, item.FileName, crypted, QLocale());
    model->Replace(index, std::move(item));
}

void TMainWin::UpdateFLists(const QString& name, int direction, bool sourceKept)
{
    const bool encrypted = direction == 0;
    TKV_ListView* target = encrypted ? Crypted_ListView : Source_ListView;
    TKV_ListView* source = encrypted ? Source_ListView : Crypted_ListView;
    AddListItem(target, encrypted ? CaptionAfterEncryption(name, ShowCry) : CaptionAfterDecryption(name, ShowCry));
    SortList(target);
    if (!sourceKept) DeleteListItem(source, name);
}

QString TMainWin::FileOfListItem(const QAbstractItemView* listView, const QString& caption) const
{
    const TKV_FileListModel* model = ListModel(listView);
    const bool crypted = model == Crypted_Model;
    const int row = model != nullptr ? model->Find(caption) : -1;
    return row >= 0 ? model->Item(row).FileName : FileOfCaption(caption, crypted, ShowCry);
}

void TMainWin::DeleteListItem(QAbstractItemView* listView, const QString& name)
{
    TKV_FileListModel* model = ListModel(listView);
    if (model != nullptr) model->Remove(model->Find(name));
}

int TMainWin::Source_ListViewCompare(const TKV_FileItem& x, const TKV_FileItem& y) const
{
    return CompareFileItems(x, y, SortColumn, SortDescending, PrgState->DetailsComplete);
}

void TMainWin::SortList(QAbstractItemView* listView)
{
    TKV_FileListModel* model = ListModel(listView);
    if (model == nullptr) return;
    model->Sort([this](const TKV_FileItem& x, const TKV_FileItem& y) { return Source_ListViewCompare(x, y); });
    ShowSortIndicator(listView);
}

void TMainWin::ShowSortIndicator(QAbstractItemView* listView)
{
    TKV_ListView* list = Crypted_ListView->Owns(listView) ? Crypted_ListView : Source_ListView;
    // Shown once the user has chosen an order; until then the lists keep the order they were read in.
    list->header()->setSortIndicatorShown(SortChosen);
    list->header()->setSortIndicator(SortColumn, SortDescending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void TMainWin::Source_ListViewColumnClick(QAbstractItemView* listView, int column)
{
    if (!PrgState->DetailsComplete) {
        ShowSortIndicator(listView);
        return;
    }
    SortColumn = column;
    SortDescending = !SortDescending;
    SortChosen = true;
    SortList(listView);
}

void TMainWin::SetListViewStyle(TKV_ViewStyle style)
{
    ViewStyle = style;
    Source_ListView->SetViewStyle(style, SmallIconSize, LargeIconSize);
    Crypted_ListView->SetViewStyle(style, SmallIconSize, LargeIconSize);
    QAction* item = style == vsIcon        ? LargeIcons_MenuItem
                    : style == vsSmallIcon ? SmallIcons_MenuItem
                    : style == vsList      ? List_MenuItem
                                           : Details_MenuItem;
    item->setChecked(true);
}

void TMainWin::ChangeView(const QAction* item)
{
    if (item == LargeIcons_MenuItem)
        SetListViewStyle(vsIcon);
    else if (item == SmallIcons_MenuItem)
        SetListViewStyle(vsSmallIcon);
    else if (item == List_MenuItem)
        SetListViewStyle(vsList);
    else
        SetListViewStyle(vsReport);
}
