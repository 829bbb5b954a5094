// SPDX-License-Identifier: GPL-3.0-or-later
// TMainWin: the progress display while the engine works on a file: the two bars under the lists and
// the six statistics panels, fed by the 50 ms Process_Timer from the engine's block counters.
#include "MainWin.h"

#include "ListView.h"
#include "Progress.h"
#include "StatusBar.h"
#include "TKV_PrgState.h"
#include "TKV_Pwd.h"

#include <QProgressBar>

void TMainWin::RaiseLists()
{
    for (QWidget* list : {static_cast<QWidget*>(Source_ListView), static_cast<QWidget*>(Crypted_ListView)})
        list->resize(list->width(), std::max(0, list->height() - 16));
    for (QProgressBar* bar : {ProgressBar1, ProgressBar2}) {
        bar->setValue(0);
        bar->show();
    }
    PrgState->ListsRaised = true;
}

void TMainWin::DropLists()
{
    for (QWidget* list : {static_cast<QWidget*>(Source_ListView), static_cast<QWidget*>(Crypted_ListView)})
        list->resize(list->width(), list->height() + 16);
    ProgressBar1->hide();
    ProgressBar2->hide();
    PrgState->ListsRaised = false;
}

void TMainWin::StartProcessTimer()
{
    Process_Timer.start();
    ProcessTicks = 1;
}

void TMainWin::StopProcessTimer()
{
    Process_Timer.stop();
}

void TMainWin::Process_TimerTimer()
{
    if (Pwd == nullptr || PrgState == nullptr) return;
    ++ProcessTicks;
    const TKV_Progress progress = ProgressAt(ProcessTicks, Process_Timer.interval(), ProgressBar1->maximum(),
                                             Pwd->BlocksDone, Pwd->BlocksTotal, PrgState->Busy.Contains(psEncrypting));
    ProgressBar1->setValue(progress.Bar1);
    ProgressBar2->setValue(progress.Bar2);
    if (!progress.PanelsDue) return;
    StatusBar2->SetPanelText(0, progress.Elapsed);
    StatusBar2->SetPanelText(1, progress.Remaining);
    StatusBar1->SetPanelText(0, progress.Estimated);
    StatusBar2->SetPanelText(2, progress.Throughout);
    StatusBar1->SetPanelText(1, progress.Done);
    StatusBar1->SetPanelText(2, progress.Size);
}
