// SPDX-License-Identifier: GPL-3.0-or-later
// TMainWin: the default encryption method, password expiry and the status line.
#include "MainWin.h"

#include "Messages.h"
#include "StatusBar.h"
#include "StatusLine.h"
#include "TKV_PrgState.h"
#include "TKV_Pwd.h"
#include "TKV_PwdTable.h"

#include <QToolButton>
#include <QWidget>

namespace {

void PaintCaption(QToolButton* button, const QColor& colour)
{
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, colour);
    palette.setColor(QPalette::WindowText, colour);
    button->setPalette(palette);
}

void FollowTimer(QTimer& timer, bool on)
{
    if (on && !timer.isActive()) timer.start();
    if (!on) timer.stop();
}

} // namespace

void TMainWin::ShowMethodOnButtons(QToolButton* down)
{
    down->setChecked(true);
    for (QToolButton* button : {DES_Button, TDES_Button, IDEA_Button})
        PaintCaption(button, button == down ? QColor(Qt::blue) : QColor(Qt::black));
}

void TMainWin::SetDES()
{
    DefaultMethod = kMethodDes;
    ShowMethodOnButtons(DES_Button);
    NotifyOfMethodChange();
}

void TMainWin::SetIDEA()
{
    DefaultMethod = kMethodIdea;
    ShowMethodOnButtons(IDEA_Button);
    NotifyOfMethodChange();
}

void TMainWin::SetTripleDES()
{
    DefaultMethod = kMethodTripleDes;
    ShowMethodOnButtons(TDES_Button);
    NotifyOfMethodChange();
}

void TMainWin::NotifyOfMethodChange()
{
    SetPwdExpired();
    UpdateStatus(QString::fromUtf8(kMethodChangedMessage));
}

void TMainWin::SetButtonsInStatus()
{
    switch (DefaultMethod) {
    case kMethodIdea:
        ShowMethodOnButtons(IDEA_Button);
        break;
    case kMethodDes:
        ShowMethodOnButtons(DES_Button);
        break;
    case kMethodTripleDes:
        ShowMethodOnButtons(TDES_Button);
        break;
    default:
        break; // the design state: DES down
    }
    for (QToolButton* button : {DES_Button, TDES_Button, IDEA_Button})
        button->setFixedHeight(Method_Panel->height());
}

// A click on the button of the method already in use changes nothing, so it does not make the
// session password expire either.
void TMainWin::DES_ButtonClick()
{
    if (DefaultMethod != kMethodDes) SetDES();
}

void TMainWin::TDES_ButtonClick()
{
    if (DefaultMethod != kMethodTripleDes) SetTripleDES();
}

void TMainWin::IDEA_ButtonClick()
{
    if (DefaultMethod != kMethodIdea) SetIDEA();
}

void TMainWin::SetPwdExpired()
{
    ::SetPwdExpired(*Pwd, PwdControls);
    ApplyExpiryControls();
}

void TMainWin::SetMasterPwdExpired()
{
    ::SetMasterPwdExpired(PwdTable->Master, PwdTable->MasterPwdControls);
    ApplyExpiryControls();
}

void TMainWin::PwdExpire_ButtonClick()
{
    SetPwdExpired();
}

void TMainWin::MasterPwdExpire_ButtonClick()
{
    SetMasterPwdExpired();
}

void TMainWin::PwdTimerTimer()
{
    if (Pwd == nullptr) return;
    ::PwdTimerTimer(*Pwd, PwdControls);
    ApplyExpiryControls();
}

void TMainWin::MasterPwd_TimerTimer()
{
    if (PwdTable == nullptr) return;
    ::MasterPwd_TimerTimer(PwdTable->Master, PwdTable->MasterPwdControls);
    ApplyExpiryControls();
}

void TMainWin::ApplyExpiryControls()
{
    FollowTimer(PwdTimer, PwdControls.TimerOn);
    PwdExpire_Button->setEnabled(PwdControls.ButtonOn);
    FollowTimer(MasterPwd_Timer, PwdTable->MasterPwdControls.TimerOn);
    MasterPwdExpire_Button->setEnabled(PwdTable->MasterPwdControls.ButtonOn);
}

void TMainWin::UpdateStatus(const QString& text)
{
    // The bounce is drawn frame by frame only when messages come at a pace one can read. Over many
    // small files the frames would be a blur and cost more than the files' own work; the texts still
    // pass in the same order, and the last one is painted with the next turn of the message loop.
    const bool animate =
        StatusBar3->isVisible() && (!statusClock_.isValid() || statusClock_.elapsed() >= kStatusPaceMs);
    for (const QString& frame : StatusFrames(text)) {
        StatusBar3->SetPanelText(0, frame);
        // Each frame is painted at once, or only the last one would ever be seen.
        if (animate) StatusBar3->repaint();
    }
    statusClock_.restart();
}

bool TMainWin::RefuseWhileBusy()
{
    if (PrgState->Busy.Empty()) return false;
    UpdateStatus(QString::fromUtf8(kPleaseWaitMessage));
    return true;
}
