// SPDX-License-Identifier: GPL-3.0-or-later
// File > Stored passwords...: the master password first, the names with their encrypted files' state,
// removing selected entries and those of missing files, and the keyboard in the dialog.
#include "WorkflowTestSupport.h"

#include "QtPaths.h"
#include "TKV_PwdTable.h"
#include "TStoredPwd_Form.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>

namespace {

const char kMaster[] = "master-pass";

const QString kStoreOff = QStringLiteral("Passwords are not stored on disk.\nTurn on \"Store passwords on disk\" in "
                                         "File > Options... to see the stored passwords.");

QString RemoveOne(const QString& shown)
{
    return QStringLiteral("Remove the stored password of \"%1\"?\nThe file can then be decrypted only with its "
                          "password typed.")
        .arg(shown);
}

const QString kRemoveTwo = QStringLiteral("Remove the stored passwords of 2 files?\nThese files can then be decrypted "
                                          "only with their passwords typed.");

const QString kRemoveMissingTwo =
    QStringLiteral("Remove the stored passwords of the 2 files whose encrypted file is missing?\nA file that was only "
                   "moved elsewhere loses its stored password too.");

// A window over a folder of its own whose database lives there, with Store on and no master password
// held yet.
struct StoredWindow
{
    TKV_WorkflowWindow w;
    TMainWin& win;
    TKV_MasterPass& master;

    explicit StoredWindow(TKV_ScriptedInteraction& ui) : w(ui), win(*w.window), master(win.PwdTable->Master)
    {
        master.Dir = FsPath(w.Path(QStringLiteral("passwords.key")));
        master.Store = true;
        master.ClearPassword();
    }

    std::string Name(const QString& file) const { return FsPath(w.Path(file)); }

    // Stores a password for each name, as encrypting with "Save password on disk" would; `present`
    // ones get a container. The master password is forgotten again, as at a new start.
    bool Store(const std::vector<std::string>& names, const std::vector<std::string>& present = {})
    {
        master.SetPassword(kMaster);
        master.Entered = true;
        TKV_Pwd pwd;
        pwd.SetPassword("file-pass");
        bool stored = true;
        for (const std::string& name : names)
            stored = stored && win.PwdTable->StorePassword(name, pwd);
        for (const std::string& name : present)
            stored = stored && WriteBytes(QPath(name + ".cry"), QByteArray("container"));
        master.ClearPassword();
        return stored;
    }

    // The names the database holds now, read with the master password.
    std::vector<std::string> Stored()
    {
        TKV_ScriptedInteraction quiet;
        TKV_PwdTable reader(quiet);
        reader.Master.Dir = master.Dir;
        reader.Master.SetPassword(kMaster);
        reader.Master.Entered = true;
        std::vector<StoredName> names;
        if (reader.ListStoredNames(names) != kResultOk) return {"<unreadable>"};
        std::vector<std::string> out;
        for (const StoredName& n : names)
            out.push_back(n.Name);
        return out;
    }

    QAction* MenuItemOfIt() { return MenuItem(&win, QStringLiteral("&File"), QStringLiteral("&Stored passwords...")); }
};

// The rows as the dialog shows them: "name | state".
QStringList Rows(const TStoredPwd_Form& form)
{
    QStringList rows;
    for (int i = 0; i < form.Names_ListView->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = form.Names_ListView->topLevelItem(i);
        rows.append(item->text(0) + QStringLiteral(" | ") + item->text(1));
    }
    return rows;
}

TStoredPwd_Form& Form(QDialog& dialog)
{
    return static_cast<TStoredPwd_Form&>(dialog);
}

// Makes the shown dialog the active window, so that keys reach its focus.
bool Activate(QDialog& dialog)
{
    dialog.activateWindow();
    return QTest::qWaitForWindowActive(&dialog);
}

} // namespace

class StoredPasswordsTest : public QObject
{
    Q_OBJECT

private slots:
    // Every item of the File menu has an accelerator letter of its own, so Alt+F, S reaches this one.
    void theFileMenuOffersItWithAnAcceleratorOfItsOwn()
    {
        TKV_ScriptedInteraction ui;
        StoredWindow s(ui);
        QAction* item = s.MenuItemOfIt();
        QVERIFY(item != nullptr);
        QVERIFY(item->isEnabled());
        QMenu* file = nullptr;
        for (QAction* top : s.win.menuBar()->actions())
            if (top->text() == QStringLiteral("&File")) file = top->menu();
        QVERIFY(file != nullptr);
        QStringList letters;
        for (QAction* action : file->actions()) {
            if (action->isSeparator()) continue;
            const qsizetype amp = action->text().indexOf(QLatin1Char('&'));
            QVERIFY2(amp >= 0, qPrintable(action->text()));
            letters.append(action->text().mid(amp + 1, 1).toLower());
        }
        QCOMPARE(letters.removeDuplicates(), 0);
        QVERIFY(letters.contains(QStringLiteral("s")));
    }

    // With the database off nothing is asked and nothing changes: no master password, no countdown.
    void withPasswordsNotStoredOnDiskItOnlySaysSo()
    {
        TKV_ScriptedInteraction ui;
        StoredWindow s(ui);
        QVERIFY(s.Store({s.Name(QStringLiteral("a"))}));
        s.master.Store = false;
        ui.ExpectInfo(kStoreOff);
        s.MenuItemOfIt()->trigger();
        QCOMPARE(ui.Pending(), 0);
        QVERIFY(!s.master.Entered);
        QVERIFY(!s.win.MasterPwdExpire_Button->isEnabled());
        QCOMPARE(s.Stored(), std::vector<std::string>{s.Name(QStringLiteral("a"))});
    }

    void leavingTheMasterPasswordShowsNothing_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("storeAfter");
        QTest::newRow("Do not use now") << int(MasterPasswordAnswer::NotNow) << true;
        QTest::newRow("Do not use at all") << int(MasterPasswordAnswer::NotAtAll) << false;
    }

    void leavingTheMasterPasswordShowsNothing()
    {
        QFETCH(int, answer);
        QFETCH(bool, storeAfter);
        TKV_ScriptedInteraction ui;
        StoredWindow s(ui);
        QVERIFY(s.Store({s.Name(QStringLiteral("a"))}));
        const QByteArray before = ReadBytes(QPath(s.master.Dir));
        ui.ExpectMasterPassword(static_cast<MasterPasswordAnswer>(answer));
        s.win.StoredPwd_MenuItemClick();
        // The script holds no dialog: showing it would have failed the test.
        QCOMPARE(ui.Pending(), 0);
        QCOMPARE(ui.Asked(), QStringList{QStringLiteral("MasterPassword: ")});
        QCOMPARE(s.master.Store, storeAfter);
        QVERIFY(!s.master.Entered);
        QCOMPARE(ReadBytes(QPath(s.master.Dir)), before);
    }

    // The names with their states, a name that is no UTF-8 shown by its bytes, and the keyboard: Tab
    // in the visual order, Shift+Down selecting more, Esc closing without a change.
    void showsEachNameWithItsStateAndWorksWithTheKeyboard()
    {
        TKV_ScriptedInteraction ui;
        StoredWindow s(ui);
        const std::string a = s.Name(QStringLiteral("a.txt"));
        const std::string b = s.Name(QStringLiteral("b.txt"));
        const std::string latin = FsPath(s.w.Directory()) + "/caf\xE9";
        QVERIFY(s.Store({a, b, latin}, {a}));
        const QByteArray before = ReadBytes(QPath(s.master.Dir));

        ui.ExpectMasterPassword(MasterPasswordAnswer::Submitted, QString::fromLatin1(kMaster));
        QStringList rows, tabs;
        int selectedBefore = 0, selectedAfter = 0;
        bool removeEnabled = false, missingEnabled = false;
        QString count, database;
        ui.ExpectDialog(QStringLiteral("TStoredPwd_Form"), [&](QDialog& dialog) {
            TStoredPwd_Form& form = Form(dialog);
            rows = Rows(form);
            count = form.Count_Label->text();
            database = form.Database_Label->text();
            removeEnabled = form.Remove_Button->isEnabled();
            missingEnabled = form.RemoveMissing_Button->isEnabled();
            if (!Activate(dialog)) return int(QDialog::Rejected);
            tabs = TabWalk(&dialog);
            selectedBefore = static_cast<int>(form.SelectedNames().size());
            QTest::keyClick(form.Names_ListView, Qt::Key_Down, Qt::ShiftModifier);
            selectedAfter = static_cast<int>(form.SelectedNames().size());
            PressKey(&dialog, Qt::Key_Escape);
            return dialog.result();
        });
        s.win.StoredPwd_MenuItemClick();
        QCOMPARE(ui.Pending(), 0);

        const QString dir = s.w.Directory();
        QCOMPARE(rows, QStringList({dir + QStringLiteral("/a.txt | present"), dir + QStringLiteral("/b.txt | missing"),
                                    dir + QStringLiteral("/caf\\xE9 | missing")}));
        QCOMPARE(count, QStringLiteral("3 files, 2 of them missing."));
        QCOMPARE(database, QStringLiteral("Key file: ") + QPath(s.master.Dir));
        QVERIFY(removeEnabled);
        QVERIFY(missingEnabled);
        QCOMPARE(tabs, QStringList({QStringLiteral("Names_ListView"), QStringLiteral("Remove_Button"),
                                    QStringLiteral("RemoveMissing_Button"), QStringLiteral("Close_Button"),
                                    QStringLiteral("Names_ListView")}));
        QCOMPARE(selectedBefore, 1);
        QCOMPARE(selectedAfter, 2);
        QVERIFY(s.master.Entered);
        QCOMPARE(ReadBytes(QPath(s.master.Dir)), before);
    }

    void removesTheSelectedEntriesOnceConfirmed_data()
    {
        QTest::addColumn<QString>("how");  // "Delete" key, "Remove" button, "Enter" on the button
        QTest::addColumn<bool>("several"); // b and the Latin-1 name, or b alone
        QTest::addColumn<bool>("confirm");
        QTest::newRow("Delete key, one") << "Delete" << false << true;
        QTest::newRow("Remove button, two") << "Remove" << true << true;
        QTest::newRow("Enter on Remove, one") << "Enter" << false << true;
        QTest::newRow("Delete key, not confirmed") << "Delete" << false << false;
    }

    void removesTheSelectedEntriesOnceConfirmed()
    {
        QFETCH(QString, how);
        QFETCH(bool, several);
        QFETCH(bool, confirm);
        TKV_ScriptedInteraction ui;
        StoredWindow s(ui);
        const std::string a = s.Name(QStringLiteral("a.txt"));
        const std::string b = s.Name(QStringLiteral("b.txt"));
        const std::string latin = FsPath(s.w.Directory()) + "/caf\xE9";
        QVERIFY(s.Store({a, b, latin}, {a}));

        ui.ExpectMasterPassword(MasterPasswordAnswer::Submitted, QString::fromLatin1(kMaster));
        QStringList rows;
        QString current;
        ui.ExpectDialog(QStringLiteral("TStoredPwd_Form"), [&](QDialog& dialog) {
            TStoredPwd_Form& form = Form(dialog);
            if (!Activate(dialog)) return int(QDialog::Rejected);
            // From the first row, Down goes to b; Shift+Down takes the Latin-1 name too.
            QTest::keyClick(form.Names_ListView, Qt::Key_Down);
            if (several) QTest::keyClick(form.Names_ListView, Qt::Key_Down, Qt::ShiftModifier);
            if (how == QStringLiteral("Delete")) {
                PressKey(&dialog, Qt::Key_Delete);
            } else if (how == QStringLiteral("Remove")) {
                QTest::mouseClick(form.Remove_Button, Qt::LeftButton);
            } else {
                form.Remove_Button->setFocus();
                PressKey(&dialog, Qt::Key_Return);
            }
            rows = Rows(form);
            current =
                form.Names_ListView->currentItem() != nullptr ? form.Names_ListView->currentItem()->text(0) : QString();
            return int(QDialog::Accepted);
        });
        ui.ExpectConfirmOkCancel(several ? kRemoveTwo : RemoveOne(QPath(b)), confirm);
        s.win.StoredPwd_MenuItemClick();
        QCOMPARE(ui.Pending(), 0);

        const QString dir = s.w.Directory();
        std::vector<std::string> expected = {a, b, latin};
        QStringList expectedRows = {dir + QStringLiteral("/a.txt | present"), dir + QStringLiteral("/b.txt | missing"),
                                    dir + QStringLiteral("/caf\\xE9 | missing")};
        if (confirm) {
            expected = several ? std::vector<std::string>{a} : std::vector<std::string>{a, latin};
            expectedRows.removeAt(1);
            if (several) expectedRows.removeAt(1);
            QCOMPARE(StatusText(s.win), several ? QStringLiteral("Removed the stored passwords of 2 files.")
                                                : QStringLiteral("Removed the stored password of 1 file."));
        }
        QCOMPARE(s.Stored(), expected);
        QCOMPARE(rows, expectedRows);
        // The place in the list stays, for the next entry to go on with.
        QCOMPARE(current, several && confirm ? dir + QStringLiteral("/a.txt")
                          : confirm          ? dir + QStringLiteral("/caf\\xE9")
                                             : dir + QStringLiteral("/b.txt"));
    }

    void removesTheEntriesOfMissingFilesOnceConfirmed_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::newRow("confirmed") << true;
        QTest::newRow("cancelled") << false;
    }

    void removesTheEntriesOfMissingFilesOnceConfirmed()
    {
        QFETCH(bool, confirm);
        TKV_ScriptedInteraction ui;
        StoredWindow s(ui);
        const std::string a = s.Name(QStringLiteral("a.txt"));
        const std::string b = s.Name(QStringLiteral("b.txt"));
        const std::string c = s.Name(QStringLiteral("c.txt"));
        QVERIFY(s.Store({a, b, c}, {a}));

        ui.ExpectMasterPassword(MasterPasswordAnswer::Submitted, QString::fromLatin1(kMaster));
        QStringList rows;
        bool missingEnabled = true;
        ui.ExpectDialog(QStringLiteral("TStoredPwd_Form"), [&](QDialog& dialog) {
            TStoredPwd_Form& form = Form(dialog);
            QTest::mouseClick(form.RemoveMissing_Button, Qt::LeftButton);
            rows = Rows(form);
            missingEnabled = form.RemoveMissing_Button->isEnabled();
            return int(QDialog::Accepted);
        });
        ui.ExpectConfirmOkCancel(kRemoveMissingTwo, confirm);
        s.win.StoredPwd_MenuItemClick();
        QCOMPARE(ui.Pending(), 0);

        const QString dir = s.w.Directory();
        if (confirm) {
            QCOMPARE(s.Stored(), std::vector<std::string>{a});
            QCOMPARE(rows, QStringList{dir + QStringLiteral("/a.txt | present")});
            QVERIFY(!missingEnabled);
        } else {
            QCOMPARE(s.Stored(), (std::vector<std::string>{a, b, c}));
            QCOMPARE(rows.size(), 3);
            QVERIFY(missingEnabled);
        }
        QVERIFY(Exists(QPath(a + ".cry")));
    }

    // No database yet: nothing stored, an empty list, and nothing is created.
    void noDatabaseYetShowsAnEmptyList()
    {
        TKV_ScriptedInteraction ui;
        StoredWindow s(ui);
        ui.ExpectMasterPassword(MasterPasswordAnswer::Submitted, QString::fromLatin1(kMaster));
        QString count;
        bool removeEnabled = true, missingEnabled = true;
        ui.ExpectDialog(QStringLiteral("TStoredPwd_Form"), [&](QDialog& dialog) {
            TStoredPwd_Form& form = Form(dialog);
            count = form.Count_Label->text();
            removeEnabled = form.Remove_Button->isEnabled();
            missingEnabled = form.RemoveMissing_Button->isEnabled();
            if (!Activate(dialog)) return int(QDialog::Rejected);
            PressKey(&dialog, Qt::Key_Return);
            return dialog.result();
        });
        s.win.StoredPwd_MenuItemClick();
        QCOMPARE(ui.Pending(), 0);
        QCOMPARE(count, QStringLiteral("No password is stored."));
        QVERIFY(!removeEnabled);
        QVERIFY(!missingEnabled);
        QVERIFY(!Exists(QPath(s.master.Dir)));
    }

    void aDamagedDatabaseIsToldAndNoDialogShown()
    {
        TKV_ScriptedInteraction ui;
        StoredWindow s(ui);
        QVERIFY(WriteBytes(QPath(s.master.Dir), QByteArray("this is no database of passwords")));
        ui.ExpectMasterPassword(MasterPasswordAnswer::Submitted, QString::fromLatin1(kMaster));
        ui.ExpectDatabaseError(QPath(s.master.Dir) + QStringLiteral(": the file is not a database of passwords"));
        s.win.StoredPwd_MenuItemClick();
        QCOMPARE(ui.Pending(), 0);
    }

    // An entered master password is not asked for again; an expired one is.
    void anExpiredMasterPasswordIsAskedForAgain()
    {
        TKV_ScriptedInteraction ui;
        StoredWindow s(ui);
        QVERIFY(s.Store({s.Name(QStringLiteral("a"))}));
        s.master.SetPassword(kMaster);
        s.master.Entered = true;
        ui.ExpectDialog(QStringLiteral("TStoredPwd_Form"), [](QDialog&) { return int(QDialog::Accepted); });
        s.win.StoredPwd_MenuItemClick();
        QCOMPARE(ui.Pending(), 0);

        s.win.MasterPwdExpire_ButtonClick();
        ui.ExpectMasterPassword(MasterPasswordAnswer::NotNow);
        s.win.StoredPwd_MenuItemClick();
        QCOMPARE(ui.Pending(), 0);
        QVERIFY(!s.master.Entered);
    }
};

QTEST_MAIN(StoredPasswordsTest)
#include "test_storedpasswords.moc"
