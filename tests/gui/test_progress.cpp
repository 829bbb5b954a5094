// SPDX-License-Identifier: GPL-3.0-or-later
// The progress display: its arithmetic alone, then the window's bars and panels driven tick by tick
// (the timer's ticks are given by hand; nothing here waits for time to pass).
#include "ListTestSupport.h"
#include "Progress.h"
#include "StatusBar.h"
#include "TKV_PrgState.h"
#include "TKV_Pwd.h"
#include "WorkflowTestSupport.h"

#include <QApplication>
#include <QHelpEvent>
#include <QProgressBar>
#include <QToolTip>
#include <QtTest/QTest>

#include <algorithm>

namespace {

QStringList Panels(const TMainWin& window)
{
    return {window.StatusBar2->PanelText(0), window.StatusBar2->PanelText(1), window.StatusBar2->PanelText(2),
            window.StatusBar1->PanelText(0), window.StatusBar1->PanelText(1), window.StatusBar1->PanelText(2)};
}

const QStringList kBlankPanels = {QStringLiteral("Elapsed: "),    QStringLiteral("Remaining: "),
                                  QStringLiteral("Throughout: "), QStringLiteral("Estimated: "),
                                  QStringLiteral("Done: "),       QStringLiteral("Size: ")};

} // namespace

class ProgressTest : public QObject
{
    Q_OBJECT

private slots:
    void times_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << QStringLiteral("00m:00s");
        QTest::newRow("65") << qint64(65) << QStringLiteral("01m:05s");
        QTest::newRow("an hour") << qint64(3600) << QStringLiteral("60m:00s");
        QTest::newRow("beyond two digits") << qint64(6001) << QStringLiteral("100m:01s");
    }

    void times()
    {
        QFETCH(qint64, seconds);
        QFETCH(QString, text);
        QCOMPARE(ProgressTime(seconds), text);
    }

    void arithmetic_data()
    {
        QTest::addColumn<int>("ticks");
        QTest::addColumn<int>("done");
        QTest::addColumn<int>("total");
        QTest::addColumn<bool>("encrypting");
        QTest::addColumn<int>("bar1");
        QTest::addColumn<int>("bar2");
        QTest::addColumn<QStringList>("panels"); // empty: not due
        QTest::newRow("a quarter after a second, encrypting")
            << 20 << 100 << 400 << true << 75 << 25
            << QStringList({QStringLiteral("Elapsed: 00m:01s"), QStringLiteral("Remaining: 00m:03s"),
                            QStringLiteral("Throughout: 800 bytes per second"), QStringLiteral("Estimated: 00m:04s"),
                            QStringLiteral("Done: 0 KBytes"), QStringLiteral("Size: 3 Kbytes")});
        QTest::newRow("the same, decrypting")
            << 20 << 100 << 400 << false << 25 << 75
            << QStringList({QStringLiteral("Elapsed: 00m:01s"), QStringLiteral("Remaining: 00m:03s"),
                            QStringLiteral("Throughout: 800 bytes per second"), QStringLiteral("Estimated: 00m:04s"),
                            QStringLiteral("Done: 0 KBytes"), QStringLiteral("Size: 3 Kbytes")});
        // 2^20 bytes, padded to 2^20 + 8: the shift drops the remainder.
        QTest::newRow("2^20 bytes after three seconds")
            << 60 << 65536 << 131073 << true << 51 << 49
            << QStringList({QStringLiteral("Elapsed: 00m:03s"), QStringLiteral("Remaining: 00m:03s"),
                            QStringLiteral("Throughout: 174762 bytes per second"), QStringLiteral("Estimated: 00m:06s"),
                            QStringLiteral("Done: 512 KBytes"), QStringLiteral("Size: 1024 Kbytes")});
        QTest::newRow("between whole seconds") << 21 << 100 << 400 << true << 75 << 25 << QStringList();
        QTest::newRow("under a second") << 19 << 399 << 400 << true << 1 << 99 << QStringList();
        QTest::newRow("nothing done yet") << 40 << 0 << 400 << false << 0 << 100 << QStringList();
        // A container holding a header only: no blocks at all, nothing to divide by.
        QTest::newRow("no blocks") << 20 << 0 << 0 << false << 100 << 0 << QStringList();
        // Near 2 GiB the products leave 32 bits far behind.
        QTest::newRow("a file near 2 GiB")
            << 2000 << 134217728 << 268435455 << true << 50 << 50
            << QStringList({QStringLiteral("Elapsed: 01m:40s"), QStringLiteral("Remaining: 01m:39s"),
                            QStringLiteral("Throughout: 10737418 bytes per second"),
                            QStringLiteral("Estimated: 03m:19s"), QStringLiteral("Done: 1048576 KBytes"),
                            QStringLiteral("Size: 2097151 Kbytes")});
    }

    void arithmetic()
    {
        QFETCH(int, ticks);
        QFETCH(int, done);
        QFETCH(int, total);
        QFETCH(bool, encrypting);
        QFETCH(int, bar1);
        QFETCH(int, bar2);
        QFETCH(QStringList, panels);
        const TKV_Progress progress = ProgressAt(ticks, 50, 100, done, total, encrypting);
        QCOMPARE(progress.Bar1, bar1);
        QCOMPARE(progress.Bar2, bar2);
        QCOMPARE(progress.PanelsDue, !panels.isEmpty());
        if (panels.isEmpty()) return;
        QCOMPARE(QStringList({progress.Elapsed, progress.Remaining, progress.Throughout, progress.Estimated,
                              progress.Done, progress.Size}),
                 panels);
    }

    void theEndShowsTheWholeFile_data()
    {
        QTest::addColumn<int>("ticks");
        QTest::addColumn<int>("total");
        QTest::addColumn<QStringList>("panels"); // empty: not due
        QTest::newRow("between whole seconds")
            << 47 << 51201
            << QStringList({QStringLiteral("Elapsed: 00m:02s"), QStringLiteral("Remaining: 00m:00s"),
                            QStringLiteral("Throughout: 204804 bytes per second"), QStringLiteral("Estimated: 00m:02s"),
                            QStringLiteral("Done: 400 KBytes"), QStringLiteral("Size: 400 Kbytes")});
        QTest::newRow("on a whole second")
            << 20 << 128
            << QStringList({QStringLiteral("Elapsed: 00m:01s"), QStringLiteral("Remaining: 00m:00s"),
                            QStringLiteral("Throughout: 1024 bytes per second"), QStringLiteral("Estimated: 00m:01s"),
                            QStringLiteral("Done: 1 KBytes"), QStringLiteral("Size: 1 Kbytes")});
        QTest::newRow("under a second") << 19 << 51201 << QStringList();
        QTest::newRow("no blocks") << 40 << 0 << QStringList();
    }

    void theEndShowsTheWholeFile()
    {
        QFETCH(int, ticks);
        QFETCH(int, total);
        QFETCH(QStringList, panels);
        for (const bool encrypting : {true, false}) {
            const TKV_Progress progress = ProgressAtEnd(ticks, 50, 100, total, encrypting);
            QCOMPARE(progress.Bar1, encrypting ? 0 : 100);
            QCOMPARE(progress.Bar2, encrypting ? 100 : 0);
            QCOMPARE(progress.PanelsDue, !panels.isEmpty());
            if (panels.isEmpty()) continue;
            QCOMPARE(QStringList({progress.Elapsed, progress.Remaining, progress.Throughout, progress.Estimated,
                                  progress.Done, progress.Size}),
                     panels);
        }
    }

    // When a file is done the panels show all of it, not the timer's last reading before the end.
    void aFinishedFileShowsItsWholeFigures()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        TMainWin& window = *w.window;
        QVERIFY(WriteBytes(w.Path(QStringLiteral("big.txt")), QByteArray(409600, 'x')));
        w.Reread();
        // Every chunk of the engine is one tick of the timer.
        window.Pwd->ProcessMessages = [&window] { window.Process_TimerTimer(); };
        QVERIFY(window.EncrFile(QStringLiteral("big.txt")));
        window.Pwd->ProcessMessages = nullptr;
        QVERIFY(window.ProcessTicks >= 40);
        const QString size = QString::number((std::int64_t{window.Pwd->BlocksTotal} * 8) >> 10);
        QCOMPARE(window.StatusBar1->PanelText(1), QStringLiteral("Done: ") + size + QStringLiteral(" KBytes"));
        QCOMPARE(window.StatusBar1->PanelText(2), QStringLiteral("Size: ") + size + QStringLiteral(" Kbytes"));
        QCOMPARE(window.StatusBar2->PanelText(1), QStringLiteral("Remaining: 00m:00s"));
        QCOMPARE(window.StatusBar1->PanelText(0).mid(11), window.StatusBar2->PanelText(0).mid(9));
    }

    void theTimerDrivesBarsAndPanels()
    {
        TKV_ListFixture fx;
        TMainWin* window = fx.Open();
        window->PrgState->Busy.Include(psEncrypting);
        window->Pwd->BlocksTotal = 400;
        window->Pwd->BlocksDone = 100;
        window->StartProcessTimer();
        QVERIFY(window->Process_Timer.isActive());
        QCOMPARE(window->Process_Timer.interval(), 50);
        QCOMPARE(window->ProcessTicks, 1);
        for (int tick = 2; tick < 20; ++tick)
            window->Process_TimerTimer();
        QCOMPARE(window->ProgressBar1->value(), 75);
        QCOMPARE(window->ProgressBar2->value(), 25);
        QCOMPARE(Panels(*window), kBlankPanels);
        window->Process_TimerTimer();
        QCOMPARE(window->ProcessTicks, 20);
        QCOMPARE(Panels(*window),
                 QStringList({QStringLiteral("Elapsed: 00m:01s"), QStringLiteral("Remaining: 00m:03s"),
                              QStringLiteral("Throughout: 800 bytes per second"), QStringLiteral("Estimated: 00m:04s"),
                              QStringLiteral("Done: 0 KBytes"), QStringLiteral("Size: 3 Kbytes")}));
        window->StopProcessTimer();
        QVERIFY(!window->Process_Timer.isActive());
        // The panels keep their last texts once the work is over.
        window->PrgState->Busy.Clear();
        QCOMPARE(window->StatusBar2->PanelText(0), QStringLiteral("Elapsed: 00m:01s"));
    }

    void aFileDoneInUnderASecondLeavesThePanels()
    {
        TKV_ListFixture fx;
        TMainWin* window = fx.Open();
        window->PrgState->Busy.Include(psDecrypting);
        window->Pwd->BlocksTotal = 1000;
        window->StartProcessTimer();
        for (int tick = 2; tick <= 19; ++tick) {
            window->Pwd->BlocksDone = tick * 50;
            window->Process_TimerTimer();
        }
        window->StopProcessTimer();
        QCOMPARE(window->ProgressBar1->value(), 95);
        QCOMPARE(window->ProgressBar2->value(), 5);
        QCOMPARE(Panels(*window), kBlankPanels);
    }

    // A band narrower than its panels narrows each in proportion; hovering one shows its whole text.
    void aNarrowBarShowsEachPanelsWholeTextUnderTheMouse()
    {
        TKV_StatusBar bar(3);
        for (int panel = 0; panel < 3; ++panel)
            bar.SetPanelWidth(panel, 100);
        bar.resize(150, 20);
        bar.SetPanelText(0, QStringLiteral("Estimated: 01m:05s"));
        bar.SetPanelText(1, QStringLiteral("Done: 20480 KBytes"));
        bar.SetPanelText(2, QStringLiteral("Size: "));
        QCOMPARE(bar.PanelAt(10), 0);
        QCOMPARE(bar.PanelAt(60), 1);
        QCOMPARE(bar.PanelAt(120), 2);
        QCOMPARE(bar.PanelAt(151), -1);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QHelpEvent help(QEvent::ToolTip, QPoint(60, 10), bar.mapToGlobal(QPoint(60, 10)));
        QApplication::sendEvent(&bar, &help);
        QCOMPARE(QToolTip::text(), QStringLiteral("Done: 20480 KBytes"));
    }

    void raisingAndDroppingTheLists_data()
    {
        QTest::addColumn<int>("height"); // of both lists; -1: as the layout leaves them
        QTest::newRow("as laid out") << -1;
        QTest::newRow("shorter than 16 pixels") << 10;
        QTest::newRow("no height left") << 0;
    }

    void raisingAndDroppingTheLists()
    {
        QFETCH(int, height);
        TKV_ListFixture fx;
        TMainWin* window = fx.Open();
        window->show();
        window->FormActivate();
        if (height >= 0) {
            window->Source_ListView->resize(window->Source_ListView->width(), height);
            window->Crypted_ListView->resize(window->Crypted_ListView->width(), height + 1);
        }
        const int plain = window->Source_ListView->height();
        const int crypted = window->Crypted_ListView->height();
        QVERIFY(plain > 100 || height >= 0);
        window->ProgressBar1->setValue(40);
        window->RaiseLists();
        QVERIFY(window->PrgState->ListsRaised);
        QCOMPARE(window->Source_ListView->height(), std::max(0, plain - 16));
        QCOMPARE(window->Crypted_ListView->height(), std::max(0, crypted - 16));
        for (const QProgressBar* bar : {window->ProgressBar1, window->ProgressBar2}) {
            QVERIFY(bar->isVisible());
            QCOMPARE(bar->value(), 0);
            QCOMPARE(bar->maximum(), 100);
        }
        // The lists get back what they gave, no more.
        window->DropLists();
        QVERIFY(!window->PrgState->ListsRaised);
        QCOMPARE(window->Source_ListView->height(), plain);
        QCOMPARE(window->Crypted_ListView->height(), crypted);
        QVERIFY(window->ProgressBar1->isHidden());
        QVERIFY(window->ProgressBar2->isHidden());
    }
};

QTEST_MAIN(ProgressTest)
#include "test_progress.moc"
