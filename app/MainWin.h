// SPDX-License-Identifier: GPL-3.0-or-later
// TMainWin: the program's one main window. Declared here once; its members are defined in the .cpp
// chapter named above each group. Components and in-memory settings are public fields, so that the
// chapters, the dialogs and the tests reach them as they are.
#pragma once

#include "Interaction.h"
#include "PasswordExpiry.h"
#include "SettingsStore.h"

#include <QMainWindow>
#include <QSize>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class QAbstractItemView;
class QAction;
class QActionGroup;
class QButtonGroup;
class QComboBox;
class QDialog;
class QLabel;
class QProgressBar;
class QSplitter;
class QStandardItemModel;
class QToolBar;
class QToolButton;
class QTreeView;

class TAbout;
class TComboChange;
class TDelDialog;
class TKV_CoolBar;
class TKV_DirCryptor;
class TKV_PrgState;
class TKV_Pwd;
class TKV_PwdTable;
class TKV_StatusBar;
class TTIP_Form;

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
};

// The dialogs, created once by CreateForms right after the window. Forms of the password layer are
// plain dialogs until their own classes take their places.
struct TKV_Forms
{
    QDialog* Encrypt = nullptr;
    QDialog* Decrypt = nullptr;
    TAbout* About = nullptr;
    QDialog* Preferences = nullptr;
    TDelDialog* DelDialog = nullptr;
    TComboChange* ComboChange = nullptr;
    QDialog* MasterPwd_Form = nullptr;
    TTIP_Form* TIP_Form = nullptr;
};

// The settings that the command line changes for its own run only, as they were before it.
struct TKV_CommandLineSaved
{
    bool Active = false;
    int DefaultMethod = 0;
    bool Store = false;
};

// Method codes the buttons choose.
inline constexpr int kMethodIDEA = 1;
inline constexpr int kMethodDES = 3;
inline constexpr int kMethodTripleDES = 4;

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
    // Writes everything, after the command line's temporary changes have been undone.
    void SaveSettings();
    // False at the first failure; what was read before it stays.
    bool LoadSettingsFrom(TKV_SettingsAccess& reg);
    // Keys that do not exist are left out (the program never creates keys); false at the first
    // value that cannot be written, the values after it are not written.
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

    // ---- Commands and the work they start (MainWin_Commands.cpp)

    void EncrFileList();
    void DecrFileList();
    void DoForAll(int direction);
    void FileDel(QAbstractItemView& listView);
    void ProcessParameters();
    void ReadFLists();
    void User_DirectoryListBoxEnter();
    void User_DirectoryListBoxChange();
    void Source_ListViewDblClick();
    void Crypted_ListViewDblClick();
    void Encrypt_ButtonClick();
    void Decrypt_ButtonClick();
    void Button1Click();
    void Options2Click();
    void Exit1Click();
    void ChangeView();
    void Contents1Click();
    void Tips1Click();
    void About1Click();
    void EncriptAll1Click();
    void Decriptall1Click();
    void Open2Click();
    void Print2Click();
    void Process_TimerTimer();
    void NotifyOpenFiles_TimerTimer();

    // ---- Owned objects, from FormCreate to FormDestroy

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
    TKV_CommandLineSaved CommandLineSaved;
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

    QSplitter* Splitter1 = nullptr;
    QWidget* Dir_Panel = nullptr;
    QComboBox* DriveComboBox1 = nullptr;
    QTreeView* User_DirectoryListBox = nullptr;
    QWidget* Grid_Panel = nullptr;
    QLabel* Open_Image = nullptr;
    QLabel* Open_Image_Hl = nullptr;
    QLabel* Avail_Label = nullptr;
    QTreeView* Source_ListView = nullptr;
    QStandardItemModel* Source_Model = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* Closed_Image = nullptr;
    QLabel* Closed_Image_Hl = nullptr;
    QLabel* Crypted_Label = nullptr;
    QTreeView* Crypted_ListView = nullptr;
    QStandardItemModel* Crypted_Model = nullptr;
    QProgressBar* ProgressBar2 = nullptr;

    TKV_CoolBar* Status_CoolBar = nullptr;
    TKV_StatusBar* StatusBar1 = nullptr;
    TKV_StatusBar* StatusBar2 = nullptr;
    TKV_StatusBar* StatusBar3 = nullptr;
    QWidget* Method_Panel = nullptr;
    QToolButton* DES_Button = nullptr;
    QToolButton* TDES_Button = nullptr;
    QToolButton* IDEA_Button = nullptr;
    QButtonGroup* Method_Group = nullptr;

    QAction* FileEncrypt_MenuItem = nullptr;
    QAction* FileDecrypt_MenuItem = nullptr;
    QAction* Options_MenuItem = nullptr;
    QAction* Exit_MenuItem = nullptr;
    QActionGroup* ViewStyle_Group = nullptr;
    QAction* LargeIcons_MenuItem = nullptr;
    QAction* SmallIcons_MenuItem = nullptr;
    QAction* List_MenuItem = nullptr;
    QAction* Details_MenuItem = nullptr;
    QAction* StatusBars_MenuItem = nullptr;
    QAction* ToolBar_MenuItem = nullptr;
    QAction* Contents_MenuItem = nullptr;
    QAction* Tips_MenuItem = nullptr;
    QAction* About_MenuItem = nullptr;

    QTimer Process_Timer;
    QTimer PwdTimer;
    QTimer MasterPwd_Timer;
    QTimer NotifyOpenFiles_Timer;

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
    // MainWin_Startup.cpp
    std::unique_ptr<TKV_SettingsAccess> OpenSettings() const;
    void Trace(const char* step) const;
    void CentreOnScreen();

    TMainWinSetup setup_;
    std::unique_ptr<TKV_Interaction> ownUi_;
    TKV_Interaction* ui_ = nullptr;
    bool activated_ = false;
    bool firstShow_ = true;
    bool closed_ = false;
};
