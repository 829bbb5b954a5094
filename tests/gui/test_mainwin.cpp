// SPDX-License-Identifier: GPL-3.0-or-later
// The main window around the lists: the layout figures, the active list, the menus, tool buttons
// and pop-up menus with their handlers, the directory tree and drive box, the drive-not-ready
// dialog and help.
#include "ComboChange.h"
#include "CoolBar.h"
#include "Drives.h"
#include "Forms.h"
#include "ListTestSupport.h"
#include "StatusBar.h"
#include "TKV_PrgState.h"

#include <QAction>
#include <QComboBox>
#include <QFileSystemModel>
#include <QLabel>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QtTest/QTest>

#include <functional>

namespace {

const QString kWait = QStringLiteral("Please wait until the process is finished.");

QColor Colour(const QLabel* label)
{
    return label->palette().color(QPalette::WindowText);
}

QStringList Texts(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

// A double-click on the first entry of the list, as the window system gives it: press, release,
// double-click, release.
void DoubleClickFirst(TKV_ListView* list)
{
    QWidget* viewport = list->viewport();
    const QPoint at = list->visualRect(list->model()->index(0, 0)).center();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
    QMouseEvent twice(QEvent::MouseButtonDblClick, at, viewport->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &twice);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
}

// Makes Dir_Panel exactly `height` pixels high by resizing the window.
void SetDirPanelHeight(TMainWin& window, int height)
{
    for (int i = 0; i < 3 && window.Dir_Panel->height() != height; ++i) {
        window.resize(window.width(), window.height() + height - window.Dir_Panel->height());
        QCoreApplication::processEvents();
    }
}

} // namespace

class MainWinTest : public QObject
{
    Q_OBJECT

private slots:
    void layoutFigures_data()
    {
        QTest::addColumn<bool>("busy");
        QTest::addColumn<int>("plainHeight");
        QTest::addColumn<int>("cryptedHeight");
        QTest::addColumn<int>("lift");
        QTest::newRow("idle") << false << 131 << 130 << 0;
        QTest::newRow("encrypting") << true << 117 << 116 << 14;
    }

    void layoutFigures()
    {
        QFETCH(bool, busy);
        QFETCH(int, plainHeight);
        QFETCH(int, cryptedHeight);
        QFETCH(int, lift);
        TKV_ListFixture fx;
        TMainWin* window = fx.Open();
        window->show();
        window->FormActivate();
        SetDirPanelHeight(*window, 331);
        QCOMPARE(window->Dir_Panel->height(), 331);
        if (busy) window->PrgState->Busy.Include(psEncrypting);
        window->Reresize();

        const QRect tree = window->User_DirectoryListBox->geometry();
        const QRect plain = window->Source_ListView->geometry();
        const QRect crypted = window->Crypted_ListView->geometry();
        QCOMPARE(tree.height(), 291);
        QCOMPARE(crypted.height(), cryptedHeight);
        QCOMPARE(plain.height(), plainHeight);
        QCOMPARE(crypted.y() + crypted.height(), tree.y() + tree.height() - lift);
        QCOMPARE(window->Closed_Image->y(), crypted.y() - 24);
        QCOMPARE(window->Closed_Image_Hl->y(), window->Closed_Image->y());
        QCOMPARE(window->Crypted_Label->y(), window->Closed_Image->y() + 4);
        const int gap = busy ? 4 : -window->ProgressBar1->height();
        QCOMPARE(window->ProgressBar1->y(), plain.y() + plain.height() + gap);
        QCOMPARE(window->ProgressBar2->y(), crypted.y() + crypted.height() + gap);
        QCOMPARE(tree.width(), window->Dir_Panel->width() - 8);
        QCOMPARE(window->DriveComboBox1->width(), tree.width());
        for (const QWidget* wide :
             {static_cast<const QWidget*>(window->Source_ListView),
              static_cast<const QWidget*>(window->Crypted_ListView), static_cast<const QWidget*>(window->ProgressBar1),
              static_cast<const QWidget*>(window->ProgressBar2)})
            QCOMPARE(wide->width(), window->Grid_Panel->width() - 12);
    }

    void movingTheSplitterFollowsWithTheWidths()
    {
        TKV_ListFixture fx;
        TMainWin* window = fx.Open();
        window->show();
        window->FormActivate();
        window->Splitter1->setSizes({250, window->Splitter1->width() - 250 - window->Splitter1->handleWidth()});
        QCoreApplication::processEvents();
        window->Splitter1Moved();
        QCOMPARE(window->User_DirectoryListBox->width(), window->Dir_Panel->width() - 8);
        QCOMPARE(window->Crypted_ListView->width(), window->Grid_Panel->width() - 12);
    }

    void theActiveListFollowsTheFocus()
    {
        TKV_ListFixture fx;
        TMainWin* window = fx.Open();
        const auto state = [&window] {
            const auto colour = [](const QLabel* label) {
                const QColor c = Colour(label);
                return c == QColor(Qt::blue) ? QStringLiteral("blue")
                                             : (c == QColor(0, 0, 0x80) ? QStringLiteral("navy") : c.name());
            };
            QStringList parts = {QStringLiteral("Avail ") + colour(window->Avail_Label),
                                 QStringLiteral("Crypted ") + colour(window->Crypted_Label)};
            for (const QLabel* image :
                 {window->Open_Image, window->Open_Image_Hl, window->Closed_Image, window->Closed_Image_Hl})
                parts.append(image->objectName() +
                             (image->isHidden() ? QStringLiteral(" hidden") : QStringLiteral(" shown")));
            const auto on = [](bool enabled) { return enabled ? QStringLiteral(" on") : QStringLiteral(" off"); };
            parts.append(QStringLiteral("Encrypt") + on(window->Encrypt_Button->isEnabled()));
            parts.append(QStringLiteral("&Encrypt") + on(window->FileEncrypt_MenuItem->isEnabled()));
            parts.append(QStringLiteral("Decrypt") + on(window->Decrypt_Button->isEnabled()));
            parts.append(QStringLiteral("&Decrypt") + on(window->FileDecrypt_MenuItem->isEnabled()));
            return parts.join(QStringLiteral(", "));
        };
        const QString plainActive = QStringLiteral("Avail blue, Crypted navy, Open_Image hidden, Open_Image_Hl shown, "
                                                   "Closed_Image shown, Closed_Image_Hl hidden, "
                                                   "Encrypt on, &Encrypt on, Decrypt off, &Decrypt off");
        const QString cryptedActive = QStringLiteral("Avail navy, Crypted blue, Open_Image shown, Open_Image_Hl "
                                                     "hidden, Closed_Image hidden, Closed_Image_Hl shown, "
                                                     "Encrypt off, &Encrypt off, Decrypt on, &Decrypt on");
        QCOMPARE(state(), plainActive);
        // Focus events reach the handlers; they arrive only in an active window, so they are sent.
        QFocusEvent focusIn(QEvent::FocusIn, Qt::TabFocusReason);
        QCoreApplication::sendEvent(window->Crypted_ListView, &focusIn);
        QCOMPARE(state(), cryptedActive);
        QCoreApplication::sendEvent(window->Source_ListView, &focusIn);
        QCOMPARE(state(), plainActive);
        window->LargeIcons_MenuItem->trigger();
        QCoreApplication::sendEvent(window->Crypted_ListView->IconsView(), &focusIn);
        QCOMPARE(state(), cryptedActive);
    }

    void menusToolButtonsAndPopUps()
    {
        TKV_ListFixture fx;
        TMainWin* window = fx.Open();
        QCOMPARE(Texts(window->Dir_PopupMenu),
                 QStringList({QStringLiteral("Encrypt All"), QStringLiteral("Decrypt All")}));
        QCOMPARE(Texts(window->Source_PopupMenu), QStringList({QStringLiteral("Encrypt"), QStringLiteral("Open"),
                                                               QStringLiteral("Print"), QStringLiteral("Delete")}));
        QCOMPARE(Texts(window->Crypted_PopupMenu),
                 QStringList({QStringLiteral("Decrypt"), QStringLiteral("Open"), QStringLiteral("Print"),
                              QStringLiteral("Delete"), QStringLiteral("-"), QStringLiteral("&Verify"),
                              QStringLiteral("&Change password...")}));
        const QList<QAction*> bar = window->menuBar()->actions();
        QCOMPARE(bar.size(), 3);
        QCOMPARE(Texts(bar[0]->menu()),
                 QStringList({QStringLiteral("&Encrypt"), QStringLiteral("&Decrypt"), QStringLiteral("&Options..."),
                              QStringLiteral("&Stored passwords..."), QStringLiteral("-"), QStringLiteral("E&xit")}));
        QCOMPARE(Texts(bar[1]->menu()), QStringList({QStringLiteral("File lists"), QStringLiteral("&Refresh"),
                                                     QStringLiteral("Status Bars"), QStringLiteral("ToolBar")}));
        QCOMPARE(Texts(bar[1]->menu()->actions().front()->menu()),
                 QStringList({QStringLiteral("Lar&ge icons"), QStringLiteral("S&mall icons"), QStringLiteral("&List"),
                              QStringLiteral("&Details")}));
        QCOMPARE(Texts(bar[2]->menu()),
                 QStringList({QStringLiteral("&Contents"), QStringLiteral("&Tips"), QStringLiteral("&About...")}));
        for (const QToolButton* button :
             {window->Encrypt_Button, window->Decrypt_Button, window->MasterPwdExpire_Button, window->PwdExpire_Button,
              window->StopProcess_Button, window->Help_Button}) {
            QCOMPARE(button->iconSize(), QSize(24, 24));
            QVERIFY(!button->icon().isNull());
        }
        // A divider line before the expiry buttons, a blank gap before help. "Encrypt again now" shows
        // only while files handed over to a running application wait.
        QStringList tools;
        for (QAction* action : window->ToolBar1->actions()) {
            if (!action->isVisible()) {
                QCOMPARE(window->ToolBar1->widgetForAction(action), window->EncryptAgain_Button);
                continue;
            }
            const QWidget* widget = window->ToolBar1->widgetForAction(action);
            tools.append(action->isSeparator()                                  ? QStringLiteral("|")
                         : widget != nullptr && !widget->objectName().isEmpty() ? widget->objectName()
                                                                                : QStringLiteral("gap"));
        }
        QCOMPARE(tools, QStringList({QStringLiteral("Encrypt_Button"), QStringLiteral("Decrypt_Button"),
                                     QStringLiteral("|"), QStringLiteral("MasterPwdExpire_Button"),
                                     QStringLiteral("PwdExpire_Button"), QStringLiteral("StopProcess_Button"),
                                     QStringLiteral("gap"), QStringLiteral("Help_Button")}));

        // While other work runs, every item that starts work answers with the refusal.
        fx.Scratch.Write(QStringLiteral("a.txt"), "1");
        fx.Scratch.Write(QStringLiteral("b.cry"), "KV98");
        window->ReadFLists();
        for (TKV_ListView* list : {window->Source_ListView, window->Crypted_ListView})
            list->selectionModel()->select(list->model()->index(0, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        window->PrgState->Busy.Include(psDeleting);
        for (QAction* item : {window->EncriptAll1, window->Decriptall1, window->Encrypt1, window->Delete1,
                              window->Decrypt1, window->Open2, window->Print2, window->Delete2, window->Verify2,
                              window->ChangePassword2, window->FileEncrypt_MenuItem, window->FileDecrypt_MenuItem}) {
            window->StatusBar3->SetPanelText(0, QStringLiteral("Idle."));
            item->setEnabled(true);
            item->trigger();
            QVERIFY2(window->StatusBar3->PanelText(0) == kWait, qPrintable(item->text()));
        }
        // A double-click is the list's command as well.
        window->StatusBar3->SetPanelText(0, QStringLiteral("Idle."));
        emit window->Crypted_ListView->EntryDoubleClicked();
        QCOMPARE(window->StatusBar3->PanelText(0), kWait);
        window->PrgState->Busy.Clear();
    }

    void commandsStartTheirDirection_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("encrypt");
        for (const char* command :
             {"&Encrypt", "Encrypt tool button", "Encrypt pop-up", "Plain double-click", "drop on Crypted"})
            QTest::newRow(command) << QString::fromLatin1(command) << true;
        for (const char* command :
             {"&Decrypt", "Decrypt tool button", "Decrypt pop-up", "Crypted double-click", "drop on Plain"})
            QTest::newRow(command) << QString::fromLatin1(command) << false;
    }

    // Each command asks for the password of the selected entry of its own list, with that list
    // active as the user would have it. The prompt is cancelled, so nothing else happens.
    void commandsStartTheirDirection()
    {
        QFETCH(QString, command);
        QFETCH(bool, encrypt);
        TKV_ListFixture fx;
        fx.Scratch.Write(QStringLiteral("a.txt"), "1");
        fx.Scratch.Write(QStringLiteral("b.cry"), "KV98");
        TMainWin* window = fx.Open();
        CreateForms(*window);
        window->show();
        window->FormActivate();
        QCoreApplication::processEvents();
        TKV_ListView* own = encrypt ? window->Source_ListView : window->Crypted_ListView;
        TKV_ListView* other = encrypt ? window->Crypted_ListView : window->Source_ListView;
        for (TKV_ListView* list : {own, other})
            list->selectionModel()->select(list->model()->index(0, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QFocusEvent focusIn(QEvent::FocusIn, Qt::TabFocusReason);
        QCoreApplication::sendEvent(own, &focusIn);

        const QMap<QString, std::function<void()>> commands = {
            {QStringLiteral("&Encrypt"), [&] { window->FileEncrypt_MenuItem->trigger(); }},
            {QStringLiteral("&Decrypt"), [&] { window->FileDecrypt_MenuItem->trigger(); }},
            {QStringLiteral("Encrypt tool button"), [&] { QTest::mouseClick(window->Encrypt_Button, Qt::LeftButton); }},
            {QStringLiteral("Decrypt tool button"), [&] { QTest::mouseClick(window->Decrypt_Button, Qt::LeftButton); }},
            {QStringLiteral("Encrypt pop-up"), [&] { window->Encrypt1->trigger(); }},
            {QStringLiteral("Decrypt pop-up"), [&] { window->Decrypt1->trigger(); }},
            {QStringLiteral("Plain double-click"), [&] { DoubleClickFirst(window->Source_ListView); }},
            {QStringLiteral("Crypted double-click"), [&] { DoubleClickFirst(window->Crypted_ListView); }},
            {QStringLiteral("drop on Crypted"), [&] { window->Crypted_ListView->DragDrop(window->Source_ListView); }},
            {QStringLiteral("drop on Plain"), [&] { window->Source_ListView->DragDrop(window->Crypted_ListView); }},
        };
        if (encrypt)
            fx.Ui.ExpectEncryptPrompt(QStringLiteral("a.txt"), 2);
        else
            fx.Ui.ExpectDecryptPrompt(QStringLiteral("b"), 2);
        commands.value(command)();
        // A drop starts its work once the drag is over.
        QCoreApplication::processEvents();
        QCOMPARE(fx.Ui.Pending(), 0);
        QCOMPARE(fx.Ui.Asked().size(), 1);
        QVERIFY(QFile::exists(fx.Scratch.FilePath(QStringLiteral("a.txt"))));
        QVERIFY(QFile::exists(fx.Scratch.FilePath(QStringLiteral("b.cry"))));
    }

    void toolBarStatusBarsAndViewStyleAreResetAtEveryStart()
    {
        TKV_ListFixture fx;
        TMainWin* window = fx.Open();
        window->show();
        window->ToolBar_MenuItem->trigger();
        window->StatusBars_MenuItem->trigger();
        window->LargeIcons_MenuItem->trigger();
        QVERIFY(window->ToolBar1->isHidden());
        QVERIFY(window->Status_CoolBar->isHidden());
        QVERIFY(!window->ToolBar_MenuItem->isChecked());

        // The next start reads what the first window saved as it closed.
        window = fx.Open();
        window->show();
        QVERIFY(!window->ToolBar1->isHidden());
        QVERIFY(!window->Status_CoolBar->isHidden());
        QVERIFY(window->ToolBar_MenuItem->isChecked());
        QVERIFY(window->StatusBars_MenuItem->isChecked());
        // Nor is the view style kept.
        QCOMPARE(window->ViewStyle, vsReport);
        QCOMPARE(window->Source_ListView->ViewStyle(), vsReport);
        QVERIFY(window->Details_MenuItem->isChecked());
    }

    void theTreeShowsTheCurrentDirectory()
    {
        TKV_ListFixture fx;
        QVERIFY(QDir(fx.Scratch.Path()).mkpath(QStringLiteral("one/two")));
        fx.Scratch.Write(QStringLiteral("one/inner.txt"), "x");
        fx.Scratch.Write(QStringLiteral("top.txt"), "x");
        TMainWin* window = fx.Open();
        QCOMPARE(window->TreeDirectory(), fx.Scratch.Path());
        QCOMPARE(window->DriveComboBox1->currentData().toString(), window->Dir_Model->rootPath());

        // Picking a directory in the tree makes it the current one and reads its lists.
        const QString one = fx.Scratch.Path() + QStringLiteral("/one");
        const QModelIndex index = window->Dir_Filter->mapFromSource(window->Dir_Model->index(one));
        QVERIFY(index.isValid());
        window->User_DirectoryListBox->setCurrentIndex(index);
        QCOMPARE(QDir::currentPath(), one);
        QCOMPARE(Captions(window->Source_Model), QStringList({QStringLiteral("inner.txt")}));

        QVERIFY(window->ChangeDirectory(fx.Scratch.Path()));
        QCOMPARE(window->TreeDirectory(), fx.Scratch.Path());
        QCOMPARE(Captions(window->Source_Model), QStringList({QStringLiteral("top.txt")}));

        // A directory that cannot be entered leaves everything as it was and says so.
        const QString missing = fx.Scratch.Path() + QStringLiteral("/gone");
        fx.Ui.ExpectError(QStringLiteral("Cannot change to the directory %1.").arg(missing));
        QVERIFY(!window->ChangeDirectory(missing));
        QCOMPARE(QDir::currentPath(), fx.Scratch.Path());
        QCOMPARE(window->TreeDirectory(), fx.Scratch.Path());
    }

    void aDriveThatIsNotReadyAsksForAnother()
    {
        TKV_ListFixture fx;
        QVERIFY(QDir(fx.Scratch.Path()).mkpath(QStringLiteral("ready")));
        QVERIFY(QDir(fx.Scratch.Path()).mkpath(QStringLiteral("empty")));
        fx.Scratch.Write(QStringLiteral("ready/r.txt"), "x");
        const QString ready = fx.Scratch.Path() + QStringLiteral("/ready");
        const QString empty = fx.Scratch.Path() + QStringLiteral("/empty");
        TMainWinSetup setup;
        setup.Drives = [&] { return QStringList({empty, ready, fx.Scratch.Path()}); };
        setup.DriveReady = [&](const QString& root) { return root != empty; };
        TMainWin* window = fx.Open(false, &setup);
        CreateForms(*window);
        QCOMPARE(window->DriveComboBox1->currentData().toString(), fx.Scratch.Path());

        fx.Ui.ExpectDialog(QStringLiteral("TComboChange"), [&](QDialog& shown) {
            auto& dialog = static_cast<TComboChange&>(shown);
            // The tree has not moved yet.
            if (window->TreeDirectory() != fx.Scratch.Path()) return -7;
            if (dialog.windowTitle() != QStringLiteral("Error!")) return -1;
            if (dialog.NotReady_Label->text() != QStringLiteral("Device is not ready. ")) return -2;
            if (dialog.Specify_Label->text() != QStringLiteral("Please specify another")) return -3;
            // The first drive of the list is shown: the one that is not ready; Ok leaves it open.
            if (dialog.DriveComboBox1->currentData().toString() != empty) return -4;
            QTest::mouseClick(dialog.Ok_Button, Qt::LeftButton);
            if (!dialog.isVisible() || dialog.result() == QDialog::Accepted) return -5;
            QTest::keyClick(&dialog, Qt::Key_Escape);
            if (!dialog.isVisible()) return -6;
            dialog.DriveComboBox1->setCurrentIndex(1);
            QTest::mouseClick(dialog.Ok_Button, Qt::LeftButton);
            return dialog.result();
        });
        window->DriveComboBox1->setCurrentIndex(0);
        window->DriveComboBox1Click();
        QCOMPARE(fx.Ui.Pending(), 0);
        QCOMPARE(window->DriveComboBox1->currentData().toString(), ready);
        QCOMPARE(QDir::currentPath(), ready);
        QCOMPARE(window->TreeDirectory(), ready);
        QCOMPARE(Captions(window->Source_Model), QStringList({QStringLiteral("r.txt")}));

        // A ready drive goes straight to the tree.
        window->DriveComboBox1->setCurrentIndex(2);
        window->DriveComboBox1Click();
        QCOMPARE(QDir::currentPath(), fx.Scratch.Path());
    }

    void theDriveDialogSizesItselfAroundItsSelector()
    {
        TComboChange dialog;
        dialog.SetDrives({QStringLiteral("/"), QStringLiteral("/media/stick")}, [](const QString&) { return true; });
        dialog.DriveComboBox1->setCurrentIndex(1);
        dialog.FormShow();
        const QRect caption = dialog.Specify_Label->geometry();
        const QRect selector = dialog.DriveComboBox1->geometry();
        const QRect ok = dialog.Ok_Button->geometry();
        QCOMPARE(selector.x(), caption.x() + caption.width() + 30);
        QCOMPARE(dialog.width(), selector.x() + selector.width() + 45);
        QCOMPARE(dialog.height(), ok.y() + ok.height() + 50);
        QCOMPARE(ok.x(), (dialog.width() - ok.width()) / 2);
        QCOMPARE(dialog.DriveComboBox1->currentIndex(), 0);
        QVERIFY(dialog.Ok_Button->isDefault());
        QCOMPARE(dialog.Ok_Button->text(), QStringLiteral("Ok"));
        QVERIFY(!dialog.windowFlags().testFlag(Qt::WindowCloseButtonHint));
        QCOMPARE(Colour(dialog.NotReady_Label), QColor(Qt::red));
    }

    // Tab goes from the selector to "Ok" and back; each showing starts on the selector, where Enter
    // takes the drive shown.
    void theDriveDialogsKeyboardFlow()
    {
        TComboChange dialog;
        dialog.SetDrives({QStringLiteral("/"), QStringLiteral("/media/stick")}, [](const QString&) { return true; });
        const QStringList chain = {QStringLiteral("DriveComboBox1"), QStringLiteral("Ok_Button"),
                                   QStringLiteral("DriveComboBox1")};
        QStringList walked;
        QTimer::singleShot(0, &dialog, [&] {
            walked = TabWalk(&dialog);
            PressKey(&dialog, Qt::Key_Tab);
            PressKey(&dialog, Qt::Key_Space);
            // Esc does not close it: a failed step must not leave the test waiting for a user.
            if (dialog.isVisible()) dialog.done(-1);
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(walked, chain);

        walked.clear();
        QTimer::singleShot(0, &dialog, [&] {
            walked = TabWalk(&dialog);
            PressKey(&dialog, Qt::Key_Return);
            if (dialog.isVisible()) dialog.done(-1);
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(walked, chain);
        QCOMPARE(dialog.ChosenDrive(), QStringLiteral("/"));
    }

    void f1AsksForHelpContext20()
    {
        TKV_ListFixture fx;
        TMainWin* window = fx.Open();
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QCOMPARE(window->LastHelpContext, 0);
        fx.Ui.ExpectOpenUrl(BuildTreeHelp(QStringLiteral("lists-and-views.html#main-window")));
        QTest::keyClick(window->Source_ListView, Qt::Key_F1);
        QCOMPARE(window->LastHelpContext, 20);
        QCOMPARE(fx.Ui.Pending(), 0);
    }
};

QTEST_MAIN(MainWinTest)
#include "test_mainwin.moc"
