// SPDX-License-Identifier: GPL-3.0-or-later
// "Verify" and "Change password..." of the Crypted list's pop-up menu: the prompts they show, the
// message for each file, the containers afterwards, and that no plain file ever appears.
#include "Keys.h"
#include "Messages.h"
#include "ResultCodes.h"
#include "TKV_PwdTable.h"
#include "WorkflowMessages.h"
#include "WorkflowTestSupport.h"

#include <QMenu>
#include <QTemporaryDir>
#include <QtTest/QTest>

namespace {

const QByteArray kContent = QByteArray("Dear diary, today nothing happened.\n").repeated(3000);

QString Say(const char* pattern, const QString& text)
{
    return WithName(pattern, text);
}

QString WrongPasswordText(const QString& name)
{
    return QStringLiteral("Invalid password for the file %1 !Press 'All' button to abort processing the file list.")
        .arg(name);
}

int Opens(const QString& container, const char* password)
{
    TKV_Pwd probe;
    probe.SetPassword(password);
    return probe.VerifyFile(QFile::encodeName(container).toStdString());
}

// Every name in the folder, hidden ones included.
QStringList Names(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace

class ChecksTest : public QObject
{
    Q_OBJECT

private slots:
    void theMenuItemsHaveLettersOfTheirOwn()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        QMenu* menu = w.window->Crypted_PopupMenu;
        QCOMPARE(w.window->Verify2->text(), QStringLiteral("&Verify"));
        QCOMPARE(w.window->ChangePassword2->text(), QStringLiteral("&Change password..."));
        // No other item of the menu starts with V or C, so the letter alone chooses.
        for (const QAction* action : menu->actions()) {
            if (action == w.window->Verify2 || action == w.window->ChangePassword2 || action->isSeparator()) continue;
            const QChar first = action->text().remove(QLatin1Char('&')).at(0).toUpper();
            QVERIFY2(first != QLatin1Char('V') && first != QLatin1Char('C'), qPrintable(action->text()));
        }

        // From the keyboard: the menu open, V starts Verify, whose prompt is cancelled.
        QVERIFY(w.WriteContainer(QStringLiteral("a.txt.cry"), kContent));
        w.Reread();
        Select(w.window->Crypted_ListView, {QStringLiteral("a.txt")});
        ui.ExpectDecryptPrompt(QStringLiteral("a.txt"), prSkip);
        menu->popup(QPoint(10, 10));
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        QTest::keyClick(menu, Qt::Key_V);
        QTRY_COMPARE(ui.Pending(), 0);
        // And C starts Change password...
        ui.ExpectDecryptPrompt(QStringLiteral("a.txt"), prSkip);
        menu->popup(QPoint(10, 10));
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        QTest::keyClick(menu, Qt::Key_C);
        QTRY_COMPARE(ui.Pending(), 0);
        QCOMPARE(Names(w.Directory()), QStringList{QStringLiteral("a.txt.cry")});
    }

    // One message for each file; the files are left exactly as they were.
    void verifyTellsEachFile()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        QVERIFY(w.WriteContainer(QStringLiteral("a.txt.cry"), kContent));
        QVERIFY(w.WriteContainer(QStringLiteral("b.txt.cry"), kContent));
        QVERIFY(w.WriteContainer(QStringLiteral("c.txt.cry"), kContent));
        QVERIFY(w.WriteContainer(QStringLiteral("d.txt.cry"), kContent));
        QByteArray damaged = ReadBytes(w.Path(QStringLiteral("b.txt.cry")));
        damaged[damaged.size() / 2] = static_cast<char>(damaged[damaged.size() / 2] ^ 0x02);
        QVERIFY(WriteBytes(w.Path(QStringLiteral("b.txt.cry")), damaged));
        QByteArray cut = ReadBytes(w.Path(QStringLiteral("d.txt.cry")));
        cut.chop(11);
        QVERIFY(WriteBytes(w.Path(QStringLiteral("d.txt.cry")), cut));
        w.Reread();
        const QStringList before = Names(w.Directory());
        QByteArray contents;
        for (const QString& name : before)
            contents += ReadBytes(w.Path(name));

        Select(w.window->Crypted_ListView, w.Crypted());
        ui.ExpectDecryptPrompt(QStringLiteral("a.txt"), prAccepted, QStringLiteral("secret"));
        ui.ExpectInfo(Say(kIntactMessage, QStringLiteral("a.txt")));
        ui.ExpectDecryptPrompt(QStringLiteral("b.txt"), prAccepted, QStringLiteral("secret"));
        ui.ExpectError(QString::fromStdString(EngineErrorMessage(kResultDamaged, "b.txt")));
        ui.ExpectDecryptPrompt(QStringLiteral("c.txt"), prAccepted, QStringLiteral("forgotten"));
        ui.ExpectErrorOkAll(WrongPasswordText(QStringLiteral("c.txt")), false);
        ui.ExpectDecryptPrompt(QStringLiteral("d.txt"), prAccepted, QStringLiteral("secret"));
        ui.ExpectError(QString::fromStdString(EngineErrorMessage(kResultTruncated, "d.txt")));
        w.window->Verify2->trigger();
        QCOMPARE(ui.Pending(), 0);

        QCOMPARE(Names(w.Directory()), before);
        QByteArray after;
        for (const QString& name : before)
            after += ReadBytes(w.Path(name));
        QCOMPARE(after, contents);
        QVERIFY(w.window->PrgState->Busy.Empty());
    }

    // The old password, then the encryption prompt for the new one with the default method; during the
    // work the folder never holds more than the container.
    void changePasswordAndMethod()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        QVERIFY(w.WriteContainer(QStringLiteral("a.txt.cry"), kContent));
        w.Reread();
        w.window->SetTripleDES();
        QStringList seen;
        w.window->Pwd->ProcessMessages = [&] {
            for (const QString& name : Names(w.Directory()))
                if (!seen.contains(name)) seen.append(name);
            seen.append(StatusText(*w.window));
        };

        Select(w.window->Crypted_ListView, {QStringLiteral("a.txt")});
        ui.ExpectDecryptPrompt(QStringLiteral("a.txt"), prAccepted, QStringLiteral("secret"));
        ui.ExpectEncryptPrompt(QStringLiteral("a.txt"), prAccepted, QStringLiteral("a longer new one"));
        ui.ExpectInfo(Say(kPasswordChangedStatus, QStringLiteral("a.txt")));
        w.window->ChangePassword2->trigger();
        QCOMPARE(ui.Pending(), 0);

        QCOMPARE(ui.Prompts().size(), 2);
        QCOMPARE(ui.Prompts()[1].MethodText, QStringLiteral("3xDES"));
        QCOMPARE(ui.Prompts()[1].MaxChars, 24);
        QVERIFY(seen.contains(Say(kRekeyingStatus, QStringLiteral("a.txt"))));
        seen.removeAll(Say(kRekeyingStatus, QStringLiteral("a.txt")));
        QCOMPARE(seen, QStringList{QStringLiteral("a.txt.cry")});
        QCOMPARE(Names(w.Directory()), QStringList{QStringLiteral("a.txt.cry")});
        QCOMPARE(ReadBytes(w.Path(QStringLiteral("a.txt.cry"))).left(4), QByteArray("KV9C"));
        QCOMPARE(Opens(w.Path(QStringLiteral("a.txt.cry")), "a longer new one"), 0);
        QCOMPARE(Opens(w.Path(QStringLiteral("a.txt.cry")), "secret"), static_cast<int>(kResultWrongPassword));
        QCOMPARE(StatusText(*w.window), Say(kPasswordChangedStatus, QStringLiteral("a.txt")));
        QCOMPARE(w.Crypted(), QStringList{QStringLiteral("a.txt")});
        QVERIFY(w.window->PrgState->Busy.Empty());
    }

    void aStopOrAWrongPasswordLeavesTheOldContainer_data()
    {
        QTest::addColumn<bool>("stop");
        QTest::newRow("stop button") << true;
        QTest::newRow("wrong old password") << false;
    }

    void aStopOrAWrongPasswordLeavesTheOldContainer()
    {
        QFETCH(bool, stop);
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        QVERIFY(w.WriteContainer(QStringLiteral("a.txt.cry"), kContent));
        const QByteArray old = ReadBytes(w.Path(QStringLiteral("a.txt.cry")));
        w.Reread();
        // The stop button as the user would press it, between two chunks.
        if (stop) w.window->Pwd->ProcessMessages = [&w] { w.window->Button1Click(); };

        Select(w.window->Crypted_ListView, {QStringLiteral("a.txt")});
        ui.ExpectDecryptPrompt(QStringLiteral("a.txt"), prAccepted,
                               stop ? QStringLiteral("secret") : QStringLiteral("not it"));
        ui.ExpectEncryptPrompt(QStringLiteral("a.txt"), prAccepted, QStringLiteral("newpass"));
        if (stop) {
            ui.ExpectConfirmOkCancel(QString::fromUtf8(kCancelProcessQuestion), true);
            ui.ExpectError(QStringLiteral("You have aborted processing a.txt."));
        } else {
            ui.ExpectErrorOkAll(WrongPasswordText(QStringLiteral("a.txt")), false);
        }
        w.window->ChangePassword2->trigger();
        QCOMPARE(ui.Pending(), 0);
        QCOMPARE(ReadBytes(w.Path(QStringLiteral("a.txt.cry"))), old);
        QCOMPARE(Names(w.Directory()), QStringList{QStringLiteral("a.txt.cry")});
        QVERIFY(!w.window->PrgState->Abort);
    }

    // With passwords stored, the stored one opens the container without a prompt and the new one
    // takes its place.
    void theStoredPasswordServesAndIsReplaced()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        QTemporaryDir elsewhere;
        TKV_PwdTable& table = *w.window->PwdTable;
        table.Master.Store = true;
        table.Master.Dir = QFile::encodeName(elsewhere.filePath(QStringLiteral("passwords.db"))).toStdString();
        table.Master.SetPassword("master1");
        table.Master.Entered = true;
        QVERIFY(w.WriteContainer(QStringLiteral("a.txt.cry"), kContent));
        const std::string plainName = QFile::encodeName(w.Path(QStringLiteral("a.txt"))).toStdString();
        QVERIFY(table.StorePassword(plainName, *w.window->Pwd));
        w.window->Pwd->ClearPassword();
        w.Reread();

        Select(w.window->Crypted_ListView, {QStringLiteral("a.txt")});
        ui.ExpectInfo(Say(kIntactMessage, QStringLiteral("a.txt")));
        w.window->Verify2->trigger();
        QCOMPARE(ui.Pending(), 0);

        ui.ExpectEncryptPrompt(QStringLiteral("a.txt"), prAccepted, QStringLiteral("replaced1"), false, false);
        ui.ExpectInfo(Say(kPasswordChangedStatus, QStringLiteral("a.txt")));
        w.window->ChangePassword2->trigger();
        QCOMPARE(ui.Pending(), 0);
        QCOMPARE(Opens(w.Path(QStringLiteral("a.txt.cry")), "replaced1"), 0);
        TKV_Pwd probe;
        RecalledPassword recalled = table.TakePassword(plainName, probe);
        QVERIFY(static_cast<bool>(recalled));
        TKV_Pwd expected;
        expected.SetPassword("replaced1");
        QVERIFY(probe.Password == expected.Password);
        QCOMPARE(Names(w.Directory()), QStringList{QStringLiteral("a.txt.cry")});
    }
};

QTEST_MAIN(ChecksTest)
#include "test_checks.moc"
