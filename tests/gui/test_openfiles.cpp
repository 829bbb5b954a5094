// SPDX-License-Identifier: GPL-3.0-or-later
// Encrypted files opened in their applications and encrypted again when those end; the command line.
#include "AppLauncher.h"
#include "Container.h"
#include "Keys.h"
#include "Messages.h"
#include "TKV_PwdTable.h"
#include "TPasswordPrompt.h"
#include "WorkflowMessages.h"
#include "WorkflowTestSupport.h"

#include <QProcess>
#include <QToolButton>

#include <memory>

namespace {

const QByteArray kContent = QByteArrayLiteral("the notes of a meeting, not for everyone\n");

// What the fake desktop does with a file: the shell script each launch runs ($1 is the file), or a
// failure; every launch is written down.
struct FakeDesktop
{
    QString Script = QStringLiteral("sleep 3");
    bool Fails = false;
    QStringList Launches;
};

class FakeLauncher : public TKV_AppLauncher
{
public:
    explicit FakeLauncher(std::shared_ptr<FakeDesktop> desktop) : desktop_(std::move(desktop)) {}

    TKV_Launch Launch(const QString& file, const QString& verb, QObject* parent) override
    {
        desktop_->Launches.append(verb + QLatin1Char(' ') + file);
        if (desktop_->Fails) return {nullptr, QStringLiteral("no application for this type")};
        auto* process = new QProcess(parent);
        process->start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), desktop_->Script, QStringLiteral("sh"), file});
        if (!process->waitForStarted(5000)) {
            delete process;
            return {nullptr, QStringLiteral("did not start")};
        }
        return {process, QString()};
    }

private:
    std::shared_ptr<FakeDesktop> desktop_;
};

std::function<void(TMainWinSetup&)> WithDesktop(const std::shared_ptr<FakeDesktop>& desktop,
                                                const QStringList& arguments = {})
{
    return [desktop, arguments](TMainWinSetup& setup) {
        setup.Launcher = [desktop] { return std::make_unique<FakeLauncher>(desktop); };
        setup.Arguments = arguments;
    };
}

// The plain bytes of `container` under `password`, without touching it (a copy is decrypted).
QByteArray Opened(const QString& container, const QString& password)
{
    QTemporaryDir scratch;
    const QString copy = scratch.filePath(QStringLiteral("x.cry"));
    if (!QFile::copy(container, copy)) return QByteArrayLiteral("<no container>");
    TKV_Pwd pwd;
    pwd.SetPassword(password.toStdString());
    if (pwd.DecryptFile(QFile::encodeName(copy).toStdString()) != 0) return QByteArrayLiteral("<does not open>");
    return ReadBytes(scratch.filePath(QStringLiteral("x")));
}

int MethodOf(const QString& container)
{
    return ReadContainerInfo(QFile::encodeName(container).toStdString()).method;
}

bool Visible(const TMainWin& window)
{
    return window.EncryptAgain_Button->isVisible();
}

class OpenFilesTest : public QObject
{
    Q_OBJECT

private slots:
    // The file comes back into its container once its application has ended, and no plain copy stays.
    void openEncryptsAgainWhenTheApplicationEnds()
    {
        auto desktop = std::make_shared<FakeDesktop>();
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui, false, QStringLiteral("secret"), WithDesktop(desktop));
        QVERIFY(w.WriteContainer(QStringLiteral("a.txt.cry"), kContent));
        w.Reread();
        Select(w.window->Crypted_ListView, {QStringLiteral("a.txt")});
        ui.ExpectDecryptPrompt(QStringLiteral("a.txt"), prAccepted, QStringLiteral("secret"));
        w.window->Open2Click();

        QCOMPARE(desktop->Launches, QStringList{QStringLiteral("open ") + w.Path(QStringLiteral("a.txt"))});
        QCOMPARE(w.window->PrgState->OpenCount, 1);
        QCOMPARE(ReadBytes(w.Path(QStringLiteral("a.txt"))), kContent);
        QVERIFY(!Exists(w.Path(QStringLiteral("a.txt.cry"))));
        QVERIFY(w.window->NotifyOpenFiles_Timer.isActive());

        QTRY_VERIFY_WITH_TIMEOUT(Exists(w.Path(QStringLiteral("a.txt.cry"))), 15000);
        QVERIFY(!Exists(w.Path(QStringLiteral("a.txt"))));
        QCOMPARE(w.window->PrgState->OpenCount, 0);
        QVERIFY(!w.window->NotifyOpenFiles_Timer.isActive());
        QCOMPARE(Opened(w.Path(QStringLiteral("a.txt.cry")), QStringLiteral("secret")), kContent);
        QCOMPARE(w.Crypted(), QStringList{QStringLiteral("a.txt")});
        QCOMPARE(w.Plain(), QStringList());
    }

    // An application that hands the file to one already running ends at once. The file stays open
    // until the user says so; then it goes back with the password and method that opened it, not
    // with whatever the engine holds by then.
    void anApplicationThatEndsAtOnceWaitsForTheUsersWord()
    {
        auto desktop = std::make_shared<FakeDesktop>();
        desktop->Script = QStringLiteral("exit 0");
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui, false, QStringLiteral("secret"), WithDesktop(desktop));
        w.window->DefaultMethod = kMethodTripleDes;
        QVERIFY(w.WriteContainer(QStringLiteral("a.txt.cry"), kContent));
        w.window->DefaultMethod = kMethodDes;
        w.Reread();
        Select(w.window->Crypted_ListView, {QStringLiteral("a.txt")});
        ui.ExpectDecryptPrompt(QStringLiteral("a.txt"), prAccepted, QStringLiteral("secret"));
        w.window->Open2Click();
        QVERIFY(!Visible(*w.window));

        QTest::qWait(1000);
        QVERIFY(Exists(w.Path(QStringLiteral("a.txt"))));
        QVERIFY(!Exists(w.Path(QStringLiteral("a.txt.cry"))));
        QCOMPARE(w.window->PrgState->OpenCount, 1);
        QVERIFY(Visible(*w.window));

        // Closing now asks, as with any file still open.
        ui.ExpectInfoOkCancel(QString::fromUtf8(kOpenFilesAtExitWarning), false);
        bool canClose = true;
        w.window->FormCloseQuery(canClose);
        QVERIFY(!canClose);

        w.window->Pwd->SetPassword("another file's password");
        w.window->EncryptAgainNow();
        QVERIFY(!Exists(w.Path(QStringLiteral("a.txt"))));
        QCOMPARE(Opened(w.Path(QStringLiteral("a.txt.cry")), QStringLiteral("secret")), kContent);
        QCOMPARE(MethodOf(w.Path(QStringLiteral("a.txt.cry"))), static_cast<int>(kMethodTripleDes));
        QCOMPARE(w.window->PrgState->OpenCount, 0);
        QTRY_VERIFY(!Visible(*w.window));
    }

    void aFailedLaunchEncryptsTheFileAgainAndSaysSo()
    {
        auto desktop = std::make_shared<FakeDesktop>();
        desktop->Fails = true;
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui, false, QStringLiteral("secret"), WithDesktop(desktop));
        QVERIFY(w.WriteContainer(QStringLiteral("a.txt.cry"), kContent));
        w.Reread();
        Select(w.window->Crypted_ListView, {QStringLiteral("a.txt")});
        ui.ExpectDecryptPrompt(QStringLiteral("a.txt"), prAccepted, QStringLiteral("secret"));
        ui.ExpectError(WithName(kUnableToShellMessage, w.Path(QStringLiteral("a.txt"))));
        w.window->Print2Click();
        QCOMPARE(ui.Pending(), 0);
        QVERIFY(!Exists(w.Path(QStringLiteral("a.txt"))));
        QCOMPARE(Opened(w.Path(QStringLiteral("a.txt.cry")), QStringLiteral("secret")), kContent);
        QCOMPARE(w.window->PrgState->OpenCount, 0);
    }

    // A plain file is opened or printed as it is; nothing waits for its application.
    void plainFilesAreOpenedUntracked()
    {
        auto desktop = std::make_shared<FakeDesktop>();
        desktop->Script = QStringLiteral("exit 0");
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui, false, QStringLiteral("secret"), WithDesktop(desktop));
        QVERIFY(WriteBytes(w.Path(QStringLiteral("a.txt")), kContent));
        QVERIFY(WriteBytes(w.Path(QStringLiteral("b.txt")), kContent));
        w.Reread();
        Select(w.window->Source_ListView, {QStringLiteral("a.txt"), QStringLiteral("b.txt")});
        w.window->Print1Click();
        QCOMPARE(desktop->Launches, QStringList({QStringLiteral("print ") + w.Path(QStringLiteral("a.txt")),
                                                 QStringLiteral("print ") + w.Path(QStringLiteral("b.txt"))}));
        QCOMPARE(w.window->PrgState->OpenCount, 0);
        desktop->Fails = true;
        ui.ExpectError(WithName(kUnableToShellMessage, w.Path(QStringLiteral("a.txt"))));
        Select(w.window->Source_ListView, {QStringLiteral("a.txt")});
        w.window->Open1Click();
        QCOMPARE(ui.Pending(), 0);
        QCOMPARE(ReadBytes(w.Path(QStringLiteral("a.txt"))), kContent);
    }

    // With every slot taken nothing is decrypted; a list run in progress holds the re-encryption back.
    void slotsAndBusyWork()
    {
        auto desktop = std::make_shared<FakeDesktop>();
        desktop->Script = QStringLiteral("sleep 2.5");
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui, false, QStringLiteral("secret"), WithDesktop(desktop));
        QVERIFY(w.WriteContainer(QStringLiteral("a.txt.cry"), kContent));
        w.Reread();
        Select(w.window->Crypted_ListView, {QStringLiteral("a.txt")});

        w.window->PrgState->OpenCount = kOpenFileSlots;
        w.window->Open2Click();
        QVERIFY(ui.Asked().isEmpty());
        QVERIFY(Exists(w.Path(QStringLiteral("a.txt.cry"))));
        w.window->PrgState->OpenCount = 0;

        ui.ExpectDecryptPrompt(QStringLiteral("a.txt"), prAccepted, QStringLiteral("secret"));
        w.window->Open2Click();
        QCOMPARE(w.window->PrgState->OpenCount, 1);
        w.window->PrgState->Busy.Include(psListRun);
        QTest::qWait(3500);
        QVERIFY(Exists(w.Path(QStringLiteral("a.txt"))));
        QVERIFY(w.window->PrgState->Busy.Contains(psListRun));
        w.window->PrgState->Busy.Exclude(psListRun);
        QTRY_VERIFY_WITH_TIMEOUT(Exists(w.Path(QStringLiteral("a.txt.cry"))), 5000);
        QVERIFY(!Exists(w.Path(QStringLiteral("a.txt"))));
    }

    void theCommandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("storedMethod");
        QTest::addColumn<bool>("onePassword");
        QTest::addColumn<bool>("showCry");
        // Prompts in order: "E name" / "D name", answered with the password or, for "E name!", Cancel All.
        QTest::addColumn<QStringList>("prompts");
        QTest::addColumn<QStringList>("after"); // the folder afterwards
        QTest::addColumn<int>("method");        // of a.txt.cry afterwards, -1 when there is none
        QTest::addColumn<bool>("closes");

        const QStringList ab = {QStringLiteral("a.txt"), QStringLiteral("b.txt.cry")};
        QTest::newRow("no arguments") << QStringList() << 3 << false << false << QStringList() << ab << -1 << false;
        QTest::newRow("only switches") << QStringList{QStringLiteral("/idea")} << 3 << false << false << QStringList()
                                       << ab << -1 << true;
        QTest::newRow("/IDEA before the file")
            << QStringList{QStringLiteral("/IDEA"), QStringLiteral("a.txt")} << 3 << false << false
            << QStringList{QStringLiteral("E a.txt")}
            << QStringList{QStringLiteral("a.txt.cry"), QStringLiteral("b.txt.cry")} << 1 << true;
        QTest::newRow("/idea after the file")
            << QStringList{QStringLiteral("a.txt"), QStringLiteral("/idea")} << 3 << false << false
            << QStringList{QStringLiteral("E a.txt")}
            << QStringList{QStringLiteral("a.txt.cry"), QStringLiteral("b.txt.cry")} << 3 << true;
        QTest::newRow(".CRY in capitals, ShowCry off")
            << QStringList{QStringLiteral("B.TXT.CRY")} << 1 << false << false << QStringList{QStringLiteral("D B.TXT")}
            << QStringList{QStringLiteral("B.TXT"), QStringLiteral("a.txt")} << -1 << true;
        QTest::newRow("ShowCry on") << QStringList{QStringLiteral("b.txt.cry")} << 1 << false << true
                                    << QStringList{QStringLiteral("D b.txt.cry")}
                                    << QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt")} << -1 << true;
        QTest::newRow("/open then /decrypt")
            << QStringList{QStringLiteral("/open"), QStringLiteral("/decrypt"), QStringLiteral("b.txt.cry")} << 1
            << false << false << QStringList{QStringLiteral("D b.txt")}
            << QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt")} << -1 << true;
        QTest::newRow("/pass: with one password for the session")
            << QStringList{QStringLiteral("/pass:Secret123"), QStringLiteral("a.txt")} << 1 << true << false
            << QStringList() << QStringList{QStringLiteral("a.txt.cry"), QStringLiteral("b.txt.cry")} << 1 << true;
        QTest::newRow("/pass: without it still prompts")
            << QStringList{QStringLiteral("/pass:Secret123"), QStringLiteral("a.txt")} << 1 << false << false
            << QStringList{QStringLiteral("E a.txt")}
            << QStringList{QStringLiteral("a.txt.cry"), QStringLiteral("b.txt.cry")} << 1 << true;
        QTest::newRow("/pass: too short is not entered")
            << QStringList{QStringLiteral("/pass:Sec"), QStringLiteral("a.txt")} << 1 << true << false
            << QStringList{QStringLiteral("E a.txt")}
            << QStringList{QStringLiteral("a.txt.cry"), QStringLiteral("b.txt.cry")} << 1 << true;
        QTest::newRow("Cancel All skips only that file")
            << QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt.cry")} << 1 << false << false
            << QStringList{QStringLiteral("E a.txt!"), QStringLiteral("D b.txt")}
            << QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt")} << -1 << true;
        QTest::newRow("a directory that cannot be entered stops the rest")
            << QStringList{QStringLiteral("/no/such/folder/x.txt"), QStringLiteral("a.txt")} << 1 << false << false
            << QStringList() << ab << -1 << false;
    }

    void theCommandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, storedMethod);
        QFETCH(bool, onePassword);
        QFETCH(bool, showCry);
        QFETCH(QStringList, prompts);
        QFETCH(QStringList, after);
        QFETCH(int, method);
        QFETCH(bool, closes);

        auto desktop = std::make_shared<FakeDesktop>();
        TKV_ScriptedInteraction ui;
        for (const QString& prompt : prompts) {
            const QString name = prompt.mid(2).chopped(prompt.endsWith(QLatin1Char('!')) ? 1 : 0);
            const int answer = prompt.endsWith(QLatin1Char('!')) ? prCancelAll : prAccepted;
            if (prompt.startsWith(QLatin1Char('E')))
                ui.ExpectEncryptPrompt(name, answer, QStringLiteral("Secret123"));
            else
                ui.ExpectDecryptPrompt(name, answer, QStringLiteral("Secret123"));
        }
        if (arguments.value(0).startsWith(QLatin1String("/no/")))
            ui.ExpectError(QStringLiteral("/no/such/folder: No such file or directory"));
        const auto settings = [&](QString text) {
            const QString options = QStringLiteral("Settings\\Options");
            text = WithValue(text, options, QStringLiteral("Method"), QString::number(storedMethod));
            return WithValue(text, options, QStringLiteral("OnePassword"),
                             onePassword ? QStringLiteral("1") : QStringLiteral("0"));
        };
        const auto prepare = [] {
            WriteBytes(QDir::current().filePath(QStringLiteral("a.txt")), kContent);
            WriteBytes(QDir::current().filePath(QStringLiteral("b.txt")), kContent);
            TKV_Pwd maker;
            maker.SetPassword("Secret123");
            QVERIFY(maker.EncryptFile("b.txt", kMethodIdea) == 0);
            QFile::remove(QStringLiteral("b.txt"));
        };
        // Another spelling of b.txt.cry's extension where the row names one.
        TKV_WorkflowWindow w(ui, showCry, QStringLiteral("unused"), WithDesktop(desktop, arguments), settings, [&] {
            prepare();
            if (arguments.contains(QStringLiteral("B.TXT.CRY")))
                QFile::rename(QStringLiteral("b.txt.cry"), QStringLiteral("B.TXT.CRY"));
        });
        QCoreApplication::processEvents();
        QCOMPARE(ui.Pending(), 0);
        QStringList files = QDir(w.Directory()).entryList(QDir::Files);
        files.sort();
        QStringList expected = after;
        expected.sort();
        QCOMPARE(files, expected);
        QCOMPARE(Exists(w.Path(QStringLiteral("a.txt.cry"))) ? MethodOf(w.Path(QStringLiteral("a.txt.cry"))) : -1,
                 method);
        QCOMPARE(w.window->isVisible(), !closes);
        QVERIFY(desktop->Launches.isEmpty());
        QVERIFY(!w.window->PrgState->ListsRaised);
        // The switches lasted for this command line only.
        QCOMPARE(w.window->DefaultMethod, storedMethod);
    }

    // "/usekeyfile" stores the password of a file it encrypts, and a later one recalls it without a prompt.
    void theCommandLineUsesTheDatabase()
    {
        QTemporaryDir folder;
        const QString database = folder.filePath(QStringLiteral("xwords.001"));
        const QString plain = folder.filePath(QStringLiteral("a.txt"));
        const auto settings = [&](QString text) {
            return WithValue(text, QStringLiteral("Settings\\MasterPass"), QStringLiteral("Dir"), database);
        };
        const QStringList switches = {QStringLiteral("/usekeyfile"), QStringLiteral("/masterpass:Master456")};
        auto desktop = std::make_shared<FakeDesktop>();
        QVERIFY(WriteBytes(plain, kContent));
        {
            TKV_ScriptedInteraction ui;
            ui.ExpectEncryptPrompt(QStringLiteral("a.txt"), prAccepted, QStringLiteral("Secret123"), false, true);
            TKV_WorkflowWindow w(ui, false, QStringLiteral("unused"),
                                 WithDesktop(desktop, switches + QStringList{plain}), settings);
            QCOMPARE(ui.Pending(), 0);
            QVERIFY(Exists(database));
            QVERIFY(!Exists(plain));
            // The database was in use for this command line only.
            QVERIFY(!w.window->PwdTable->Master.Store);
        }
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui, false, QStringLiteral("unused"),
                             WithDesktop(desktop, switches + QStringList{plain + QStringLiteral(".cry")}), settings);
        QVERIFY(ui.Asked().isEmpty());
        QCOMPARE(ReadBytes(plain), kContent);
        QVERIFY(!Exists(plain + QStringLiteral(".cry")));
    }

    // "/open" keeps the window while the file is open and brings the file back when its application ends.
    void theCommandLineOpensAFile()
    {
        auto desktop = std::make_shared<FakeDesktop>();
        desktop->Script = QStringLiteral("sleep 2.5");
        TKV_ScriptedInteraction ui;
        ui.ExpectDecryptPrompt(QStringLiteral("notes.txt"), prAccepted, QStringLiteral("Secret123"));
        TKV_WorkflowWindow w(ui, false, QStringLiteral("unused"),
                             WithDesktop(desktop, {QStringLiteral("/open"), QStringLiteral("notes.txt.cry")}), {}, [] {
                                 WriteBytes(QDir::current().filePath(QStringLiteral("notes.txt")), kContent);
                                 TKV_Pwd maker;
                                 maker.SetPassword("Secret123");
                                 QVERIFY(maker.EncryptFile("notes.txt", kMethodIdea) == 0);
                                 QFile::remove(QStringLiteral("notes.txt"));
                             });
        QCoreApplication::processEvents();
        QCOMPARE(desktop->Launches, QStringList{QStringLiteral("open ") + w.Path(QStringLiteral("notes.txt"))});
        QVERIFY(w.window->isVisible());
        QCOMPARE(ReadBytes(w.Path(QStringLiteral("notes.txt"))), kContent);
        QTRY_VERIFY_WITH_TIMEOUT(Exists(w.Path(QStringLiteral("notes.txt.cry"))), 15000);
        QVERIFY(!Exists(w.Path(QStringLiteral("notes.txt"))));
        QCOMPARE(Opened(w.Path(QStringLiteral("notes.txt.cry")), QStringLiteral("Secret123")), kContent);
        QVERIFY(w.window->isVisible());
    }
};

} // namespace

QTEST_MAIN(OpenFilesTest)
#include "test_openfiles.moc"
