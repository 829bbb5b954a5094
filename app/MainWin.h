// SPDX-License-Identifier: GPL-3.0-or-later
// TMainWin: the program's one main window. Declared here once; its members are defined in the .cpp
// chapter named above each group. Components and settings that the dialogs and the tests reach are
// public fields; what only the chapters use is private.
#pragma once

#include "Interaction.h"
#include "Keys.h"
#include "ListView.h"
#include "PasswordExpiry.h"
#include "SecureZero.h"
#include "SettingsStore.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QMargins>
#include <QSize>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAbstractItemView;
class QAction;
class QActionGroup;
class QButtonGroup;
class QComboBox;
class QDialog;
class QFileSystemModel;
class QFileSystemWatcher;
class QLabel;
class QLocale;
class QMenu;
class QProgressBar;
class QSplitter;
class QToolBar;
class QToolButton;
class QTreeView;
class QUrl;

class TAbout;
class TDecrypt;
class TEncrypt;
class TMasterPwd_Form;
class TStoredPwd_Form;
class TPasswordPrompt;
class TPreferences;
class TComboChange;
class TDelDialog;
class TKV_CoolBar;
class TKV_DirCryptor;
class TKV_DriveTreeFilter;
class TKV_FileListModel;
class TKV_FileTypes;
class TKV_PrgState;
class TKV_Pwd;
class TKV_PwdTable;
class TKV_StatusBar;
class TTIP_Form;
class TKV_WindowCryptUi;
class TKV_AppLauncher;
struct TKV_Launch;
class QProcess;
class FileCryptor;
struct FileJob;
struct FileResult;
struct TKV_FileItem;
struct TKV_Progress;

// What the window is built with. The program passes nothing; tests answer the prompts, bring their
// own settings store and watch the steps of start-up and shutdown.
struct TMainWinSetup
{
    // Null: real dialogs, owned by the window.
    TKV_Interaction* Interaction = nullptr;
    // Opens a session with the settings store; null: OpenSettingsStore.
    std::function<std::unique_ptr<TKV_SettingsAccess>()> OpenSettings;
    // The command line without the program name.
    QStringList Arguments;
    // Told each step of start-up and shutdown by name.
    std::function<void(const QString&)> Trace;
    // The drive box's drives (root directories) and the test of whether one can be used; null:
    // the mounted volumes.
    std::function<QStringList()> Drives;
    std::function<bool(const QString&)> DriveReady;
    // Tests make the secure wipe fail through this; null: the real wipe.
    std::function<int(const std::string& path)> WipeFile;
    // Starts the applications of files; null: the desktop's own choice.
    std::function<std::unique_ptr<TKV_AppLauncher>()> Launcher;
};

// The dialogs, created once by CreateForms right after the window.
struct TKV_Forms
{
    TEncrypt* Encrypt = nullptr;
    TDecrypt* Decrypt = nullptr;
    TAbout* About = nullptr;
    TPreferences* Preferences = nullptr;
    TDelDialog* DelDialog = nullptr;
    TComboChange* ComboChange = nullptr;
    TMasterPwd_Form* MasterPwd_Form = nullptr;
    TTIP_Form* TIP_Form = nullptr;
    TStoredPwd_Form* StoredPwd_Form = nullptr;
};

// The settings that the command line changes for its own run only, as they were before it.
struct TKV_CommandLineSaved
{
    bool Active = false;
    int DefaultMethod = 0;
    bool Store = false;
};

class TMainWin : public QMainWindow
{
    Q_OBJECT

public:
    explicit TMainWin(TMainWinSetup setup = {});
    ~TMainWin() override;

    // ---- Start-up and shutdown (MainWin_Startup.cpp)

    // Creates the four owned objects, loads the settings. Runs inside the constructor.
    void FormCreate();
    // The start-up work, once, at the first activation.
    void FormActivate();
    // Saves the settings, then frees the four owned objects in creation order. Runs inside the
    // destructor.
    void FormDestroy();
    // Refuses while work runs; asks first when decrypted files are still open in applications.
    void FormCloseQuery(bool& CanClose);
    void SetStatusBars();
    void SetupImageList(bool small);
    void PromptForMasterPassword();

    // ---- Settings (MainWin_Settings.cpp)

    // Reads everything; a failure shows "The program has not been installed correctly!" once and
    // start-up goes on with what was read before it.
    void LoadSettings();
    // Writes, after the command line's temporary changes have been undone, each value that was read
    // or has changed since start-up; a value never read keeps what the store holds. A failure is
    // told once.
    void SaveSettings();
    // Takes the values as they stand at the end of start-up as those to compare with at exit.
    void RememberStartupSettings();
    // False at the first failure; what was read before it stays.
    bool LoadSettingsFrom(TKV_SettingsAccess& reg);
    // Writes every value. Keys that do not exist are left out (the program never creates keys); a
    // value that cannot be written is left out and the others are still written. False when one was
    // left out so or the store could not be closed.
    bool SaveSettingsTo(TKV_SettingsAccess& reg);
    bool ReadInterfaceSettings(TKV_SettingsAccess& reg);
    bool WriteInterfaceSettings(TKV_SettingsAccess& reg);
    // The command line's hook: remember the default method and Store before it changes them, and
    // give them back afterwards (SaveSettings does it too, should the command line have stopped).
    void RememberCommandLineSettings();
    void RestoreCommandLineSettings();

    // ---- Default method, password expiry, status line (MainWin_Method.cpp)

    void SetDES();
    void SetIDEA();
    void SetTripleDES();
    void SetButtonsInStatus();
    void NotifyOfMethodChange();
    void SetPwdExpired();
    void SetMasterPwdExpired();
    void UpdateStatus(const QString& text);
    // A command that would start work while Busy is not empty says "Please wait until the process is
    // finished." and does nothing else: true then.
    bool RefuseWhileBusy();
    void DES_ButtonClick();
    void TDES_ButtonClick();
    void IDEA_ButtonClick();
    void PwdExpire_ButtonClick();
    void MasterPwdExpire_ButtonClick();
    void PwdTimerTimer();
    void MasterPwd_TimerTimer();
    // Timers and expire buttons follow the expiry state the password core keeps.
    void ApplyExpiryControls();

    // ---- Layout (MainWin_Layout.cpp)

    void Reresize();
    void UpdateWidths();
    void RenderGrid2Images();
    void FormResize();
    void Status_CoolBarResize();
    void Splitter1Moved();
    void StatusBars_MenuItemClick();
    void ToolBar_MenuItemClick();
    // A file is being encrypted or decrypted (Busy holds more than psDirectory and psDeleting).
    bool WindowBusy() const;

    // ---- The file lists (MainWin_Lists.cpp)

    // Refills both lists from the current directory, redrawing suspended.
    void ReadFLists();
    // Appends the entry `caption` to the list, with icon and details unless Encrypt All or Decrypt
    // All runs with one password.
    void AddListItem(QAbstractItemView* listView, const QString& caption);
    int GetImageIndex(const QString& fileName);
    // (Re)reads the details of entry `index`; an entry whose file cannot be opened keeps none.
    void GetFileInfo(QAbstractItemView* listView, int index);
    // Moves list name `name` to the other list after an encryption (direction 0) or decryption (1);
    // with sourceKept the source entry stays, as when the source could not be removed.
    void UpdateFLists(const QString& name, int direction, bool sourceKept);
    // The file behind the entry captioned `caption`, without directory (b.CRY for "b" with ShowCry
    // off); for a caption the list does not hold, the caption's own file name.
    QString FileOfListItem(const QAbstractItemView* listView, const QString& caption) const;
    // Removes the entry captioned `name` (an exact match first, else one differing in letter case).
    void DeleteListItem(QAbstractItemView* listView, const QString& name);
    // The lists' comparison with the program-wide SortColumn and SortDescending.
    int Source_ListViewCompare(const TKV_FileItem& x, const TKV_FileItem& y) const;
    void SortList(QAbstractItemView* listView);
    // A header click on either list: nothing while DetailsComplete is false; else that column, and
    // the direction flipped.
    void Source_ListViewColumnClick(QAbstractItemView* listView, int column);
    void SetListViewStyle(TKV_ViewStyle style);
    // One of the four items of View › File lists.
    void ChangeView(const QAction* item);
    // Reads both lists again, keeping each list's selection, current entry and scroll position.
    void RefreshFLists();
    // View › Refresh (F5).
    void Refresh_MenuItemClick();
    // The shown directory changed on disk; the lists follow once the changes have settled and no
    // work of the program's own runs.
    void Dir_WatcherChange();
    void DirChange_TimerTimer();
    // The entries of a list view (either of its views); null for any other view.
    TKV_FileListModel* ListModel(const QAbstractItemView* listView) const;

    // ---- Drive box, directory tree, active list, drag and drop, pop-up menus (MainWin_Browse.cpp)

    // The drives offered and whether one can be used now.
    QStringList Drives() const;
    bool DriveReady(const QString& root) const;
    // Makes `path` the current directory and the tree's, and reads the lists; on failure the tree
    // stays on the current directory and the user is told.
    bool ChangeDirectory(const QString& path);
    // The drive box and the tree show the current directory.
    void FollowCurrentDirectory();
    // The directory the tree has selected.
    QString TreeDirectory() const;
    void DriveComboBox1Click();
    void User_DirectoryListBoxEnter();
    void User_DirectoryListBoxChange();
    void Source_ListViewEnter();
    void Crypted_ListViewEnter();
    // Whether a drag started in `source` (a view; null from outside) may drop on the list.
    bool Source_ListViewDragOver(const QObject* source) const;
    bool Crypted_ListViewDragOver(const QObject* source) const;
    void Source_ListViewDragDrop(const QObject* source);
    void Crypted_ListViewDragDrop(const QObject* source);
    void Encrypt1Click();
    void Decrypt1Click();
    void Open1Click();
    void Print1Click();
    // The Crypted list's pop-up menu: check the selected containers, give them a new password.
    void Verify2Click();
    void ChangePassword2Click();

    // ---- Help and the desktop's default handlers (MainWin_Help.cpp)

    // Opens the help about `context` (F1 in the window asks for 20) at its page and anchor; 0 and a
    // number without a topic open the first page.
    void ShowHelpContext(int context);
    // Where that help is: the installed pages, found from HelpFile.
    QUrl HelpUrl(int context) const;
    // Hands `url` to the desktop's default handler through the seam. A local file that does not exist,
    // and an address no handler takes, are told in an error box naming them; false then.
    bool OpenWithDefaultHandler(const QUrl& url);

    // ---- Progress display (MainWin_Progress.cpp)

    void RaiseLists();
    void DropLists();
    void StartProcessTimer();
    void StopProcessTimer();
    void Process_TimerTimer();
    // The panels show the figures of the whole file once the engine has finished it.
    void ShowFinishedProgress(bool encrypting);

    // ---- Commands and the work they start (MainWin_Commands.cpp)

    void EncrFileList();
    void DecrFileList();
    void ProcessParameters();
    // Opens or prints the selected plain files in their applications ("open" or "print").
    void ProcessCmd(const QString& verb);
    void Source_ListViewDblClick();
    void Crypted_ListViewDblClick();
    void Encrypt_ButtonClick();
    void Decrypt_ButtonClick();
    void Button1Click();
    void Options2Click();
    void Exit1Click();
    void Contents1Click();
    void Tips1Click();
    void About1Click();
    void EncriptAll1Click();
    void Decriptall1Click();
    void Open2Click();
    void Print2Click();

    // ---- Opening files in their applications (MainWin_OpenFiles.cpp)

    // Decrypts (without `path`: the Crypted list's selection; with it: the command line's file, already
    // decrypted) and opens or prints each file with `verb` ("open", "print"), keeping a slot for it.
    void ProcessDecrCmd(const QString& verb, const QString& path);
    // Starts the application for `file`; the status line says so meanwhile.
    TKV_Launch OpenAssociatedApp(const QString& file, const QString& verb);
    // Takes the first free slot for `file`, whose application runs as `process`, with the password and
    // method that opened it.
    void CreateFileObject(const QString& file, QProcess* process, const SecretBytes& password, int method);
    // The poll: files whose application has ended are encrypted again, while no other work runs.
    void NotifyOpenFiles();
    void NotifyOpenFiles_TimerTimer();
    // Encrypts again the files whose application handed them over and ended at once.
    void EncryptAgainNow();
    // One file argument of the command line; false when its directory cannot be entered (the user was
    // told, and the rest of the command line is skipped).
    bool ProcessCommandLineFile(const QString& argument, const QString& currentCommand);
    // An application that ends sooner than this after its start is taken to have handed the file over.
    static constexpr qint64 kHandOverMs = 2000;

    // ---- Encrypting and decrypting one file (MainWin_Workflows.cpp)

    // Turn the file `name` (as its list shows it) of DirCryptor->Directory into its counterpart with
    // the password the engine object already holds. True when the engine succeeded, even if the
    // source could not be removed afterwards; false when refused, declined or failed, after the
    // user has been told. Callers check Busy.
    bool EncrFile(const QString& name);
    bool DecrFile(const QString& name);
    // The whole of one file of a list run: its password (stored, or asked for with the prompt), the
    // work, its stored password kept in step.
    FileResult ProcessListFile(const QString& name, bool encrypting);
    // The same for a container of the Crypted list that is verified or given a new password.
    FileResult ProcessCheckFile(const QString& name, bool rekey);
    // True when `path` (the file behind list name `name`) is a regular file; otherwise the user is told
    // that it is missing or is no regular file (a link, pipe or device), and false.
    bool SourceIsUsable(const QString& path, const QString& name);
    // The engine's result of the last EncrFile/DecrFile; 0 also when it never reached the engine.
    int LastEngineResult = 0;
    // The container behind an entry of the Crypted list, without directory.
    QString CryptedFileName(const QString& caption) const;
    // The message of a non-zero engine result for list name `name`; "All" to a wrong password sets
    // Abort. A code without a message shows nothing.
    void ShowEngineError(int code, const QString& name);

    // ---- Deletion and wiping (MainWin_Delete.cpp)

    // Wipes (plain files) or deletes (containers) the file at `path`; true when it is gone. Anything
    // but a regular file is removed itself, never wiped through. A plain file with other names (hard
    // links) loses only this name; an information box tells the user that its data was not wiped.
    bool RemoveFile(const QString& path, bool wipe);
    // "Delete" of the selected files of Source_ListView or Crypted_ListView, each confirmed with
    // TDelDialog.
    void FileDel(QAbstractItemView& listView);
    // The pop-up menus' "Delete": Plain list, Crypted list.
    void Delete1Click();
    void Delete2Click();

    // ---- Password prompts (MainWin_Passwords.cpp)

    // The prompts return a TKV_PromptResult: 1 a password is in the engine object, 2 skip this file,
    // 3 cancel the list. Names as the lists show them; the directory is that of DirCryptor.
    int PromptToEncrypt(const QString& name);
    int PromptToDecrypt(const QString& name);
    // The encryption prompt for the new password of a container, always shown (a password held for
    // the session is the old one's): the password goes into `fresh` and the method is DefaultMethod.
    int PromptForNewPassword(const QString& name, TKV_Pwd& fresh);
    // Drops expired passwords at a batch boundary.
    void RevalidatePasswords();

    // ---- Preferences (MainWin_Preferences.cpp)

    // Shows the Preferences dialog on copies of the settings and applies them on "Ok". Refused while
    // work runs, since applying drops the file password a batch may be using.
    void ShowPreferences();
    // The database folder is made when the path is the default one, which lies in a folder of the
    // program's own that may not exist yet. Any other path is the user's, used as it is.
    void MakeDefaultDatabaseFolder();

    // ---- Stored passwords (MainWin_StoredPasswords.cpp)

    // File > Stored passwords...: after the master password, the dialog of the files whose passwords
    // the database holds, where entries are removed. With passwords not stored on disk it only tells
    // the user so and asks for nothing.
    void StoredPwd_MenuItemClick();
    // The dialog's two removals, each confirmed first; the dialog then shows the database anew.
    void RemoveStoredPasswords(const std::vector<std::string>& names);
    void RemoveMissingStoredPasswords();

    // ---- Processing file lists (MainWin_FileLists.cpp)

    // direction 0 encrypts the selection of Source_ListView, 1 decrypts that of Crypted_ListView.
    void ProcessFileList(int direction);
    // Verifies (rekey false) or gives a new password (true) to each selected container of
    // Crypted_ListView, then reads the lists again.
    void CheckFileList(bool rekey);

    // ---- Encrypt All and Decrypt All over a directory tree (MainWin_DirectoryRun.cpp)

    // direction 0 encrypts every plain file, 1 decrypts every container, of the directory highlighted
    // in the tree and, if the user wishes, of all directories below it.
    void DoForAll(int direction);
    // The tree's current directory and, with `recurse`, those below it; the tree ends where it began.
    void ProcessDirectory(int direction, bool recurse);
    // Every entry of the list of `direction` in the directory the lists show.
    void ProcessDirectoryLists(int direction);
    // Lets the window paint and take the stop button while work goes on: at most once per
    // kPumpPaceMs, because painting both lists after every small file would cost more than the work.
    void PumpMessages();

    std::unique_ptr<TKV_DirCryptor> DirCryptor;
    std::unique_ptr<TKV_Pwd> Pwd;
    std::unique_ptr<TKV_PwdTable> PwdTable;
    std::unique_ptr<TKV_PrgState> PrgState;

    // ---- Settings held in memory

    int DefaultMethod = 0;
    bool ShowCry = false;
    bool ShowTIP = false;
    bool OnePerList = false;
    QString HelpFile;
    ExpiryControls PwdControls;
    QSize SmallIconSize;
    QSize LargeIconSize;

    TKV_Forms Forms;

    // Every message box and prompt goes through here.
    TKV_Interaction& Interaction() const { return *ui_; }
    // The command line without the program name.
    const QStringList& Arguments() const { return setup_.Arguments; }

    // ---- Components

    QToolBar* ToolBar1 = nullptr;
    QToolButton* Encrypt_Button = nullptr;
    QToolButton* Decrypt_Button = nullptr;
    QToolButton* MasterPwdExpire_Button = nullptr;
    QToolButton* PwdExpire_Button = nullptr;
    QToolButton* StopProcess_Button = nullptr;
    QToolButton* Help_Button = nullptr;
    QToolButton* EncryptAgain_Button = nullptr;

    QSplitter* Splitter1 = nullptr;
    QWidget* Dir_Panel = nullptr;
    QComboBox* DriveComboBox1 = nullptr;
    QTreeView* User_DirectoryListBox = nullptr;
    QFileSystemModel* Dir_Model = nullptr;
    TKV_DriveTreeFilter* Dir_Filter = nullptr;
    QWidget* Grid_Panel = nullptr;
    QLabel* Open_Image = nullptr;
    QLabel* Open_Image_Hl = nullptr;
    QLabel* Avail_Label = nullptr;
    TKV_ListView* Source_ListView = nullptr;
    TKV_FileListModel* Source_Model = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* Closed_Image = nullptr;
    QLabel* Closed_Image_Hl = nullptr;
    QLabel* Crypted_Label = nullptr;
    TKV_ListView* Crypted_ListView = nullptr;
    TKV_FileListModel* Crypted_Model = nullptr;
    QProgressBar* ProgressBar2 = nullptr;

    TKV_CoolBar* Status_CoolBar = nullptr;
    TKV_StatusBar* StatusBar1 = nullptr;
    TKV_StatusBar* StatusBar2 = nullptr;
    TKV_StatusBar* StatusBar3 = nullptr;
    QWidget* Method_Panel = nullptr;
    QToolButton* DES_Button = nullptr;
    QToolButton* TDES_Button = nullptr;
    QToolButton* IDEA_Button = nullptr;

    QAction* FileEncrypt_MenuItem = nullptr;
    QAction* FileDecrypt_MenuItem = nullptr;
    QAction* StoredPwd_MenuItem = nullptr;
    QAction* LargeIcons_MenuItem = nullptr;
    QAction* SmallIcons_MenuItem = nullptr;
    QAction* List_MenuItem = nullptr;
    QAction* Details_MenuItem = nullptr;
    QAction* Refresh_MenuItem = nullptr;
    QAction* StatusBars_MenuItem = nullptr;
    QAction* ToolBar_MenuItem = nullptr;

    QMenu* Dir_PopupMenu = nullptr;
    QAction* EncriptAll1 = nullptr;
    QAction* Decriptall1 = nullptr;
    QMenu* Source_PopupMenu = nullptr;
    QAction* Encrypt1 = nullptr;
    QAction* Delete1 = nullptr;
    QMenu* Crypted_PopupMenu = nullptr;
    QAction* Decrypt1 = nullptr;
    QAction* Open2 = nullptr;
    QAction* Print2 = nullptr;
    QAction* Delete2 = nullptr;
    QAction* Verify2 = nullptr;
    QAction* ChangePassword2 = nullptr;

    // ---- State of the lists and the progress display

    // Program-wide, shared by both lists; never stored.
    int SortColumn = 0;
    bool SortDescending = false;
    TKV_ViewStyle ViewStyle = vsReport;
    // Process_Timer's tick count.
    int ProcessTicks = 0;
    static constexpr int kMainWinHelpContext = 20;
    // Changes to the shown directory that come within this time of each other make one refresh.
    static constexpr int kDirChangeSettleMs = 300;
    // The last help context asked for; 0 for none.
    int LastHelpContext = 0;

    QTimer Process_Timer;
    QTimer PwdTimer;
    QTimer MasterPwd_Timer;
    QTimer NotifyOpenFiles_Timer;
    // Watches the directory the lists show; DirChange_Timer gathers its bursts into one refresh.
    QFileSystemWatcher* Dir_Watcher = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // MainWin_Layout.cpp: the components, their design places and their connections.
    void BuildFrame();
    void BuildMenus();
    void BuildToolBar();
    void BuildDirPanel();
    void BuildGridPanel();
    void BuildCoolBar();
    void BuildTimers();
    void SettleLayout();
    // MainWin_Settings.cpp: the band controls by component name; null for any other name.
    QWidget* BandControlNamed(const QString& name) const;
    // MainWin_Method.cpp: the given button down with a blue caption, the other two black.
    void ShowMethodOnButtons(QToolButton* down);
    // MainWin_Lists.cpp
    void WatchDirectory(const QString& directory);
    TKV_FileItem MakeListItem(bool crypted, const QString& caption, const QString& file, const QLocale& locale);
    void FillFileInfo(TKV_FileItem& item, const QString& file, bool crypted, const QLocale& locale);
    void ShowSortIndicator(QAbstractItemView* listView);
    // MainWin_Progress.cpp
    void ShowProgress(const TKV_Progress& progress);
    // MainWin_Browse.cpp
    void ShowDrive(const QString& root);
    void ShowDirectory(const QString& path);
    void RevealDirectory();
    void DirectoryChosen();
    void ShowActiveList(bool crypted);
    // MainWin_Workflows.cpp: the one file's job for list name `name`, the window's answers told which
    // entry it is; the work with the password the engine object holds.
    FileJob PrepareFileJob(const QString& name, bool encrypting);
    bool WorkOnFile(const QString& name, bool encrypting);
    void CreateFileCryptor();
    // MainWin_StoredPasswords.cpp: shows the database's names in the dialog; false when it could not be
    // read (the user was told).
    bool ShowStoredNames(bool keepPlace);
    // MainWin_OpenFiles.cpp
    TKV_AppLauncher& Launcher();
    // Slot `index` is freed and its file encrypted again with its own password and method.
    void EncryptOpenFile(int index);
    bool EncrFileWith(const QString& name, const SecretBytes& password, int method);
    void ShowDetachedFiles();
    void FreeFileCryptor();
    // MainWin_Startup.cpp
    std::unique_ptr<TKV_SettingsAccess> OpenSettings() const;
    void Trace(const char* step) const;
    // The frame the platform puts around the window; empty where it is not known yet.
    QMargins FrameMargins();
    // The window, frame included, no larger than the available area of its screen, and within it.
    void FitOnScreen();
    void CentreOnScreen();

    // ---- Components and state that only the chapters use

    TKV_CommandLineSaved CommandLineSaved;
    QButtonGroup* Method_Group = nullptr;
    QAction* Options_MenuItem = nullptr;
    QAction* Exit_MenuItem = nullptr;
    QActionGroup* ViewStyle_Group = nullptr;
    QAction* Contents_MenuItem = nullptr;
    QAction* Tips_MenuItem = nullptr;
    QAction* About_MenuItem = nullptr;
    QAction* Open1 = nullptr;
    QAction* Print1 = nullptr;
    // A header has been clicked: the headers show the order.
    bool SortChosen = false;
    // What RaiseLists took from each list: 16 pixels, or all of a list shorter than that.
    int PlainRaisedBy = 0;
    int CryptedRaisedBy = 0;
    // Icons and type names of the files in the lists.
    std::shared_ptr<TKV_FileTypes> Types;
    QTimer DirChange_Timer;
    // How long the last reading of the lists took, which spaces out refreshes of a busy directory.
    qint64 LastListReadMs = 0;

    TMainWinSetup setup_;
    std::unique_ptr<TKV_WindowCryptUi> cryptUi_;
    std::unique_ptr<FileCryptor> cryptor_;
    std::unique_ptr<TKV_AppLauncher> launcher_;
    // The tool bar's place of EncryptAgain_Button, which shows or hides it.
    QAction* encryptAgainItem_ = nullptr;
    // Since the last status message; messages closer together than kStatusPaceMs are not animated.
    QElapsedTimer statusClock_;
    static constexpr qint64 kStatusPaceMs = 250;
    QElapsedTimer pumpClock_;
    static constexpr qint64 kPumpPaceMs = 30;
    // Which stored values this run read, and what they held after start-up.
    TKV_SettingsRun settingsRun_;
    std::unique_ptr<TKV_Interaction> ownUi_;
    TKV_Interaction* ui_ = nullptr;
    bool activated_ = false;
    // The tree is being put on the current directory, not moved by the user.
    bool followingDirectory_ = false;
    // The current directory is to be brought into view once the tree has loaded the way to it.
    bool revealPending_ = false;
    QTimer revealTimer_;
    bool firstShow_ = true;
    bool closed_ = false;
};
