// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up and shutdown: the order of objects, forms and first-activation steps, the design state of
// the window, the close guard and the refusal of work while work runs.
#include "CoolBar.h"
#include "FileListModel.h"
#include "Forms.h"
#include "GuiTestSupport.h"
#include "Messages.h"
#include "StatusBar.h"
#include "StatusLine.h"
#include "TKV_DirCryptor.h"
#include "TKV_PrgState.h"
#include "TKV_Pwd.h"
#include "TKV_PwdTable.h"
#include "TMasterPwd_Form.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QtTest/QTest>

namespace {

QString SettingsWith(QTemporaryDir& dir, const QString& store, const QString& showTip)
{
    QString text = DefaultSettingsText();
    text = WithValue(text, QStringLiteral("Settings\\MasterPass"), QStringLiteral("Store"), store);
    text = WithValue(text, QStringLiteral("Settings\\Options"), QStringLiteral("ShowTIP"), showTip);
    return WriteFile(dir.filePath(QStringLiteral("crypt file.ini")), text);
}

const QStringList kCreation = {QStringLiteral("create TKV_DirCryptor"), QStringLiteral("create TKV_Pwd"),
                               QStringLiteral("create TKV_PwdTable"), QStringLiteral("create TKV_PrgState"),
                               QStringLiteral("LoadSettings")};

const QStringList kDestruction = {QStringLiteral("SaveSettings"), QStringLiteral("free TKV_DirCryptor"),
                                  QStringLiteral("free TKV_Pwd"), QStringLiteral("free TKV_PwdTable"),
                                  QStringLiteral("free TKV_PrgState")};

const QStringList kFirstActivation = {
    QStringLiteral("SetButtonsInStatus"), QStringLiteral("SetStatusBars"),
    QStringLiteral("Reresize"),           QStringLiteral("focus User_DirectoryListBox"),
    QStringLiteral("ReadFLists"),         QStringLiteral("ProcessParameters")};

} // namespace

class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    void objectsCreatedAndFreedInOrder()
    {
        QTemporaryDir dir;
        const QString path = SettingsWith(dir, QStringLiteral("0"), QStringLiteral("0"));
        TKV_ScriptedInteraction ui;
        QStringList trace;
        auto window = MakeWindow(ui, path, [&trace](const QString& step) { trace.append(step); });
        QCOMPARE(trace, kCreation);
        QVERIFY(window->DirCryptor && window->Pwd && window->PwdTable && window->PrgState);
        // The engine's stop flag is the run state's.
        QCOMPARE(window->Pwd->Abort, &window->PrgState->Abort);
        trace.clear();
        window.reset();
        QCOMPARE(trace, kDestruction);
    }

    void formsCreatedOnceInOrder()
    {
        QTemporaryDir dir;
        const QString path = SettingsWith(dir, QStringLiteral("0"), QStringLiteral("0"));
        TKV_ScriptedInteraction ui;
        auto window = MakeWindow(ui, path);
        CreateForms(*window);
        QStringList names;
        for (QObject* child : window->children()) {
            if (auto* dialog = qobject_cast<QDialog*>(child)) names.append(dialog->objectName());
        }
        QCOMPARE(names, QStringList({QStringLiteral("TEncrypt"), QStringLiteral("TDecrypt"), QStringLiteral("TAbout"),
                                     QStringLiteral("TPreferences"), QStringLiteral("TDelDialog"),
                                     QStringLiteral("TComboChange"), QStringLiteral("TMasterPwd_Form"),
                                     QStringLiteral("TTIP_Form"), QStringLiteral("TStoredPwd_Form")}));
        QCOMPARE(window->Forms.About->objectName(), QStringLiteral("TAbout"));
        QCOMPARE(window->Forms.TIP_Form->windowTitle(), QStringLiteral("Tip of the day"));
        QVERIFY(window->Forms.MasterPwd_Form->isHidden());
    }

    void firstActivationSteps()
    {
        QTemporaryDir dir;
        const QString path = SettingsWith(dir, QStringLiteral("0"), QStringLiteral("0"));
        TKV_ScriptedInteraction ui;
        QStringList trace;
        auto window = MakeWindow(ui, path, [&trace](const QString& step) { trace.append(step); });
        trace.clear();
        QVERIFY(window->PrgState->FirstEnter);
        window->FormActivate();
        QCOMPARE(trace, kFirstActivation);
        QVERIFY(!window->PrgState->FirstEnter);
        trace.clear();
        window->FormActivate();
        QVERIFY(trace.isEmpty());
    }

    void masterPasswordAfterTheListsAndBeforeTheTip()
    {
        QTemporaryDir dir;
        const QString path = SettingsWith(dir, QStringLiteral("1"), QStringLiteral("1"));
        TKV_ScriptedInteraction ui;
        ui.ExpectMasterPassword(MasterPasswordAnswer::NotNow);
        QStringList trace;
        auto window = MakeWindow(ui, path, [&trace](const QString& step) { trace.append(step); });
        trace.clear();
        window->FormActivate();
        QCOMPARE(trace,
                 kFirstActivation + QStringList({QStringLiteral("PromptForMasterPassword"), QStringLiteral("Tips")}));
        QCOMPARE(ui.Asked(), QStringList({QStringLiteral("MasterPassword: ")}));
        QCOMPARE(window->PwdTable->Master.Store, true);
        QCOMPARE(window->PwdTable->Master.Entered, false);
    }

    void masterPasswordNotUsedAtAll()
    {
        QTemporaryDir dir;
        const QString path = SettingsWith(dir, QStringLiteral("1"), QStringLiteral("0"));
        TKV_ScriptedInteraction ui;
        ui.ExpectMasterPassword(MasterPasswordAnswer::NotAtAll);
        auto window = MakeWindow(ui, path);
        window->PrgState->SavePassword = true;
        window->FormActivate();
        QCOMPARE(window->PwdTable->Master.Store, false);
        QCOMPARE(window->PrgState->SavePassword, false);
        window.reset();
        QCOMPARE(StoredInteger(path, QStringLiteral("Settings\\MasterPass"), QStringLiteral("Store")), 0);
    }

    void masterPasswordEnteredStartsItsExpiry()
    {
        QTemporaryDir dir;
        QString text = DefaultSettingsText();
        text = WithValue(text, QStringLiteral("Settings\\MasterPass"), QStringLiteral("Store"), QStringLiteral("1"));
        text = WithValue(text, QStringLiteral("Settings\\MasterPass"), QStringLiteral("Expires"), QStringLiteral("1"));
        text = WithValue(text, QStringLiteral("Settings\\MasterPass"), QStringLiteral("ExpTime"), QStringLiteral("5"));
        text = WithValue(text, QStringLiteral("Settings\\MasterPass"), QStringLiteral("Dir"),
                         dir.filePath(QStringLiteral("none.001")));
        text = WithValue(text, QStringLiteral("Settings\\Options"), QStringLiteral("ShowTIP"), QStringLiteral("0"));
        const QString path = WriteFile(dir.filePath(QStringLiteral("crypt file.ini")), text);
        TKV_ScriptedInteraction ui;
        ui.ExpectMasterPassword(MasterPasswordAnswer::Submitted, QStringLiteral("secret1"));
        auto window = MakeWindow(ui, path);
        window->show();
        window->FormActivate();
        QCOMPARE(window->PwdTable->Master.Entered, true);
        QVERIFY(window->MasterPwd_Timer.isActive());
        QVERIFY(window->MasterPwdExpire_Button->isEnabled());
        QTest::mouseClick(window->MasterPwdExpire_Button, Qt::LeftButton);
        QCOMPARE(window->PwdTable->Master.Expired, true);
        QVERIFY(!window->MasterPwd_Timer.isActive());
        QVERIFY(!window->MasterPwdExpire_Button->isEnabled());
    }

    // Also run on a display scaled by 2 (gui.test_startup_scaled), where the shipped size is too large.
    void theWindowFitsTheScreen_data()
    {
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::addColumn<QSize>("wanted");
        QTest::newRow("stored 50000 x 40000")
            << QStringLiteral("50000") << QStringLiteral("40000") << QSize(50000, 40000);
        QTest::newRow("shipped 583 x 456") << QStringLiteral("583") << QStringLiteral("456") << QSize(583, 456);
        // The design size, which is a little taller than the shipped one.
        QTest::newRow("unreadable, design size") << QStringLiteral("abc") << QStringLiteral("456") << QSize(583, 456);
    }

    void theWindowFitsTheScreen()
    {
        QFETCH(QString, width);
        QFETCH(QString, height);
        QFETCH(QSize, wanted);
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        if (available.width() >= wanted.width() && available.height() >= wanted.height())
            QSKIP("the screen is large enough for this size");
        QTemporaryDir dir;
        QString text = DefaultSettingsText();
        text = WithValue(text, QStringLiteral("Settings\\MainWin"), QStringLiteral("Width"), width);
        text = WithValue(text, QStringLiteral("Settings\\MainWin"), QStringLiteral("Height"), height);
        text = WithValue(text, QStringLiteral("Settings\\Options"), QStringLiteral("ShowTIP"), QStringLiteral("0"));
        const QString path = WriteFile(dir.filePath(QStringLiteral("crypt file.ini")), text);
        const bool readable = width != QStringLiteral("abc");
        TKV_ScriptedInteraction ui;
        if (!readable) ui.ExpectError(QString::fromLatin1(kNotInstalledMessage));
        auto window = MakeWindow(ui, path);
        window->show();
        window->FormActivate();
        // The frame as well: the menu bar and the window's own title stay in reach.
        QVERIFY(available.contains(window->frameGeometry()));
        const QSize fitted = window->size();
        if (readable) QCOMPARE(fitted, wanted.boundedTo(available.size() - (window->frameGeometry().size() - fitted)));
        window.reset();
        if (readable) {
            // The size as the window had it, which the user left so.
            QCOMPARE(StoredInteger(path, QStringLiteral("Settings\\MainWin"), QStringLiteral("Width")), fitted.width());
            QCOMPARE(StoredInteger(path, QStringLiteral("Settings\\MainWin"), QStringLiteral("Height")),
                     fitted.height());
        } else {
            // A size never read is not written, fitted or not.
            QCOMPARE(ReadFile(path), text);
        }
    }

    void showingTheWindowActivatesItOnce()
    {
        QTemporaryDir dir;
        const QString path = SettingsWith(dir, QStringLiteral("0"), QStringLiteral("0"));
        TKV_ScriptedInteraction ui;
        QStringList trace;
        auto window = MakeWindow(ui, path, [&trace](const QString& step) { trace.append(step); });
        trace.clear();
        window->show();
        QCoreApplication::processEvents();
        QCOMPARE(trace, kFirstActivation);
        window->hide();
        window->show();
        QCoreApplication::processEvents();
        QCOMPARE(trace, kFirstActivation);
    }

    void designState()
    {
        QTemporaryDir dir;
        const QString path = SettingsWith(dir, QStringLiteral("0"), QStringLiteral("0"));
        TKV_ScriptedInteraction ui;
        auto window = MakeWindow(ui, path);
        QCOMPARE(window->windowTitle(), QStringLiteral("Kelvane 95 ( IDEA )"));
        QCOMPARE(window->StatusBar3->PanelText(0), QStringLiteral("Idle"));
        QCOMPARE(window->StatusBar1->PanelText(0), QStringLiteral("Estimated: "));
        QCOMPARE(window->StatusBar1->PanelText(1), QStringLiteral("Done: "));
        QCOMPARE(window->StatusBar1->PanelText(2), QStringLiteral("Size: "));
        QCOMPARE(window->StatusBar2->PanelText(0), QStringLiteral("Elapsed: "));
        QCOMPARE(window->StatusBar2->PanelText(1), QStringLiteral("Remaining: "));
        QCOMPARE(window->StatusBar2->PanelText(2), QStringLiteral("Throughout: "));
        QVERIFY(window->Encrypt_Button->isEnabled());
        QVERIFY(!window->Decrypt_Button->isEnabled());
        QVERIFY(window->FileEncrypt_MenuItem->isEnabled());
        QVERIFY(!window->FileDecrypt_MenuItem->isEnabled());
        QVERIFY(!window->MasterPwdExpire_Button->isEnabled());
        QVERIFY(!window->PwdExpire_Button->isEnabled());
        QVERIFY(!window->StopProcess_Button->isEnabled());
        QCOMPARE(window->StopProcess_Button->toolTip(), QStringLiteral("Stop current process!"));
        QCOMPARE(window->PwdExpire_Button->toolTip(), QStringLiteral("Make password expire now!"));
        QCOMPARE(window->MasterPwdExpire_Button->toolTip(), QStringLiteral("Make master password expire now!"));
        QCOMPARE(window->Avail_Label->text(), QStringLiteral("Available for encryption"));
        QCOMPARE(window->Crypted_Label->text(), QStringLiteral("Crypted files"));
        QVERIFY(!window->Open_Image_Hl->isHidden());
        QVERIFY(window->Open_Image->isHidden());
        QVERIFY(!window->Closed_Image->isHidden());
        QVERIFY(window->Closed_Image_Hl->isHidden());
        QVERIFY(window->ProgressBar1->isHidden());
        QVERIFY(window->ProgressBar2->isHidden());
        QCOMPARE(window->Source_Model->headerData(4, Qt::Horizontal).toString(), QStringLiteral("File Type"));
        QCOMPARE(window->Crypted_Model->headerData(4, Qt::Horizontal).toString(), QStringLiteral("Encrypted by"));
        QVERIFY(window->Details_MenuItem->isChecked());
        QVERIFY(window->StatusBars_MenuItem->isChecked());
        QVERIFY(window->ToolBar_MenuItem->isChecked());
        QCOMPARE(window->Process_Timer.interval(), 50);
        QCOMPARE(window->PwdTimer.interval(), 1000);
        QCOMPARE(window->MasterPwd_Timer.interval(), 1000);
        QCOMPARE(window->NotifyOpenFiles_Timer.interval(), 200);
        for (const QTimer* timer :
             {&window->Process_Timer, &window->PwdTimer, &window->MasterPwd_Timer, &window->NotifyOpenFiles_Timer})
            QVERIFY(!timer->isActive());
    }

    void statusBarPanelsShareTheCoolBarWidth()
    {
        QTemporaryDir dir;
        const QString path = SettingsWith(dir, QStringLiteral("0"), QStringLiteral("0"));
        TKV_ScriptedInteraction ui;
        auto window = MakeWindow(ui, path);
        window->show();
        window->FormActivate();
        const int third = window->Status_CoolBar->width() / 3;
        QVERIFY(third > 0);
        for (int panel = 0; panel < 3; ++panel) {
            QCOMPARE(window->StatusBar1->PanelWidth(panel), third);
            QCOMPARE(window->StatusBar2->PanelWidth(panel), third);
        }
    }

    void listsFollowTheTree()
    {
        QTemporaryDir dir;
        const QString path = SettingsWith(dir, QStringLiteral("0"), QStringLiteral("0"));
        TKV_ScriptedInteraction ui;
        auto window = MakeWindow(ui, path);
        window->show();
        window->FormActivate();
        const QTreeView* tree = window->User_DirectoryListBox;
        QCOMPARE(tree->height(), window->Dir_Panel->height() - 40);
        QCOMPARE(tree->width(), window->Dir_Panel->width() - 8);
        QCOMPARE(window->Crypted_ListView->geometry().bottom(), tree->geometry().bottom());
        QCOMPARE(window->Source_ListView->width(), window->Grid_Panel->width() - 12);
        QCOMPARE(window->Crypted_Label->y(), window->Crypted_ListView->y() - 20);

        // Hiding the status bars gives the panels more room, and the lists follow.
        const int before = tree->height();
        window->StatusBars_MenuItem->trigger();
        QVERIFY(window->Status_CoolBar->isHidden());
        QVERIFY(tree->height() > before);
        QCOMPARE(window->Crypted_ListView->geometry().bottom(), tree->geometry().bottom());
        window->StatusBars_MenuItem->trigger();
        QVERIFY(!window->Status_CoolBar->isHidden());
        window->ToolBar_MenuItem->trigger();
        QVERIFY(window->ToolBar1->isHidden());
        QCOMPARE(window->Crypted_ListView->geometry().bottom(), tree->geometry().bottom());
    }

    void busyListsMakeRoomForTheBars()
    {
        QTemporaryDir dir;
        const QString path = SettingsWith(dir, QStringLiteral("0"), QStringLiteral("0"));
        TKV_ScriptedInteraction ui;
        auto window = MakeWindow(ui, path);
        window->show();
        window->FormActivate();
        window->PrgState->Busy.Include(psEncrypting);
        window->Reresize();
        const QTreeView* tree = window->User_DirectoryListBox;
        QCOMPARE(window->Crypted_ListView->geometry().bottom(), tree->geometry().bottom() - 14);
        QCOMPARE(window->ProgressBar2->y(), window->Crypted_ListView->geometry().bottom() + 1 + 4);
        QCOMPARE(window->ProgressBar1->y(), window->Source_ListView->geometry().bottom() + 1 + 4);
    }

    void workIsRefusedWhileBusy()
    {
        QTemporaryDir dir;
        const QString path = SettingsWith(dir, QStringLiteral("0"), QStringLiteral("0"));
        TKV_ScriptedInteraction ui;
        auto window = MakeWindow(ui, path);
        window->show();
        window->FormActivate();
        window->PrgState->Busy.Include(psEncrypting);
        const QString wait = QString::fromLatin1(kPleaseWaitMessage);
        const QList<std::function<void()>> commands = {
            [&] { window->EncrFileList(); },
            [&] { window->DecrFileList(); },
            [&] { window->DoForAll(0); },
            [&] { window->EncriptAll1Click(); },
            // FileDel with nothing selected does nothing at all; test_delete refuses it with a selection.
            [&] { window->Open2Click(); },
            [&] { window->Print2Click(); },
            [&] { QTest::mouseClick(window->Encrypt_Button, Qt::LeftButton); },
        };
        for (const auto& command : commands) {
            window->StatusBar3->SetPanelText(0, QStringLiteral("Idle."));
            command();
            QCOMPARE(window->StatusBar3->PanelText(0), wait);
            QCOMPARE(int(window->PrgState->Busy.Bits()), int(psEncrypting));
            QVERIFY(window->DirCryptor->Files.isEmpty());
        }
    }

    void workIsNotRefusedWhenIdle()
    {
        QTemporaryDir dir;
        const QString path = SettingsWith(dir, QStringLiteral("0"), QStringLiteral("0"));
        TKV_ScriptedInteraction ui;
        auto window = MakeWindow(ui, path);
        QVERIFY(!window->RefuseWhileBusy());
        window->EncrFileList();
        QCOMPARE(window->StatusBar3->PanelText(0), QStringLiteral("Idle"));
    }

    void updateStatusShowsEveryFrame()
    {
        QTemporaryDir dir;
        const QString path = SettingsWith(dir, QStringLiteral("0"), QStringLiteral("0"));
        TKV_ScriptedInteraction ui;
        auto window = MakeWindow(ui, path);
        QStringList shown;
        connect(window->StatusBar3, &TKV_StatusBar::PanelTextSet, window.get(),
                [&shown](int, const QString& text) { shown.append(text); });
        window->UpdateStatus(QStringLiteral("Idle."));
        QCOMPARE(shown, StatusFrames(QStringLiteral("Idle.")));
        QCOMPARE(window->StatusBar3->PanelText(0), QStringLiteral("Idle."));
        QCOMPARE(window->StatusBar3->toolTip(), QStringLiteral("Idle."));
    }

    void stopAsksWhileAFileIsProcessed()
    {
        QTemporaryDir dir;
        const QString path = SettingsWith(dir, QStringLiteral("0"), QStringLiteral("0"));
        TKV_ScriptedInteraction ui;
        const QString question = QString::fromLatin1(kCancelProcessQuestion);
        ui.ExpectConfirmOkCancel(question, false);
        ui.ExpectConfirmOkCancel(question, true);
        auto window = MakeWindow(ui, path);
        window->PrgState->Busy.Include(psEncrypting);
        window->Button1Click();
        QCOMPARE(window->PrgState->Abort.load(), false);
        QCOMPARE(window->StatusBar3->PanelText(0), QStringLiteral("Idle"));
        window->Button1Click();
        QCOMPARE(window->PrgState->Abort.load(), true);
        QCOMPARE(window->StatusBar3->PanelText(0), QString::fromLatin1(kPleaseWaitMessage));
    }

    void stopDuringADirectoryRunDoesNotAsk()
    {
        QTemporaryDir dir;
        const QString path = SettingsWith(dir, QStringLiteral("0"), QStringLiteral("0"));
        TKV_ScriptedInteraction ui;
        auto window = MakeWindow(ui, path);
        window->PrgState->Busy.Include(psDirectory);
        window->Button1Click();
        QCOMPARE(window->PrgState->Abort.load(), true);
    }

    void closingIsRefusedWhileBusy()
    {
        QTemporaryDir dir;
        const QString path = SettingsWith(dir, QStringLiteral("0"), QStringLiteral("0"));
        TKV_ScriptedInteraction ui;
        auto window = MakeWindow(ui, path);
        window->show();
        window->PrgState->Busy.Include(psDecrypting);
        QVERIFY(!window->close());
        QVERIFY(window->isVisible());
        window->PrgState->Busy.Clear();
        window->Exit1Click();
        QVERIFY(!window->isVisible());
    }

    void closingWithOpenFilesAsksFirst()
    {
        QTemporaryDir dir;
        const QString path = SettingsWith(dir, QStringLiteral("0"), QStringLiteral("0"));
        TKV_ScriptedInteraction ui;
        const QString warning = QString::fromLatin1(kOpenFilesAtExitWarning);
        QVERIFY(warning.contains(QStringLiteral("decrypted  and opened")));
        ui.ExpectInfoOkCancel(warning, false);
        ui.ExpectInfoOkCancel(warning, true);
        auto window = MakeWindow(ui, path);
        window->show();
        window->PrgState->OpenCount = 2;
        QVERIFY(!window->close());
        QVERIFY(window->isVisible());
        QVERIFY(window->close());
        QVERIFY(!window->isVisible());
    }
};

QTEST_MAIN(StartupTest)
#include "test_startup.moc"
