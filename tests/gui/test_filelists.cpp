// SPDX-License-Identifier: GPL-3.0-or-later
// Processing the selected files of a list: passwords per file, list and session, skipping and
// cancelling, the stop button, remembered passwords, and one run through the real dialogs.
#include "WorkflowMessages.h"
#include "WorkflowTestSupport.h"

#include "QtInteraction.h"
#include "ResultCodes.h"
#include "TKV_PwdTable.h"
#include "TPasswordPrompt.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

namespace {

const QString kStopQuestion = QStringLiteral("Do you really want to cancel the process?");

QByteArray Content(const QString& name, int size = 100)
{
    QByteArray bytes = name.toUtf8();
    while (bytes.size() < size)
        bytes += bytes;
    return bytes.left(size);
}

// A window with no password held, over a folder holding `names` as plain files.
struct ListWindow
{
    TKV_WorkflowWindow w;
    TMainWin& win;

    ListWindow(TKV_ScriptedInteraction& ui, const QStringList& names, int size = 100) : w(ui), win(*w.window)
    {
        win.Pwd->ClearPassword();
        for (const QString& name : names)
            WriteBytes(w.Path(name), Content(name, size));
        w.Reread();
    }

    void Encrypt(const QStringList& names)
    {
        Select(win.Source_ListView, names);
        win.EncrFileList();
    }
    void Decrypt(const QStringList& names)
    {
        Select(win.Crypted_ListView, names);
        win.DecrFileList();
    }
    bool Crypted(const QString& name) const { return Exists(w.Path(name + QStringLiteral(".cry"))); }
    bool Plain(const QString& name) const { return Exists(w.Path(name)); }
    // A database at a fresh path, in use, its master password entered.
    void UseDatabase(const QString& master = QStringLiteral("master1"))
    {
        TKV_MasterPass& m = win.PwdTable->Master;
        m.Store = true;
        m.Dir = w.Path(QStringLiteral("passwords.db")).toStdString();
        m.SetPassword(master.toStdString());
        m.Entered = true;
    }
    // The password stored for `name`, or "" (read by a table of its own).
    QString Stored(const QString& name)
    {
        TKV_PwdTable& table = *win.PwdTable;
        TKV_Pwd probe;
        RecalledPassword recalled = table.TakePassword(w.Path(name).toStdString(), probe);
        if (!recalled) return QString();
        SecretBytes bytes = probe.Password;
        for (auto& b : bytes)
            b ^= 0x6E;
        return QString::fromLatin1(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    }
};

} // namespace

class FileListsTest : public QObject
{
    Q_OBJECT

private slots:
    void onePasswordForASession()
    {
        TKV_ScriptedInteraction ui;
        ListWindow l(ui, {QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("c.txt")});
        l.win.Pwd->OnePassword = true;
        ui.ExpectEncryptPrompt(QStringLiteral("a.txt"), prAccepted, QStringLiteral("session1"));
        l.Encrypt({QStringLiteral("a.txt")});
        QVERIFY(l.Crypted(QStringLiteral("a.txt")));
        QVERIFY(l.win.PwdExpire_Button->isEnabled());
        // The second list: no prompt.
        l.Encrypt({QStringLiteral("b.txt")});
        QVERIFY(l.Crypted(QStringLiteral("b.txt")));
        QCOMPARE(ui.Prompts().size(), 1);
        // Expired: the next list asks again.
        l.win.PwdExpire_ButtonClick();
        ui.ExpectEncryptPrompt(QStringLiteral("c.txt"), prAccepted, QStringLiteral("session2"));
        l.Encrypt({QStringLiteral("c.txt")});
        QVERIFY(l.Crypted(QStringLiteral("c.txt")));
        QCOMPARE(ui.Prompts().size(), 2);
    }

    void onePasswordForAList()
    {
        TKV_ScriptedInteraction ui;
        ListWindow l(ui, {QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("c.txt")});
        ui.ExpectEncryptPrompt(QStringLiteral("a.txt"), prAccepted, QStringLiteral("listpw1"), true);
        l.Encrypt({QStringLiteral("a.txt"), QStringLiteral("b.txt")});
        QVERIFY(l.Crypted(QStringLiteral("a.txt")) && l.Crypted(QStringLiteral("b.txt")));
        QVERIFY(ui.Prompts().at(0).OneForListEnabled);
        QVERIFY(ui.Prompts().at(0).CancelAllShown);
        // Without a session password the next list asks again, and the old password is gone.
        QVERIFY(!l.win.Pwd->Entered);
        ui.ExpectEncryptPrompt(QStringLiteral("c.txt"), prAccepted, QStringLiteral("listpw2"));
        l.Encrypt({QStringLiteral("c.txt")});
        QVERIFY(l.Crypted(QStringLiteral("c.txt")));
        QVERIFY(!l.win.Forms.Encrypt->CancelAllShown());
        QVERIFY(!l.win.StopProcess_Button->isEnabled());
        QVERIFY(l.win.PrgState->Busy.Empty());
    }

    void cancelOnTheSecondOfFive()
    {
        TKV_ScriptedInteraction ui;
        const QStringList names = {QStringLiteral("1.txt"), QStringLiteral("2.txt"), QStringLiteral("3.txt"),
                                   QStringLiteral("4.txt"), QStringLiteral("5.txt")};
        ListWindow l(ui, names);
        for (const QString& name : names)
            ui.ExpectEncryptPrompt(name, name == names[1] ? prSkip : prAccepted, QStringLiteral("password"));
        l.Encrypt(names);
        for (const QString& name : names)
            QCOMPARE(l.Crypted(name), name != names[1]);
        QVERIFY(l.Plain(names[1]));
    }

    void cancelAllEndsTheList()
    {
        TKV_ScriptedInteraction ui;
        const QStringList names = {QStringLiteral("1.txt"), QStringLiteral("2.txt"), QStringLiteral("3.txt")};
        ListWindow l(ui, names);
        ui.ExpectEncryptPrompt(names[0], prAccepted, QStringLiteral("password"));
        ui.ExpectEncryptPrompt(names[1], prCancelAll);
        l.Encrypt(names);
        QVERIFY(l.Crypted(names[0]));
        QVERIFY(!l.Crypted(names[1]) && !l.Crypted(names[2]));
        QVERIFY(!l.win.PrgState->Abort);
        QVERIFY(!l.win.Forms.Encrypt->CancelAllShown());
    }

    void stopDuringAnEncryption()
    {
        TKV_ScriptedInteraction ui;
        const QStringList names = {QStringLiteral("a.txt"), QStringLiteral("b.txt")};
        ListWindow l(ui, names, 100000);
        ui.ExpectEncryptPrompt(names[0], prAccepted, QStringLiteral("password"), true);
        ui.ExpectConfirmOkCancel(kStopQuestion, true);
        ui.ExpectError(QStringLiteral("You have aborted processing a.txt."));
        bool pressed = false;
        bool closed = true;
        l.win.Pwd->ProcessMessages = [&] {
            if (pressed) return;
            pressed = true;
            QVERIFY(l.win.StopProcess_Button->isEnabled());
            // Closing is refused silently while a file is processed.
            closed = l.win.close();
            l.win.Button1Click();
        };
        l.Encrypt(names);
        QVERIFY(pressed);
        QVERIFY(!closed);
        QVERIFY(!l.Crypted(names[0]) && l.Plain(names[0]));
        QVERIFY(!l.Crypted(names[1]) && l.Plain(names[1]));
        QVERIFY(!l.win.PrgState->Abort);
        QVERIFY(l.win.PrgState->Busy.Empty());
    }

    void theWholeListRunIsBusy()
    {
        TKV_ScriptedInteraction ui;
        const QStringList names = {QStringLiteral("a.txt"), QStringLiteral("b.txt")};
        ListWindow l(ui, names, 30000);
        ui.ExpectEncryptPrompt(names[0], prAccepted, QStringLiteral("password"), true);
        bool marked = false;
        l.win.Pwd->ProcessMessages = [&] {
            marked = l.win.PrgState->Busy.Contains(psListRun);
            // Another command refuses instead of starting a list inside the list.
            l.win.DecrFileList();
        };
        l.Encrypt(names);
        QVERIFY(marked);
        QVERIFY(l.Crypted(names[0]) && l.Crypted(names[1]));
        QVERIFY(l.win.PrgState->Busy.Empty());
        // The stop button asks only while a file is processed, not for the list mark.
        l.win.PrgState->Busy.Include(psListRun);
        QVERIFY(!l.win.WindowBusy());
        l.win.PrgState->Busy.Clear();
    }

    // While a prompt waits between two files, the list run is still work: other commands only ask
    // to wait, and the window does not close.
    void commandsWaitWhileAPromptIsShown()
    {
        TKV_ScriptedInteraction ui;
        const QStringList names = {QStringLiteral("a.txt"), QStringLiteral("b.txt")};
        ListWindow l(ui, names);
        QStringList statuses;
        bool closed = false;
        bool inside = false;
        ui.WhilePasswordPrompt = [&] {
            // A command that was not refused would prompt again from in here.
            if (inside) return;
            inside = true;
            for (void (TMainWin::*command)() : {&TMainWin::EncrFileList, &TMainWin::DecrFileList,
                                                &TMainWin::Delete1Click, &TMainWin::EncriptAll1Click}) {
                l.win.UpdateStatus(QStringLiteral("Idle."));
                (l.win.*command)();
                statuses.append(StatusText(l.win));
            }
            closed = closed || l.win.close();
            inside = false;
        };
        ui.ExpectEncryptPrompt(names[0], prSkip);
        ui.ExpectEncryptPrompt(names[1], prAccepted, QStringLiteral("password"));
        l.Encrypt(names);
        QCOMPARE(statuses, QStringList(8, QStringLiteral("Please wait until the process is finished.")));
        QVERIFY(!closed);
        QVERIFY(l.Plain(names[0]) && !l.Crypted(names[0]));
        QVERIFY(l.Crypted(names[1]));
        QVERIFY(l.win.PrgState->Busy.Empty());
    }

    void rememberedPasswordsStoredAndRecalled()
    {
        TKV_ScriptedInteraction ui;
        const QStringList names = {QStringLiteral("a.txt"), QStringLiteral("b.txt")};
        ListWindow l(ui, names);
        l.UseDatabase();
        ui.ExpectEncryptPrompt(names[0], prAccepted, QStringLiteral("firstpw"), false, true);
        ui.ExpectEncryptPrompt(names[1], prAccepted, QStringLiteral("secondpw"), false, true);
        l.Encrypt(names);
        QVERIFY(l.Crypted(names[0]) && l.Crypted(names[1]));
        // Stored under each file's full plain path.
        QCOMPARE(l.Stored(names[0]), QStringLiteral("firstpw"));
        QCOMPARE(l.Stored(names[1]), QStringLiteral("secondpw"));
        // Decrypted without a prompt; each entry leaves the database with its file.
        l.w.Reread();
        l.Decrypt(names);
        QVERIFY(l.Plain(names[0]) && l.Plain(names[1]));
        QCOMPARE(ReadBytes(l.w.Path(names[0])), Content(names[0]));
        QCOMPARE(ReadBytes(l.w.Path(names[1])), Content(names[1]));
        QCOMPARE(l.Stored(names[0]), QString());
        QCOMPARE(l.Stored(names[1]), QString());
    }

    // The password of a container that is not replaced stays stored: a declined overwrite, or an
    // encryption that fails, touches nothing.
    void anEncryptionThatDoesNotHappenStoresNothing()
    {
        TKV_ScriptedInteraction ui;
        ListWindow l(ui, {QStringLiteral("a.txt"), QStringLiteral("b.txt")});
        l.UseDatabase();
        ui.ExpectEncryptPrompt(QStringLiteral("a.txt"), prAccepted, QStringLiteral("firstpw"), false, true);
        l.Encrypt({QStringLiteral("a.txt")});
        const QByteArray container = ReadBytes(l.w.Path(QStringLiteral("a.txt.cry")));
        QVERIFY(WriteBytes(l.w.Path(QStringLiteral("a.txt")), Content(QStringLiteral("newer"))));
        l.w.Reread();

        ui.ExpectEncryptPrompt(QStringLiteral("a.txt"), prAccepted, QStringLiteral("secondpw"), false, true);
        ui.ExpectInfoOkCancel(QStringLiteral("File %1 already exist in the list of encrypted files. Overwrite?")
                                  .arg(l.w.Path(QStringLiteral("a.txt.cry"))),
                              false);
        ui.ExpectEncryptPrompt(QStringLiteral("b.txt"), prAccepted, QStringLiteral("thirdpw"), false, true);
        ui.ExpectError(QStringLiteral("Processing file b.txt has been aborted. The disk may be full."));
        l.win.Pwd->Faults.failWriteAfter = 0;
        l.Encrypt({QStringLiteral("a.txt"), QStringLiteral("b.txt")});
        l.win.Pwd->Faults.failWriteAfter = -1;

        QCOMPARE(ReadBytes(l.w.Path(QStringLiteral("a.txt.cry"))), container);
        QCOMPARE(l.Stored(QStringLiteral("a.txt")), QStringLiteral("firstpw"));
        QVERIFY(l.Plain(QStringLiteral("b.txt")) && !l.Crypted(QStringLiteral("b.txt")));
        QCOMPARE(l.Stored(QStringLiteral("b.txt")), QString());
    }

    void recalledPasswordServesOnlyItsFile()
    {
        TKV_ScriptedInteraction ui;
        const QStringList names = {QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("c.txt")};
        ListWindow l(ui, names);
        l.win.Pwd->OnePassword = true;
        // a.txt under a stored password, b.txt and c.txt under the session's.
        l.UseDatabase();
        ui.ExpectEncryptPrompt(names[0], prAccepted, QStringLiteral("storedpw"), false, true);
        l.Encrypt({names[0]});
        l.win.PwdExpire_ButtonClick();
        l.win.PwdTable->Master.Store = false;
        ui.ExpectEncryptPrompt(names[1], prAccepted, QStringLiteral("sessionpw"));
        l.Encrypt({names[1], names[2]});
        QCOMPARE(ui.Prompts().size(), 2);
        l.win.PwdTable->Master.Store = true;
        l.w.Reread();
        // a.txt with its stored password, then b.txt and c.txt with the session's, no prompt at all.
        l.Decrypt(names);
        for (const QString& name : names)
            QCOMPARE(ReadBytes(l.w.Path(name)), Content(name));
        QCOMPARE(ui.Prompts().size(), 2);
        QVERIFY(l.win.Pwd->Entered);
    }

    // Expiry is lazy: the master password pressed expired in the middle of a list still opens the
    // database for the rest of it; the next list asks for it again.
    void theMasterExpiresOnlyAtTheEndOfAList()
    {
        TKV_ScriptedInteraction ui;
        const QStringList names = {QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("c.txt")};
        ListWindow l(ui, names, 30000);
        l.UseDatabase();
        l.win.PwdTable->Master.Expires = true;
        ui.ExpectEncryptPrompt(names[0], prAccepted, QStringLiteral("firstpw"), false, true);
        ui.ExpectEncryptPrompt(names[1], prAccepted, QStringLiteral("secondpw"), false, true);
        l.Encrypt({names[0], names[1]});
        l.w.Reread();
        bool pressed = false;
        l.win.Pwd->ProcessMessages = [&] {
            if (pressed) return;
            pressed = true;
            l.win.MasterPwdExpire_ButtonClick();
        };
        l.Decrypt({names[0], names[1]});
        l.win.Pwd->ProcessMessages = nullptr;
        QVERIFY(pressed);
        QCOMPARE(ReadBytes(l.w.Path(names[0])), Content(names[0], 30000));
        QCOMPARE(ReadBytes(l.w.Path(names[1])), Content(names[1], 30000));
        QVERIFY(!l.win.PwdTable->Master.Entered);
        QVERIFY(!l.win.MasterPwdExpire_Button->isEnabled());
        // The next list needs the database and asks.
        ui.ExpectEncryptPrompt(names[2], prAccepted, QStringLiteral("thirdpw"), false, true);
        ui.ExpectMasterPassword(MasterPasswordAnswer::Submitted, QStringLiteral("master1"));
        l.Encrypt({names[2]});
        QVERIFY(l.Crypted(names[2]));
        QCOMPARE(l.Stored(names[2]), QStringLiteral("thirdpw"));
        QCOMPARE(ui.Prompts().size(), 3);
    }

    // "Save password on disk" is a promise: when the database cannot take the password, the file is
    // not encrypted at all, before anything is written, and the user is told where and why.
    void aPasswordThatCannotBeSavedLeavesTheFilePlain_data()
    {
        QTest::addColumn<QString>("database"); // below the window's folder; "" for the default
        QTest::addColumn<int>("master");       // the master password dialog's answer; -1: not asked
        QTest::addColumn<QString>("reason");   // the detail line's reason; "" for no database error
        QTest::addColumn<QByteArray>("existing");
        QTest::newRow("Do not use now") << QString() << int(MasterPasswordAnswer::NotNow) << QString() << QByteArray();
        QTest::newRow("Do not use at all")
            << QString() << int(MasterPasswordAnswer::NotAtAll) << QString() << QByteArray();
        QTest::newRow("a folder") << QStringLiteral("folder") << -1 << QString::fromUtf8(std::strerror(EISDIR))
                                  << QByteArray();
        QTest::newRow("a missing folder")
            << QStringLiteral("missing/passwords.db") << -1 << QString::fromUtf8(std::strerror(ENOENT)) << QByteArray();
        QTest::newRow("not a database") << QStringLiteral("passwords.db") << -1
                                        << QStringLiteral("the file is not a database of passwords")
                                        << QByteArray("this is no database of passwords");
    }

    void aPasswordThatCannotBeSavedLeavesTheFilePlain()
    {
        QFETCH(QString, database);
        QFETCH(int, master);
        QFETCH(QString, reason);
        QFETCH(QByteArray, existing);
        TKV_ScriptedInteraction ui;
        const QStringList names = {QStringLiteral("a.txt"), QStringLiteral("b.txt")};
        ListWindow l(ui, names);
        l.UseDatabase();
        QVERIFY(QDir(l.w.Directory()).mkdir(QStringLiteral("folder")));
        TKV_MasterPass& m = l.win.PwdTable->Master;
        if (!database.isEmpty()) m.Dir = l.w.Path(database).toStdString();
        if (!existing.isEmpty()) QVERIFY(WriteBytes(l.w.Path(database), existing));
        if (master >= 0) m.Entered = false;

        ui.ExpectEncryptPrompt(names[0], prAccepted, QStringLiteral("listpw1"), true, true);
        if (master >= 0) ui.ExpectMasterPassword(static_cast<MasterPasswordAnswer>(master));
        if (!reason.isEmpty()) ui.ExpectDatabaseError(QString::fromStdString(m.Dir) + QStringLiteral(": ") + reason);
        ui.ExpectError(WithName(kPasswordNotSavedNotEncryptedMessage, names[0]));
        l.Encrypt(names);
        // The whole list stops: the next file would meet the same database.
        for (const QString& name : names) {
            QCOMPARE(ReadBytes(l.w.Path(name)), Content(name));
            QVERIFY(!l.Crypted(name));
        }
        QCOMPARE(l.w.Plain(), names);
        QVERIFY(l.w.Crypted().isEmpty());
        if (!existing.isEmpty()) QCOMPARE(ReadBytes(l.w.Path(database)), existing);
        QVERIFY(l.win.PrgState->Busy.Empty());
    }

    // Storing can still fail after the encryption (the disk filled up meanwhile): the container stays,
    // and so does the plain file, since its password is nowhere else.
    void aFailedStoreAfterTheEncryptionKeepsThePlainFile()
    {
        TKV_ScriptedInteraction ui;
        ListWindow l(ui, {QStringLiteral("a.txt")});
        l.UseDatabase();
        l.win.PwdTable->Master.Faults.failWriteAfter = 0;
        ui.ExpectEncryptPrompt(QStringLiteral("a.txt"), prAccepted, QStringLiteral("storedpw"), false, true);
        ui.ExpectDatabaseError(QString::fromStdString(l.win.PwdTable->Master.Dir) + QStringLiteral(": ") +
                               QString::fromUtf8(std::strerror(ENOSPC)));
        ui.ExpectError(WithName(kPasswordNotSavedPlainKeptMessage, QStringLiteral("a.txt")));
        l.Encrypt({QStringLiteral("a.txt")});
        QCOMPARE(ReadBytes(l.w.Path(QStringLiteral("a.txt"))), Content(QStringLiteral("a.txt")));
        QVERIFY(l.Crypted(QStringLiteral("a.txt")));
        QVERIFY(!Exists(l.w.Path(QStringLiteral("passwords.db"))));
        QCOMPARE(l.w.Plain(), QStringList({QStringLiteral("a.txt")}));
        QCOMPARE(l.w.Crypted(), QStringList({QStringLiteral("a.txt")}));
        // Once the database works again, the container opens with the password the user typed.
        l.win.PwdTable->Master.Faults.failWriteAfter = -1;
        QVERIFY(QFile::remove(l.w.Path(QStringLiteral("a.txt"))));
        l.w.Reread();
        ui.ExpectDecryptPrompt(QStringLiteral("a.txt"), prAccepted, QStringLiteral("storedpw"));
        l.Decrypt({QStringLiteral("a.txt")});
        QCOMPARE(ReadBytes(l.w.Path(QStringLiteral("a.txt"))), Content(QStringLiteral("a.txt")));
    }

    // Links, pipes and devices are refused before the user types a password for them.
    void aFileThatIsNoRegularFileIsRefusedBeforeThePrompt()
    {
        TKV_ScriptedInteraction ui;
        ListWindow l(ui, {QStringLiteral("a.txt"), QStringLiteral("b.txt")});
        QVERIFY(QFile::link(l.w.Path(QStringLiteral("a.txt")), l.w.Path(QStringLiteral("a-link.txt"))));
        QVERIFY(::mkfifo(QFile::encodeName(l.w.Path(QStringLiteral("pipe.cry"))).constData(), 0600) == 0);
        l.w.Reread();
        const auto refusal = [](const QString& name) {
            return QString::fromStdString(EngineErrorMessage(kResultNotRegularFile, name.toStdString(), true));
        };
        ui.ExpectError(refusal(QStringLiteral("a-link.txt")));
        ui.ExpectEncryptPrompt(QStringLiteral("b.txt"), prAccepted, QStringLiteral("password"));
        l.Encrypt({QStringLiteral("a-link.txt"), QStringLiteral("b.txt")});
        QVERIFY(l.Crypted(QStringLiteral("b.txt")));
        QVERIFY(!l.Crypted(QStringLiteral("a-link")));
        QCOMPARE(ReadBytes(l.w.Path(QStringLiteral("a.txt"))), Content(QStringLiteral("a.txt")));
        ui.ExpectError(refusal(QStringLiteral("pipe")));
        l.Decrypt({QStringLiteral("pipe")});
        QVERIFY(Exists(l.w.Path(QStringLiteral("pipe.cry"))));
        QCOMPARE(ui.Prompts().size(), 1);
    }

    // A stored password that does not open its file (an older database, a container replaced since)
    // must not lock the file: the user is asked, and the stale entry goes only once theirs works.
    void aStoredPasswordThatFailsGivesWayToTheUsers_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("opened");
        QTest::newRow("the right password") << int(prAccepted) << QStringLiteral("rightpw") << true;
        QTest::newRow("another wrong one") << int(prAccepted) << QStringLiteral("wrongpw2") << false;
        QTest::newRow("Cancel") << int(prSkip) << QString() << false;
    }

    void aStoredPasswordThatFailsGivesWayToTheUsers()
    {
        QFETCH(int, answer);
        QFETCH(QString, typed);
        QFETCH(bool, opened);
        TKV_ScriptedInteraction ui;
        ListWindow l(ui, {QStringLiteral("a.txt")});
        l.UseDatabase();
        ui.ExpectEncryptPrompt(QStringLiteral("a.txt"), prAccepted, QStringLiteral("rightpw"));
        l.Encrypt({QStringLiteral("a.txt")});
        TKV_Pwd wrong;
        wrong.SetPassword("wrongpw");
        QVERIFY(l.win.PwdTable->StorePassword(l.w.Path(QStringLiteral("a.txt")).toStdString(), wrong));
        // A plain namesake the user agrees once to replace.
        QVERIFY(WriteBytes(l.w.Path(QStringLiteral("a.txt")), "older"));
        ui.ExpectInfoOkCancel(WithName(kOverwritePlainQuestion, l.w.Path(QStringLiteral("a.txt"))), true);
        ui.ExpectDecryptPrompt(QStringLiteral("a.txt"), answer, typed);
        if (answer == prAccepted && !opened)
            ui.ExpectErrorOkAll(
                QStringLiteral("Invalid password for the file a.txt !Press 'All' button to abort processing the "
                               "file list."),
                false);
        l.w.Reread();
        const SecretBytes held = l.win.Pwd->Password;
        l.Decrypt({QStringLiteral("a.txt")});
        QCOMPARE(ReadBytes(l.w.Path(QStringLiteral("a.txt"))),
                 opened ? Content(QStringLiteral("a.txt")) : QByteArray("older"));
        QCOMPARE(!Exists(l.w.Path(QStringLiteral("a.txt.cry"))), opened);
        QCOMPARE(l.Stored(QStringLiteral("a.txt")), opened ? QString() : QStringLiteral("wrongpw"));
        if (answer == prSkip) QVERIFY(l.win.Pwd->Password == held);
        QCOMPARE(ui.Pending(), 0);
    }

    // "Do not use at all" answered while a decryption recalls a password switches saving off too: a
    // session password that was to be saved must not bring the master password dialog back.
    void notAtAllDuringARecallEndsSaving()
    {
        TKV_ScriptedInteraction ui;
        ListWindow l(ui, {QStringLiteral("a.txt"), QStringLiteral("b.txt")});
        l.win.Pwd->OnePassword = true;
        l.UseDatabase();
        ui.ExpectEncryptPrompt(QStringLiteral("a.txt"), prAccepted, QStringLiteral("session1"), false, true);
        l.Encrypt({QStringLiteral("a.txt")});
        QVERIFY(l.win.PrgState->SavePassword);
        // The master password expires; the next list asks for it and hears "Do not use at all".
        l.win.MasterPwdExpire_ButtonClick();
        ui.ExpectMasterPassword(MasterPasswordAnswer::NotAtAll);
        l.w.Reread();
        l.Decrypt({QStringLiteral("a.txt")});
        QCOMPARE(ReadBytes(l.w.Path(QStringLiteral("a.txt"))), Content(QStringLiteral("a.txt")));
        QVERIFY(!l.win.PwdTable->Master.Store);
        QVERIFY(!l.win.PrgState->SavePassword);
        // The session password serves the next encryption, and nothing asks to store it.
        l.w.Reread();
        l.Encrypt({QStringLiteral("b.txt")});
        QVERIFY(l.Crypted(QStringLiteral("b.txt")));
        QCOMPARE(ui.Prompts().size(), 1);
    }

    void saveDisabledWithoutStore()
    {
        TKV_ScriptedInteraction ui;
        ListWindow l(ui, {QStringLiteral("a.txt")});
        ui.ExpectEncryptPrompt(QStringLiteral("a.txt"), prAccepted, QStringLiteral("password"), false, true);
        l.Encrypt({QStringLiteral("a.txt")});
        QVERIFY(!ui.Prompts().at(0).SaveEnabled);
        QVERIFY(!ui.Prompts().at(0).OneForListEnabled);
        QVERIFY(!l.win.PrgState->SavePassword);
        QVERIFY(l.Crypted(QStringLiteral("a.txt")));
    }

    // The real dialogs, clicked: two files encrypted with one typed password and decrypted again.
    void endToEndThroughTheRealDialogs()
    {
        TKV_RealDialogsWindow real;
        TMainWin& win = *real.window;
        win.show();
        win.FormActivate();
        const QStringList names = {QStringLiteral("one.txt"), QStringLiteral("two.txt")};
        for (const QString& name : names)
            QVERIFY(WriteBytes(real.Path(name), Content(name, 50000)));
        win.ReadFLists();

        int shown = 0;
        QTimer::singleShot(0, &win, [&] {
            TEncrypt* dialog = win.Forms.Encrypt;
            QVERIFY(dialog->isVisible());
            ++shown;
            QVERIFY(dialog->OnePwdList_CheckBox->isEnabled());
            QTest::mouseClick(dialog->OnePwdList_CheckBox, Qt::LeftButton);
            QTest::keyClicks(dialog->MaskEdit1, QStringLiteral("typed-pw"));
            QTest::keyClicks(dialog->MaskEdit2, QStringLiteral("typed-pw"));
            QTest::mouseClick(dialog->Submit_Button, Qt::LeftButton);
        });
        Select(win.Source_ListView, names);
        QTest::mouseClick(win.Encrypt_Button, Qt::LeftButton);
        QCOMPARE(shown, 1);
        for (const QString& name : names) {
            QVERIFY(Exists(real.Path(name + QStringLiteral(".cry"))));
            QVERIFY(!Exists(real.Path(name)));
        }

        QTimer::singleShot(0, &win, [&] {
            TDecrypt* dialog = win.Forms.Decrypt;
            QVERIFY(dialog->isVisible());
            ++shown;
            QTest::mouseClick(dialog->OnePwdList_CheckBox, Qt::LeftButton);
            QTest::keyClicks(dialog->MaskEdit1, QStringLiteral("typed-pw"));
            QTest::keyClick(dialog->MaskEdit1, Qt::Key_Return);
        });
        Select(win.Crypted_ListView, names);
        win.Decrypt_ButtonClick();
        QCOMPARE(shown, 2);
        for (const QString& name : names)
            QCOMPARE(ReadBytes(real.Path(name)), Content(name, 50000));
    }

    // The real encryption prompt worked from the keyboard alone: the password, Tab, the password
    // again, Tab, Space on "One password for a file list", Enter. One prompt serves both files.
    void keyboardOnlyThroughTheRealPrompt()
    {
        TKV_RealDialogsWindow real;
        TMainWin& win = *real.window;
        win.OnePerList = false;
        win.show();
        win.FormActivate();
        const QStringList names = {QStringLiteral("one.txt"), QStringLiteral("two.txt")};
        for (const QString& name : names)
            QVERIFY(WriteBytes(real.Path(name), Content(name, 5000)));
        win.ReadFLists();

        TEncrypt* prompt = win.Forms.Encrypt;
        int prompts = 0;
        bool ticked = false;
        QStringList others;
        TKV_ModalAnswerer answerer([&](QWidget* modal) {
            if (modal != prompt) {
                // An error box or any other window: written down and closed.
                auto* box = qobject_cast<QMessageBox*>(modal);
                others.append(box != nullptr ? box->text() : modal->objectName());
                modal->close();
                return;
            }
            if (++prompts > 1 || !QTest::qWaitForWindowActive(prompt)) {
                prompt->reject();
                return;
            }
            TypeText(prompt, QStringLiteral("typed-pw"));
            PressKey(prompt, Qt::Key_Tab);
            TypeText(prompt, QStringLiteral("typed-pw"));
            PressKey(prompt, Qt::Key_Tab);
            PressKey(prompt, Qt::Key_Space);
            ticked = prompt->OnePwdList_CheckBox->isChecked();
            PressKey(prompt, Qt::Key_Return);
            if (prompt->isVisible()) prompt->reject();
        });
        Select(win.Source_ListView, names);
        QTest::mouseClick(win.Encrypt_Button, Qt::LeftButton);

        QCOMPARE(others, QStringList());
        QCOMPARE(prompts, 1);
        QVERIFY(ticked);
        for (const QString& name : names) {
            QVERIFY(Exists(real.Path(name + QStringLiteral(".cry"))));
            QVERIFY(!Exists(real.Path(name)));
        }
    }
};

QTEST_MAIN(FileListsTest)
#include "test_filelists.moc"
