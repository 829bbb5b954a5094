// SPDX-License-Identifier: GPL-3.0-or-later
// TMainWin: start-up and shutdown.
#include "MainWin.h"

#include "AppLauncher.h"
#include "CoolBar.h"
#include "FileTypes.h"
#include "Messages.h"
#include "QtInteraction.h"
#include "StatusBar.h"
#include "TKV_DirCryptor.h"
#include "TKV_PrgState.h"
#include "TKV_Pwd.h"
#include "TKV_PwdTable.h"
#include "WindowCryptUi.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QScreen>
#include <QStyle>
#include <QTreeView>
#include <QWindow>

#include <algorithm>

TMainWin::TMainWin(TMainWinSetup setup) : setup_(std::move(setup))
{
    if (setup_.Interaction != nullptr) {
        ui_ = setup_.Interaction;
    } else {
        ownUi_ = std::make_unique<TKV_QtInteraction>(this);
        ui_ = ownUi_.get();
    }
    BuildFrame();
    FormCreate();
}

TMainWin::~TMainWin()
{
    FormDestroy();
}

void TMainWin::Trace(const char* step) const
{
    if (setup_.Trace) setup_.Trace(QString::fromLatin1(step));
}

std::unique_ptr<TKV_SettingsAccess> TMainWin::OpenSettings() const
{
    return setup_.OpenSettings ? setup_.OpenSettings() : OpenSettingsStore();
}

void TMainWin::FormCreate()
{
    DirCryptor = std::make_unique<TKV_DirCryptor>();
    Trace("create TKV_DirCryptor");
    Pwd = std::make_unique<TKV_Pwd>();
    Trace("create TKV_Pwd");
    PwdTable = std::make_unique<TKV_PwdTable>(*ui_);
    Trace("create TKV_PwdTable");
    PrgState = std::make_unique<TKV_PrgState>();
    Trace("create TKV_PrgState");
    // The engine tests the stop flag after every block and lets the window work between chunks.
    Pwd->Abort = &PrgState->Abort;
    Pwd->ProcessMessages = [this] { PumpMessages(); };
    CreateFileCryptor();

    LoadSettings();
    SetupImageList(true);
    SetupImageList(false);
    FitOnScreen();
    CentreOnScreen();
    RememberStartupSettings();
}

QMargins TMainWin::FrameMargins()
{
    // Known before the window is shown on most platforms once it has its native window; on X11 not
    // until the window manager has framed it, and there the window manager's own placement decides.
    create();
    return windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
}

void TMainWin::FitOnScreen()
{
    // A stored size from a larger screen, a damaged file or a scaled display must not put the menu
    // bar out of reach.
    if (const QScreen* screen = this->screen()) {
        const QSize room = screen->availableGeometry().size().shrunkBy(FrameMargins());
        if (width() > room.width() || height() > room.height()) resize(size().boundedTo(room));
    }
}

void TMainWin::CentreOnScreen()
{
    if (const QScreen* screen = this->screen()) {
        const QRect available = screen->availableGeometry();
        QRect frame(QPoint(), size().grownBy(FrameMargins()));
        frame.moveCenter(available.center());
        // A window still larger than the screen (its minimum size) keeps its top left corner on it.
        frame.moveTopLeft(QPoint(std::max(frame.left(), available.left()), std::max(frame.top(), available.top())));
        move(frame.topLeft());
    }
}

void TMainWin::SetupImageList(bool small)
{
    // The lists take each file's icon from the platform (QFileIconProvider); what is shared here is
    // only the platform's size for small and large icons.
    const int extent = style()->pixelMetric(small ? QStyle::PM_SmallIconSize : QStyle::PM_LargeIconSize);
    if (small) {
        SmallIconSize = QSize(extent, extent);
        Source_ListView->setIconSize(SmallIconSize);
        Crypted_ListView->setIconSize(SmallIconSize);
    } else {
        LargeIconSize = QSize(extent, extent);
    }
}

void TMainWin::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!firstShow_) return;
    firstShow_ = false;
    // Without a window manager the window may never be activated; the start-up work must not wait
    // for that. Queued, so that it runs inside the message loop, as an activation would.
    QMetaObject::invokeMethod(this, &TMainWin::FormActivate, Qt::QueuedConnection);
}

void TMainWin::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !activated_)
        QMetaObject::invokeMethod(this, &TMainWin::FormActivate, Qt::QueuedConnection);
}

void TMainWin::FormActivate()
{
    if (activated_ || PrgState == nullptr) return;
    activated_ = true;
    Trace("SetButtonsInStatus");
    SetButtonsInStatus();
    Trace("SetStatusBars");
    SetStatusBars();
    Trace("Reresize");
    Reresize();
    Trace("focus User_DirectoryListBox");
    RevealDirectory();
    User_DirectoryListBox->setFocus();
    // The focus event reaches the tree only in an active window; the lists must be read before the
    // command line is looked at either way, and the handler reads them only once.
    User_DirectoryListBoxEnter();
    Trace("ProcessParameters");
    ProcessParameters();
    if (closed_) return;
    if (PwdTable->Master.Store) {
        Trace("PromptForMasterPassword");
        PromptForMasterPassword();
    }
    if (ShowTIP) {
        Trace("Tips");
        Tips1Click();
    }
}

void TMainWin::SetStatusBars()
{
    const int width = Status_CoolBar->width() / 3;
    for (int panel = 0; panel < 3; ++panel) {
        StatusBar1->SetPanelWidth(panel, width);
        StatusBar2->SetPanelWidth(panel, width);
    }
}

void TMainWin::PromptForMasterPassword()
{
    PwdTable->PromptForMasterPassword();
    // "Do not use at all" switches the database off, and with it the wish to save a file's password.
    if (!PwdTable->Master.Store) PrgState->SavePassword = false;
    ApplyExpiryControls();
}

void TMainWin::FormCloseQuery(bool& CanClose)
{
    if (!PrgState->Busy.Empty()) {
        CanClose = false;
        return;
    }
    if (PrgState->OpenCount == 0) {
        CanClose = true;
        return;
    }
    CanClose = ui_->InfoOkCancel(QString::fromUtf8(kOpenFilesAtExitWarning));
}

void TMainWin::closeEvent(QCloseEvent* event)
{
    bool canClose = true;
    FormCloseQuery(canClose);
    if (!canClose) {
        event->ignore();
        return;
    }
    closed_ = true;
    event->accept();
}

void TMainWin::FormDestroy()
{
    if (PrgState == nullptr) return;
    SaveSettings();
    Process_Timer.stop();
    PwdTimer.stop();
    MasterPwd_Timer.stop();
    NotifyOpenFiles_Timer.stop();
    FreeFileCryptor();
    DirCryptor.reset();
    Trace("free TKV_DirCryptor");
    Pwd.reset();
    Trace("free TKV_Pwd");
    PwdTable.reset();
    Trace("free TKV_PwdTable");
    PrgState.reset();
    Trace("free TKV_PrgState");
}
