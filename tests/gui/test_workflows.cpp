// SPDX-License-Identifier: GPL-3.0-or-later
// Encrypting and decrypting one file: paths, questions, attributes, the removal of the source, the
// lists afterwards and the messages of the engine's results. Each test has a window and a folder of
// its own; the prompts are answered by the script, one test clicks a real message box.
#include "ResultCodes.h"
#include "WorkflowMessages.h"
#include "WorkflowTestSupport.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include <cstdio>
#include <unistd.h>

namespace {

const QByteArray kContent = QByteArray("The quick brown fox jumps over the lazy dog.\n").repeated(50);

QString Say(const char* pattern, const QString& text)
{
    return WithName(pattern, text);
}

// The note shown when a wipe removed only one name of a file.
QString NotWipedText(const QString& path)
{
    return path + QStringLiteral(" was removed, but its data was not wiped because other names (hard links) share it.");
}

QString WrongPasswordText(const QString& name)
{
    return QStringLiteral("Invalid password for the file %1 !Press 'All' button to abort processing the file list.")
        .arg(name);
}

} // namespace

class WorkflowsTest : public QObject
{
    Q_OBJECT

private slots:
    void encryptsInASubdirectory()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        QVERIFY(QDir().mkdir(QStringLiteral("docs")));
        const QString docs = w.Path(QStringLiteral("docs"));
        QVERIFY(WriteBytes(docs + QStringLiteral("/a.txt"), kContent));
        w.window->DirCryptor->Directory = docs;

        QVERIFY(w.window->EncrFile(QStringLiteral("a.txt")));
        QVERIFY(Exists(docs + QStringLiteral("/a.txt.cry")));
        QVERIFY(!Exists(docs + QStringLiteral("/a.txt")));
        QVERIFY(!Exists(w.Path(QStringLiteral("a.txt.cry"))));
        QCOMPARE(TildeNames(docs), QStringList());
        QCOMPARE(StatusText(*w.window), QStringLiteral("Idle."));
        QVERIFY(w.window->PrgState->Busy.Empty());
        QCOMPARE(ui.Asked(), QStringList());
    }

    void pathsInTheRootGetNoSecondSeparator()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        w.window->DirCryptor->Directory = QStringLiteral("/");
        ui.ExpectError(QStringLiteral("File /kelvane-no-such-file.txt not found."));
        QVERIFY(!w.window->EncrFile(QStringLiteral("kelvane-no-such-file.txt")));
        ui.ExpectError(QStringLiteral("File /kelvane-no-such-file.txt.cry not found."));
        QVERIFY(!w.window->DecrFile(QStringLiteral("kelvane-no-such-file.txt")));
        QCOMPARE(JoinQPath(QStringLiteral("/"), QStringLiteral("a.txt")), QStringLiteral("/a.txt"));
        QCOMPARE(JoinQPath(QStringLiteral("/docs"), QStringLiteral("a.txt")), QStringLiteral("/docs/a.txt"));
    }

    void aMissingSourceTouchesNothing()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        QVERIFY(WriteBytes(w.Path(QStringLiteral("b.txt")), kContent));
        w.Reread();
        const QStringList before = w.Plain();
        ui.ExpectError(Say(kFileNotFoundMessage, w.Path(QStringLiteral("a.txt"))));
        QVERIFY(!w.window->EncrFile(QStringLiteral("a.txt")));
        QCOMPARE(w.Plain(), before);
        QVERIFY(!Exists(w.Path(QStringLiteral("a.txt.cry"))));
    }

    void decryptsWithShowCryOnAndOff_data()
    {
        QTest::addColumn<bool>("showCry");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("plain");
        QTest::newRow("ShowCry off") << false << QStringLiteral("a.txt.cry") << QStringLiteral("a.txt")
                                     << QStringLiteral("a.txt");
        QTest::newRow("ShowCry on") << true << QStringLiteral("a.txt.cry") << QStringLiteral("a.txt.cry")
                                    << QStringLiteral("a.txt");
        // The entry "b" stands for b.CRY, not for a b.cry that is not there.
        QTest::newRow("upper-case extension, ShowCry off")
            << false << QStringLiteral("b.CRY") << QStringLiteral("b") << QStringLiteral("b");
        QTest::newRow("upper-case extension, ShowCry on")
            << true << QStringLiteral("b.CRY") << QStringLiteral("b.CRY") << QStringLiteral("b");
    }

    void decryptsWithShowCryOnAndOff()
    {
        QFETCH(bool, showCry);
        QFETCH(QString, container);
        QFETCH(QString, entry);
        QFETCH(QString, plain);
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui, showCry);
        QVERIFY(w.WriteContainer(container, kContent));
        w.Reread();
        QCOMPARE(w.Crypted(), QStringList{entry});
        QCOMPARE(w.Plain(), QStringList());

        QVERIFY(w.window->DecrFile(entry));
        QCOMPARE(ReadBytes(w.Path(plain)), kContent);
        QVERIFY(!Exists(w.Path(container)));
        QCOMPARE(w.Plain(), QStringList{plain});
        QCOMPARE(w.Crypted(), QStringList());
        QCOMPARE(StatusText(*w.window), QStringLiteral("Idle."));
        QCOMPARE(ui.Asked(), QStringList());
    }

    void findsAnUpperCaseContainerInADirectoryTheListsDoNotShow()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui, false);
        QVERIFY(QDir().mkdir(QStringLiteral("other")));
        const QString other = w.Path(QStringLiteral("other"));
        QVERIFY(w.WriteContainer(QStringLiteral("other/b.CrY"), kContent));
        w.window->DirCryptor->Directory = other;
        QVERIFY(w.window->DecrFile(QStringLiteral("b")));
        QCOMPARE(ReadBytes(other + QStringLiteral("/b")), kContent);
        QVERIFY(!Exists(other + QStringLiteral("/b.CrY")));
    }

    void encryptsWithShowCryOnAndOff_data()
    {
        QTest::addColumn<bool>("showCry");
        QTest::addColumn<QString>("entry");
        QTest::newRow("ShowCry off") << false << QStringLiteral("a.txt");
        QTest::newRow("ShowCry on") << true << QStringLiteral("a.txt.cry");
    }

    void encryptsWithShowCryOnAndOff()
    {
        QFETCH(bool, showCry);
        QFETCH(QString, entry);
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui, showCry);
        QVERIFY(WriteBytes(w.Path(QStringLiteral("a.txt")), kContent));
        w.Reread();
        QVERIFY(w.window->EncrFile(QStringLiteral("a.txt")));
        QCOMPARE(w.Plain(), QStringList());
        QCOMPARE(w.Crypted(), QStringList{entry});
        // The container holds the file: it decrypts to the same bytes.
        QCOMPARE(w.window->Pwd->DecryptFile(FsPath(w.Path(QStringLiteral("a.txt.cry")))), 0);
        QCOMPARE(ReadBytes(w.Path(QStringLiteral("a.txt"))), kContent);
    }

    void aReadOnlyPlainFileGivesAReadOnlyContainerAndIsWiped()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        const QString plain = w.Path(QStringLiteral("a.txt"));
        QVERIFY(WriteBytes(plain, kContent));
        QVERIFY(::chmod(QFile::encodeName(plain).constData(), 0444) == 0);
        w.Reread();

        QVERIFY(w.window->EncrFile(QStringLiteral("a.txt")));
        QVERIFY(!Exists(plain));
        QCOMPARE(ModeOf(w.Path(QStringLiteral("a.txt.cry"))), 0444u);
        QCOMPARE(TildeNames(w.Directory()), QStringList());
        QCOMPARE(ui.Asked(), QStringList());
    }

    void overwritingAContainerLeavesOneEntry_data()
    {
        QTest::addColumn<bool>("showCry");
        QTest::addColumn<QString>("entry");
        QTest::newRow("ShowCry off") << false << QStringLiteral("a.txt");
        QTest::newRow("ShowCry on") << true << QStringLiteral("a.txt.cry");
    }

    void overwritingAContainerLeavesOneEntry()
    {
        QFETCH(bool, showCry);
        QFETCH(QString, entry);
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui, showCry);
        QVERIFY(w.WriteContainer(QStringLiteral("a.txt.cry"), QByteArray("old contents")));
        QVERIFY(WriteBytes(w.Path(QStringLiteral("a.txt")), kContent));
        w.Reread();
        QCOMPARE(w.Crypted(), QStringList{entry});

        ui.ExpectInfoOkCancel(Say(kOverwriteCryptedQuestion, w.Path(QStringLiteral("a.txt.cry"))), true);
        QVERIFY(w.window->EncrFile(QStringLiteral("a.txt")));
        QVERIFY(w.window->PrgState->TargetExisted);
        QCOMPARE(w.Crypted(), QStringList{entry});
        QCOMPARE(w.Plain(), QStringList());
        QCOMPARE(w.window->Pwd->DecryptFile(FsPath(w.Path(QStringLiteral("a.txt.cry")))), 0);
        QCOMPARE(ReadBytes(w.Path(QStringLiteral("a.txt"))), kContent);
    }

    void overwritingAPlainFileLeavesOneEntry()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        QVERIFY(w.WriteContainer(QStringLiteral("a.txt.cry"), kContent));
        QVERIFY(WriteBytes(w.Path(QStringLiteral("a.txt")), QByteArray("older plain")));
        w.Reread();

        ui.ExpectInfoOkCancel(Say(kOverwritePlainQuestion, w.Path(QStringLiteral("a.txt"))), true);
        QVERIFY(w.window->DecrFile(QStringLiteral("a.txt")));
        QCOMPARE(w.Plain(), QStringList{QStringLiteral("a.txt")});
        QCOMPARE(w.Crypted(), QStringList());
        QCOMPARE(ReadBytes(w.Path(QStringLiteral("a.txt"))), kContent);
    }

    void decliningTheOverwriteTouchesNothing()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        QVERIFY(WriteBytes(w.Path(QStringLiteral("a.txt")), kContent));
        QVERIFY(WriteBytes(w.Path(QStringLiteral("a.txt.cry")), QByteArray("not mine to replace")));
        QVERIFY(::chmod(QFile::encodeName(w.Path(QStringLiteral("a.txt"))).constData(), 0444) == 0);
        w.Reread();
        const QStringList plain = w.Plain();
        const QStringList crypted = w.Crypted();

        ui.ExpectInfoOkCancel(Say(kOverwriteCryptedQuestion, w.Path(QStringLiteral("a.txt.cry"))), false);
        QVERIFY(!w.window->EncrFile(QStringLiteral("a.txt")));
        QCOMPARE(ReadBytes(w.Path(QStringLiteral("a.txt"))), kContent);
        QCOMPARE(ModeOf(w.Path(QStringLiteral("a.txt"))), 0444u);
        QCOMPARE(ReadBytes(w.Path(QStringLiteral("a.txt.cry"))), QByteArray("not mine to replace"));
        QCOMPARE(w.Plain(), plain);
        QCOMPARE(w.Crypted(), crypted);
    }

    // The engine keeps a file that stood under the target's name; the workflow must not undo that.
    void aFailedDecryptionKeepsThePlainFileAgreedToBeOverwritten_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("message");
        QTest::newRow("wrong password") << QStringLiteral("password") << WrongPasswordText(QStringLiteral("a.txt"));
        QTest::newRow("stopped") << QStringLiteral("stop") << QStringLiteral("You have aborted processing a.txt.");
        QTest::newRow("disk full") << QStringLiteral("write")
                                   << QStringLiteral("Processing file a.txt has been aborted. The disk may be full.");
    }

    void aFailedDecryptionKeepsThePlainFileAgreedToBeOverwritten()
    {
        QFETCH(QString, failure);
        QFETCH(QString, message);
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        QVERIFY(w.WriteContainer(QStringLiteral("a.txt.cry"), kContent.repeated(20)));
        QVERIFY(WriteBytes(w.Path(QStringLiteral("a.txt")), QByteArray("keep me")));
        QVERIFY(::chmod(QFile::encodeName(w.Path(QStringLiteral("a.txt"))).constData(), 0640) == 0);
        w.Reread();
        if (failure == QStringLiteral("password")) w.window->Pwd->SetPassword("not the password");
        // The stop button as the user would press it, between two chunks.
        if (failure == QStringLiteral("stop"))
            w.window->Pwd->ProcessMessages = [&w] { w.window->PrgState->Abort = true; };
        if (failure == QStringLiteral("write")) w.window->Pwd->Faults.failWriteAfter = 100;

        ui.ExpectInfoOkCancel(Say(kOverwritePlainQuestion, w.Path(QStringLiteral("a.txt"))), true);
        if (failure == QStringLiteral("password"))
            ui.ExpectErrorOkAll(message, false);
        else
            ui.ExpectError(message);
        QVERIFY(!w.window->DecrFile(QStringLiteral("a.txt")));
        QCOMPARE(ReadBytes(w.Path(QStringLiteral("a.txt"))), QByteArray("keep me"));
        QCOMPARE(ModeOf(w.Path(QStringLiteral("a.txt"))), 0640u);
        QVERIFY(Exists(w.Path(QStringLiteral("a.txt.cry"))));
        QCOMPARE(w.Plain(), QStringList{QStringLiteral("a.txt")});
        QCOMPARE(w.Crypted(), QStringList{QStringLiteral("a.txt")});
        // Nothing half-written is left beside them.
        QCOMPARE(QDir(w.Directory()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 (QStringList{QStringLiteral("a.txt"), QStringLiteral("a.txt.cry")}));
    }

    void aStoppedEncryptionKeepsTheOldContainer()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        QVERIFY(WriteBytes(w.Path(QStringLiteral("a.txt")), kContent.repeated(20)));
        QVERIFY(WriteBytes(w.Path(QStringLiteral("a.txt.cry")), QByteArray("the old container")));
        w.Reread();
        // The stop button as the user would press it, between two chunks.
        w.window->Pwd->ProcessMessages = [&w] { w.window->PrgState->Abort = true; };

        ui.ExpectInfoOkCancel(Say(kOverwriteCryptedQuestion, w.Path(QStringLiteral("a.txt.cry"))), true);
        ui.ExpectError(QStringLiteral("You have aborted processing a.txt."));
        QVERIFY(!w.window->EncrFile(QStringLiteral("a.txt")));
        QCOMPARE(ReadBytes(w.Path(QStringLiteral("a.txt.cry"))), QByteArray("the old container"));
        QCOMPARE(ReadBytes(w.Path(QStringLiteral("a.txt"))), kContent.repeated(20));
        QCOMPARE(w.Plain(), QStringList{QStringLiteral("a.txt")});
        QCOMPARE(w.Crypted(), QStringList{QStringLiteral("a.txt")});
        QVERIFY(w.window->PrgState->Busy.Empty());
    }

    void aWrongPasswordAnsweredAllStopsTheList_data()
    {
        QTest::addColumn<bool>("all");
        QTest::newRow("All") << true;
        QTest::newRow("OK") << false;
    }

    void aWrongPasswordAnsweredAllStopsTheList()
    {
        QFETCH(bool, all);
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        QVERIFY(w.WriteContainer(QStringLiteral("a.txt.cry"), kContent));
        w.window->Pwd->SetPassword("not the password");
        ui.ExpectErrorOkAll(WrongPasswordText(QStringLiteral("a.txt")), all);
        QVERIFY(!w.window->DecrFile(QStringLiteral("a.txt")));
        QCOMPARE(w.window->PrgState->Abort.load(), all);
        QVERIFY(!Exists(w.Path(QStringLiteral("a.txt"))));
        QVERIFY(Exists(w.Path(QStringLiteral("a.txt.cry"))));
    }

    void everyResultCodeHasItsMessage_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("-2") << -2 << QStringLiteral("Couldn't open file a.txt .");
        QTest::newRow("-9") << -9 << QStringLiteral("Couldn't create a new file.");
        QTest::newRow("-10") << -10 << QStringLiteral("Couldn't read file a.txt .");
        QTest::newRow("-12") << -12 << QStringLiteral("No memory.");
        QTest::newRow("-13") << -13 << QStringLiteral("Cannot identify file a.txt as a valid crypted file.");
        QTest::newRow("-14") << -14 << QStringLiteral("You have aborted processing a.txt.");
        QTest::newRow("-15") << -15 << QStringLiteral("Processing file a.txt has been aborted. The disk may be full.");
        QTest::newRow("-16") << -16
                             << QStringLiteral("File a.txt is too large. Files of 2 GB (2147483648 bytes) or more "
                                               "cannot be encrypted.");
        QTest::newRow("-17") << -17
                             << QStringLiteral("a.txt is not a regular file. Links, devices, pipes and folders are "
                                               "not processed.");
        QTest::newRow("-18") << -18 << QStringLiteral("Unknown encryption method. Choose DES, IDEA or 3xDES.");
    }

    void everyResultCodeHasItsMessage()
    {
        QFETCH(int, code);
        QFETCH(QString, message);
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        ui.ExpectError(message);
        w.window->ShowEngineError(code, QStringLiteral("a.txt"));
        QVERIFY(!w.window->PrgState->Abort);
    }

    void anUnknownResultCodeShowsNothing()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        for (int code : {-3, -1, -19, -100, 0})
            w.window->ShowEngineError(code, QStringLiteral("a.txt"));
        QCOMPARE(ui.Asked(), QStringList());
        QVERIFY(!w.window->PrgState->Abort);
    }

    void aFailingEngineReturnsFalseAndKeepsTheSource()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        QVERIFY(WriteBytes(w.Path(QStringLiteral("a.txt")), kContent));
        w.Reread();
        w.window->Pwd->Faults.failWriteAfter = 100;
        ui.ExpectError(QStringLiteral("Processing file a.txt has been aborted. The disk may be full."));
        QVERIFY(!w.window->EncrFile(QStringLiteral("a.txt")));
        QCOMPARE(ReadBytes(w.Path(QStringLiteral("a.txt"))), kContent);
        QVERIFY(!Exists(w.Path(QStringLiteral("a.txt.cry"))));
        QCOMPARE(w.Plain(), QStringList{QStringLiteral("a.txt")});
        QCOMPARE(w.Crypted(), QStringList());
    }

    void anotherDirectoryThanTheShownOneLeavesTheListsAlone()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        // The shown folder has entries of the same names as the operation's folder.
        QVERIFY(WriteBytes(w.Path(QStringLiteral("a.txt")), QByteArray("shown plain")));
        QVERIFY(WriteBytes(w.Path(QStringLiteral("a.txt.cry")), QByteArray("shown container")));
        w.Reread();
        const QStringList plain = w.Plain();
        const QStringList crypted = w.Crypted();

        QTemporaryDir other;
        QVERIFY(WriteBytes(other.filePath(QStringLiteral("a.txt")), kContent));
        QVERIFY(WriteBytes(other.filePath(QStringLiteral("a.txt.cry")), QByteArray("to be replaced")));
        w.window->DirCryptor->Directory = other.path();
        ui.ExpectInfoOkCancel(Say(kOverwriteCryptedQuestion, other.filePath(QStringLiteral("a.txt.cry"))), true);
        QVERIFY(w.window->EncrFile(QStringLiteral("a.txt")));

        QVERIFY(!Exists(other.filePath(QStringLiteral("a.txt"))));
        QVERIFY(ReadBytes(other.filePath(QStringLiteral("a.txt.cry"))) != QByteArray("to be replaced"));
        QCOMPARE(w.Plain(), plain);
        QCOMPARE(w.Crypted(), crypted);
        QCOMPARE(ReadBytes(w.Path(QStringLiteral("a.txt.cry"))), QByteArray("shown container"));
    }

    void aLinkInThePlainListIsRefused()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        const QString target = w.Path(QStringLiteral("target.txt"));
        QVERIFY(WriteBytes(target, kContent));
        QVERIFY(::chmod(QFile::encodeName(target).constData(), 0444) == 0);
        QVERIFY(QFile::link(target, w.Path(QStringLiteral("link.txt"))));
        w.Reread();

        ui.ExpectError(
            QStringLiteral("link.txt is not a regular file. Links, devices, pipes and folders are not processed."));
        QVERIFY(!w.window->EncrFile(QStringLiteral("link.txt")));
        QCOMPARE(ReadBytes(target), kContent);
        QCOMPARE(ModeOf(target), 0444u);
        QVERIFY(Exists(w.Path(QStringLiteral("link.txt"))));
        QVERIFY(!Exists(w.Path(QStringLiteral("link.txt.cry"))));
    }

    void aWipeThatFailsAfterItsFirstRenameIsReported()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        QVERIFY(WriteBytes(w.Path(QStringLiteral("a.txt")), kContent));
        w.Reread();
        // The file goes to its first tilde name, then the wipe gives up.
        w.Wipe = [](const std::string& path) {
            ::rename(path.c_str(), (DirectoryOf(path) + "/~~~~~~~~.~~~").c_str());
            return -2;
        };
        ui.ExpectError(Say(kPlainNotRemovedMessage, QStringLiteral("a.txt")));
        QVERIFY(w.window->EncrFile(QStringLiteral("a.txt")));
        QVERIFY(Exists(w.Path(QStringLiteral("a.txt.cry"))));
        QCOMPARE(TildeNames(w.Directory()), QStringList{QStringLiteral("~~~~~~~~.~~~")});
        // The source is reported kept, so both lists show it.
        QCOMPARE(w.Plain(), QStringList{QStringLiteral("a.txt")});
        QCOMPARE(w.Crypted(), QStringList{QStringLiteral("a.txt")});
    }

    // The data of a file with other names is theirs too: the encryption succeeds, the plain file's
    // name goes, its data stays for the other names, and the user is told so.
    void encryptingAFileWithOtherNamesLeavesTheirData_data()
    {
        QTest::addColumn<uint>("mode");
        QTest::addColumn<bool>("otherNameBeside");
        QTest::newRow("writable, other name elsewhere") << 0644u << false;
        QTest::newRow("read-only, other name beside it") << 0444u << true;
    }

    void encryptingAFileWithOtherNamesLeavesTheirData()
    {
        QFETCH(uint, mode);
        QFETCH(bool, otherNameBeside);
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        const QString plain = w.Path(QStringLiteral("a.txt"));
        QVERIFY(WriteBytes(plain, kContent));
        QVERIFY(::chmod(QFile::encodeName(plain).constData(), mode) == 0);
        QTemporaryDir elsewhere;
        const QString other =
            otherNameBeside ? w.Path(QStringLiteral("b.txt")) : elsewhere.filePath(QStringLiteral("b"));
        QVERIFY(::link(QFile::encodeName(plain).constData(), QFile::encodeName(other).constData()) == 0);
        w.Reread();

        ui.ExpectInfo(NotWipedText(plain));
        QVERIFY(w.window->EncrFile(QStringLiteral("a.txt")));
        QVERIFY(!Exists(plain));
        QCOMPARE(ReadBytes(other), kContent);
        QCOMPARE(ModeOf(other), mode);
        QCOMPARE(TildeNames(w.Directory()), QStringList());
        QCOMPARE(w.Plain(), otherNameBeside ? QStringList{QStringLiteral("b.txt")} : QStringList());
        QCOMPARE(w.Crypted(), QStringList{QStringLiteral("a.txt")});
        QCOMPARE(w.window->Pwd->DecryptFile(FsPath(w.Path(QStringLiteral("a.txt.cry")))), 0);
        QCOMPARE(ReadBytes(plain), kContent);
    }

    void aContainerReplacedWhenTheEngineIsDoneIsNotDeleted()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        QVERIFY(w.WriteContainer(QStringLiteral("a.txt.cry"), kContent));
        w.Reread();
        // The container is moved away and a folder takes its name at the moment the engine is done:
        // the engine's last pump of messages does that. What now stands there is not what was read.
        bool swapped = false;
        w.window->Pwd->ProcessMessages = [&] {
            if (swapped || w.window->Pwd->BlocksDone < w.window->Pwd->BlocksTotal) return;
            swapped = true;
            QFile::rename(w.Path(QStringLiteral("a.txt.cry")), w.Path(QStringLiteral("moved.bin")));
            QDir().mkdir(w.Path(QStringLiteral("a.txt.cry")));
        };
        ui.ExpectError(Say("%s changed while it was being decrypted; the encrypted file was kept.",
                           w.Path(QStringLiteral("a.txt.cry"))));
        QVERIFY(w.window->DecrFile(QStringLiteral("a.txt")));
        QVERIFY(swapped);
        QCOMPARE(ReadBytes(w.Path(QStringLiteral("a.txt"))), kContent);
        QVERIFY(QFileInfo(w.Path(QStringLiteral("a.txt.cry"))).isDir());
        QVERIFY(Exists(w.Path(QStringLiteral("moved.bin"))));
        QCOMPARE(w.Plain(), QStringList{QStringLiteral("a.txt")});
        QCOMPARE(w.Crypted(), QStringList{QStringLiteral("a.txt")});
    }

    // Another run puts a new a.txt under the name while this one encrypts the old one: the new file
    // is not the one encrypted, so it must not be wiped.
    void aPlainFileReplacedWhileEncryptedIsKept()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        QVERIFY(WriteBytes(w.Path(QStringLiteral("a.txt")), kContent.repeated(20)));
        w.Reread();
        bool replaced = false;
        w.window->Pwd->ProcessMessages = [&] {
            if (replaced) return;
            replaced = true;
            QVERIFY(WriteBytes(w.Path(QStringLiteral("new.txt")), QByteArray("the fresh a.txt")));
            // One atomic step, as a program saving a file does.
            QCOMPARE(::rename(QFile::encodeName(w.Path(QStringLiteral("new.txt"))).constData(),
                              QFile::encodeName(w.Path(QStringLiteral("a.txt"))).constData()),
                     0);
        };
        ui.ExpectError(QStringLiteral("a.txt changed while it was being encrypted; the plain file was kept."));
        QVERIFY(w.window->EncrFile(QStringLiteral("a.txt")));
        QVERIFY(replaced);
        QCOMPARE(ReadBytes(w.Path(QStringLiteral("a.txt"))), QByteArray("the fresh a.txt"));
        QVERIFY(Exists(w.Path(QStringLiteral("a.txt.cry"))));
        QCOMPARE(w.Plain(), QStringList{QStringLiteral("a.txt")});
        QCOMPARE(w.Crypted(), QStringList{QStringLiteral("a.txt")});
        QCOMPARE(TildeNames(w.Directory()), QStringList());
    }

    // Bytes appended during the run are not in the container: nothing is made, the plain file stays.
    void aPlainFileAppendedToWhileEncryptedIsKept()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        QVERIFY(WriteBytes(w.Path(QStringLiteral("a.txt")), kContent.repeated(20)));
        w.Reread();
        bool appended = false;
        w.window->Pwd->ProcessMessages = [&] {
            if (appended) return;
            QFile file(w.Path(QStringLiteral("a.txt")));
            appended = file.open(QIODevice::Append) && file.write("late line\n") == 10;
        };
        ui.ExpectError(QStringLiteral("a.txt changed while it was being encrypted; the plain file was kept."));
        QVERIFY(!w.window->EncrFile(QStringLiteral("a.txt")));
        QVERIFY(appended);
        QCOMPARE(ReadBytes(w.Path(QStringLiteral("a.txt"))), kContent.repeated(20) + "late line\n");
        QVERIFY(!Exists(w.Path(QStringLiteral("a.txt.cry"))));
        QCOMPARE(w.Plain(), QStringList{QStringLiteral("a.txt")});
        QCOMPARE(w.Crypted(), QStringList());
    }

    // Nobody agreed to replace a file that appears under the target name during the run.
    void aTargetAppearingDuringDecryptionIsKept()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        QVERIFY(w.WriteContainer(QStringLiteral("a.txt.cry"), kContent.repeated(20)));
        w.Reread();
        bool written = false;
        w.window->Pwd->ProcessMessages = [&] {
            if (!written) written = WriteBytes(w.Path(QStringLiteral("a.txt")), QByteArray("written meanwhile"));
        };
        ui.ExpectError(Say("%s appeared while it was being written; it was left as it was and the new file was "
                           "discarded.",
                           w.Path(QStringLiteral("a.txt"))));
        QVERIFY(!w.window->DecrFile(QStringLiteral("a.txt")));
        QVERIFY(written);
        QCOMPARE(ReadBytes(w.Path(QStringLiteral("a.txt"))), QByteArray("written meanwhile"));
        QVERIFY(Exists(w.Path(QStringLiteral("a.txt.cry"))));
        QCOMPARE(QDir(w.Directory()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 (QStringList{QStringLiteral("a.txt"), QStringLiteral("a.txt.cry")}));
    }

    // The right password on damaged data: a plain error box, never the wrong-password box.
    void aDamagedContainerIsNotAWrongPassword()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        QVERIFY(w.WriteContainer(QStringLiteral("a.txt.cry"), kContent));
        QByteArray container = ReadBytes(w.Path(QStringLiteral("a.txt.cry")));
        container[container.size() / 2] = static_cast<char>(container[container.size() / 2] ^ 0x40);
        QVERIFY(WriteBytes(w.Path(QStringLiteral("a.txt.cry")), container));
        w.Reread();
        ui.ExpectError(QStringLiteral("File a.txt is damaged: the password was accepted, but the decrypted data does "
                                      "not match the file's checksum. Nothing was written."));
        QVERIFY(!w.window->DecrFile(QStringLiteral("a.txt")));
        QCOMPARE(w.window->LastEngineResult, static_cast<int>(kResultDamaged));
        QVERIFY(!w.window->PrgState->Abort);
        QCOMPARE(ReadBytes(w.Path(QStringLiteral("a.txt.cry"))), container);
        QVERIFY(!Exists(w.Path(QStringLiteral("a.txt"))));
    }

    void busyHoldsTheEngineCallOnly()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        QVERIFY(WriteBytes(w.Path(QStringLiteral("a.txt")), kContent.repeated(20)));
        w.Reread();
        QStringList seen;
        w.window->Pwd->ProcessMessages = [&] {
            seen.append(QString::number(w.window->PrgState->Busy.Bits()) + QLatin1Char(' ') + StatusText(*w.window));
        };
        QVERIFY(w.window->EncrFile(QStringLiteral("a.txt")));
        QVERIFY(!seen.isEmpty());
        QCOMPARE(seen.front(), QStringLiteral("1 Encrypting file a.txt ..."));
        QVERIFY(w.window->PrgState->Busy.Empty());
        QVERIFY(!w.window->Process_Timer.isActive());
    }

    // A real message box: the wrong-password box's "All" button.
    void theRealWrongPasswordBoxAnswersAll()
    {
        TKV_RealDialogsWindow real;
        TMainWin& window = *real.window;
        window.DirCryptor->Directory = QDir::currentPath();
        window.Pwd->SetPassword("right");
        const QString plain = real.Path(QStringLiteral("a.txt"));
        QVERIFY(WriteBytes(plain, kContent));
        QCOMPARE(window.Pwd->EncryptFile(FsPath(plain), window.DefaultMethod), 0);
        QVERIFY(QFile::remove(plain));
        window.Pwd->SetPassword("wrong");

        QString shown;
        WhenModal(&window, [&shown](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (box == nullptr) return;
            shown = box->text();
            for (QAbstractButton* button : box->buttons())
                if (button->text() == QStringLiteral("All")) QTest::mouseClick(button, Qt::LeftButton);
        });
        QVERIFY(!window.DecrFile(QStringLiteral("a.txt")));
        QCOMPARE(shown, WrongPasswordText(QStringLiteral("a.txt")));
        QVERIFY(window.PrgState->Abort);
        QVERIFY(Exists(real.Path(QStringLiteral("a.txt.cry"))));
    }

    void theRealNoteOnDataNotWipedIsAnInformationBox()
    {
        TKV_RealDialogsWindow real;
        TMainWin& window = *real.window;
        window.DirCryptor->Directory = QDir::currentPath();
        window.Pwd->SetPassword("secret12");
        const QString plain = real.Path(QStringLiteral("a.txt"));
        QVERIFY(WriteBytes(plain, kContent));
        QTemporaryDir elsewhere;
        const QString other = elsewhere.filePath(QStringLiteral("b"));
        QVERIFY(::link(QFile::encodeName(plain).constData(), QFile::encodeName(other).constData()) == 0);

        QString shown;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QStringList buttons;
        WhenModal(&window, [&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (box == nullptr) return;
            shown = box->text();
            icon = box->icon();
            for (QAbstractButton* button : box->buttons())
                buttons.append(button->text());
            QTest::mouseClick(box->buttons().front(), Qt::LeftButton);
        });
        QVERIFY(window.EncrFile(QStringLiteral("a.txt")));
        QCOMPARE(shown, NotWipedText(plain));
        QCOMPARE(icon, QMessageBox::Information);
        QCOMPARE(buttons, QStringList{QStringLiteral("OK")});
        QCOMPARE(ReadBytes(other), kContent);
    }
};

QTEST_MAIN(WorkflowsTest)
#include "test_workflows.moc"
