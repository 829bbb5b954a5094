// SPDX-License-Identifier: GPL-3.0-or-later
// TMainWin: the progress display while the engine works on a file: the two bars under the lists and
// the six statistics panels, fed by the 50 ms Process_Timer from the engine's block counters.
#include "MainWin.h"

#include "ListView.h"
#include "Progress.h"
#include "StatusBar.h"
#include "TKV_PrgState.h"
#include "TKV_Pwd.h"

#include <QCoreApplication>
#include <QProgressBar>

#include <algorithm>
#include <utility>

namespace {

constexpr int kRaise = 16;

// Takes up to kRaise pixels off the list's height; returns what it took.
int Shorten(QWidget* list)
{
    const int taken = std::min(kRaise, std::max(0, list->height()));
    list->resize(list->width(), list->height() - taken);
    return taken;
}

} // namespace

void TMainWin::RaiseLists()
{
    PlainRaisedBy = Shorten(Source_ListView);
    CryptedRaisedBy = Shorten(Crypted_ListView);
    for (QProgressBar* bar : {ProgressBar1, ProgressBar2}) {
        bar->setValue(0);
        bar->show();
    }
    PrgState->ListsRaised = true;
}

void TMainWin::DropLists()
{
    // Only what was taken comes back: a list too short to lose 16 pixels must not grow past its place.
    Source_ListView->resize(Source_ListView->width(), Source_ListView->height() + PlainRaisedBy);
    Crypted_ListView->resize(Crypted_ListView->width(), Crypted_ListView->height() + CryptedRaisedBy);
    PlainRaisedBy = 0;
    CryptedRaisedBy = 0;
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
    ShowProgress(ProgressAt(ProcessTicks, Process_Timer.interval(), ProgressBar1->maximum(), Pwd->BlocksDone,
                            Pwd->BlocksTotal, PrgState->Busy.Contains(psEncrypting)));
}

void TMainWin::ShowFinishedProgress(bool encrypting)
{
    // Otherwise the panels would keep the last reading of the timer, short of the whole file.
    ShowProgress(
        ProgressAtEnd(ProcessTicks, Process_Timer.interval(), ProgressBar1->maximum(), Pwd->BlocksTotal, encrypting));
}

void TMainWin::ShowProgress(const TKV_Progress& progress)
{
    // QProgressBar repaints at once on a visible change; with many small files that painting was
    // most of a run's time. Left to the next pass of the event loop, it is drawn at its pace.
    for (const auto& [bar, value] : {std::pair{ProgressBar1, progress.Bar1}, std::pair{ProgressBar2, progress.Bar2}}) {
        bar->setUpdatesEnabled(false);
        bar->setValue(value);
        bar->setUpdatesEnabled(true);
    }
    if (!progress.PanelsDue) return;
    StatusBar2->SetPanelText(0, progress.Elapsed);
    StatusBar2->SetPanelText(1, progress.Remaining);
    StatusBar1->SetPanelText(0, progress.Estimated);
    StatusBar2->SetPanelText(2, progress.Throughout);
    StatusBar1->SetPanelText(1, progress.Done);
    StatusBar1->SetPanelText(2, progress.Size);
}

void TMainWin::PumpMessages()
{
    if (pumpClock_.isValid() && pumpClock_.elapsed() < kPumpPaceMs) return;
    QCoreApplication::processEvents();
    pumpClock_.start();
}
