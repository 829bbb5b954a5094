// SPDX-License-Identifier: GPL-3.0-or-later
// Deletion and wiping: the confirmation dialog itself, RemoveFile, and "Delete" over the selected
// files of either list. Each test has a window and a folder of its own.
#include "TDelDialog.h"
#include "Wipe.h"
#include "WorkflowMessages.h"
#include "WorkflowTestSupport.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QtTest/QTest>

#include <unistd.h>

namespace {

const QByteArray kContent = QByteArray("Nothing to see here, move along.\n").repeated(40);

QString DialogLabel(const TKV_WorkflowWindow& w, const QString& name)
{
    return w.Path(name) + QLatin1Char('?');
}

// Five plain files a.txt .. e.txt, listed and all selected.
QStringList FiveSelected(TKV_WorkflowWindow& w)
{
    const QStringList names = {QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("c.txt"),
                               QStringLiteral("d.txt"), QStringLiteral("e.txt")};
    for (const QString& name : names)
        WriteBytes(w.Path(name), kContent);
    w.Reread();
    Select(w.window->Source_ListView, names);
    return names;
}

// A second name for the same file, outside the folder: whatever a wipe writes shows there.
QString HardLinkTwin(const QString& path, QTemporaryDir& elsewhere)
{
    const QString twin = elsewhere.filePath(QStringLiteral("twin"));
    return ::link(QFile::encodeName(path).constData(), QFile::encodeName(twin).constData()) == 0 ? twin : QString();
}

} // namespace

class DeleteTest : public QObject
{
    Q_OBJECT

private slots:
    void theDialogsTextsAndButtons()
    {
        TDelDialog dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Please confirm this action"));
        QCOMPARE(dialog.Label1->text(), QStringLiteral("Are you sure to delete the file"));
        QVERIFY(dialog.FName_Label->font().bold());
        QCOMPARE(dialog.Button1->text(), QStringLiteral("&Delete"));
        QCOMPARE(dialog.Button3->text(), QStringLiteral("Delete &All"));
        QCOMPARE(dialog.Button2->text(), QStringLiteral("&Cancel"));
        QCOMPARE(dialog.CancelAll_Button->text(), QStringLiteral("Ca&ncel All"));
        QVERIFY(dialog.Button1->isDefault());
        QVERIFY(!dialog.windowFlags().testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!dialog.windowFlags().testFlag(Qt::WindowMinMaxButtonsHint));
    }

    void theDialogSizesItselfToTheLastButton()
    {
        TDelDialog dialog;
        dialog.FName_Label->setText(QStringLiteral("/tmp/a.txt?"));
        dialog.show();
        const QRect button = dialog.CancelAll_Button->geometry();
        QCOMPARE(dialog.width(), button.left() + button.width() + 35);
        QCOMPARE(dialog.height(), button.top() + button.height() + 45);
        QVERIFY(dialog.FName_Label->width() >= dialog.FName_Label->sizeHint().width());
    }

    void aLongPathWidensTheDialog()
    {
        TDelDialog dialog;
        dialog.FName_Label->setText(QStringLiteral("/home/someone/") + QStringLiteral("long folder name/").repeated(4) +
                                    QStringLiteral("a.txt?"));
        dialog.show();
        const QRect button = dialog.CancelAll_Button->geometry();
        QVERIFY(dialog.width() > button.left() + button.width() + 35);
        QVERIFY(dialog.FName_Label->geometry().right() < dialog.width());
        QVERIFY(dialog.FName_Label->width() >= dialog.FName_Label->sizeHint().width());
    }

    void eachButtonGivesItsResult_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("result");
        QTest::newRow("Delete") << QStringLiteral("Button1") << int(TDelResult::Ok);
        QTest::newRow("Delete All") << QStringLiteral("Button3") << int(TDelResult::All);
        QTest::newRow("Cancel") << QStringLiteral("Button2") << int(TDelResult::Cancel);
        QTest::newRow("Cancel All") << QStringLiteral("CancelAll_Button") << int(TDelResult::Abort);
        QTest::newRow("Esc") << QString() << int(TDelResult::Cancel);
        QTest::newRow("Enter") << QStringLiteral("enter") << int(TDelResult::Ok);
    }

    void eachButtonGivesItsResult()
    {
        QFETCH(QString, button);
        QFETCH(int, result);
        TDelDialog dialog;
        dialog.FName_Label->setText(QStringLiteral("/tmp/a.txt?"));
        WhenModal(&dialog, [button](QWidget* modal) {
            if (button.isEmpty())
                QTest::keyClick(modal, Qt::Key_Escape);
            else if (button == QStringLiteral("enter"))
                QTest::keyClick(modal, Qt::Key_Return);
            else if (auto* pushButton = modal->findChild<QPushButton*>(button))
                QTest::mouseClick(pushButton, Qt::LeftButton);
            else
                modal->close();
        });
        QCOMPARE(int(dialog.Execute()), result);
    }

    // Tab goes along the button row and back; each showing starts on "&Delete", so that Enter
    // deletes one file even when the last answer was "Delete &All" by the keyboard.
    void theKeyboardWalksTheButtonsAndEnterDeletesOne()
    {
        TDelDialog dialog;
        dialog.FName_Label->setText(QStringLiteral("/tmp/a.txt?"));
        const QStringList chain = {QStringLiteral("Button1"), QStringLiteral("Button3"), QStringLiteral("Button2"),
                                   QStringLiteral("CancelAll_Button"), QStringLiteral("Button1")};
        QStringList walked;
        WhenModal(&dialog, [&walked](QWidget* modal) {
            walked = TabWalk(modal);
            PressKey(modal, Qt::Key_Tab);
            PressKey(modal, Qt::Key_Space);
        });
        QCOMPARE(int(dialog.Execute()), int(TDelResult::All));
        QCOMPARE(walked, chain);

        walked.clear();
        WhenModal(&dialog, [&walked](QWidget* modal) {
            walked = TabWalk(modal);
            PressKey(modal, Qt::Key_Return);
        });
        QCOMPARE(int(dialog.Execute()), int(TDelResult::Ok));
        QCOMPARE(walked, chain);
    }

    void removingAReadOnlyPlainFileWipesIt()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        const QString path = w.Path(QStringLiteral("a.txt"));
        QVERIFY(WriteBytes(path, kContent));
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0444) == 0);
        // Held open, the data stays reachable without another name for it.
        QFile held(path);
        QVERIFY(held.open(QIODevice::ReadOnly));

        QVERIFY(w.window->RemoveFile(path, true));
        QVERIFY(!Exists(path));
        QCOMPARE(TildeNames(w.Directory()), QStringList());
        // The wipe truncated the file's data.
        QCOMPARE(held.readAll(), QByteArray());
        QCOMPARE(StatusText(*w.window), QStringLiteral("Idle."));
    }

    void removingAContainerDeletesWithoutWiping()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        const QString path = w.Path(QStringLiteral("a.txt.cry"));
        QVERIFY(WriteBytes(path, kContent));
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0444) == 0);
        QTemporaryDir elsewhere;
        const QString twin = HardLinkTwin(path, elsewhere);
        bool wiped = false;
        w.Wipe = [&wiped](const std::string&) {
            wiped = true;
            return -2;
        };
        QVERIFY(w.window->RemoveFile(path, false));
        QVERIFY(!Exists(path));
        QVERIFY(!wiped);
        QCOMPARE(ReadBytes(twin), kContent);
    }

    // Deleting a plain file unwiped would leave its data on the disk behind the user's back.
    // "Delete" of a plain file with other names removes this name only: the other names keep the data
    // with their permissions, and the user is told the data was not wiped.
    void deletingAFileWithOtherNamesLeavesTheirData()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        const QString path = w.Path(QStringLiteral("a.txt"));
        QVERIFY(WriteBytes(path, kContent));
        QVERIFY(WriteBytes(w.Path(QStringLiteral("c.txt")), kContent));
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0444) == 0);
        QTemporaryDir elsewhere;
        const QString twin = HardLinkTwin(path, elsewhere);
        QVERIFY(!twin.isEmpty());
        w.Reread();
        Select(w.window->Source_ListView, {QStringLiteral("a.txt"), QStringLiteral("c.txt")});

        ui.ExpectDelDialog(DialogLabel(w, QStringLiteral("a.txt")), TDelResult::All);
        ui.ExpectInfo(
            path +
            QStringLiteral(" was removed, but its data was not wiped because other names (hard links) share it."));
        w.window->FileDel(*w.window->Source_ListView);
        QVERIFY(!Exists(path));
        QVERIFY(!Exists(w.Path(QStringLiteral("c.txt"))));
        QCOMPARE(ReadBytes(twin), kContent);
        QCOMPARE(ModeOf(twin), 0444u);
        QCOMPARE(w.Plain(), QStringList());
        QCOMPARE(TildeNames(w.Directory()), QStringList());
    }

    void aWipeThatFailsWithTheFileInPlaceKeepsTheFile()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        const QString path = w.Path(QStringLiteral("a.txt"));
        QVERIFY(WriteBytes(path, kContent));
        w.Wipe = [](const std::string&) { return -2; };
        QVERIFY(!w.window->RemoveFile(path, true));
        QCOMPARE(ReadBytes(path), kContent);
    }

    void deleteCancelDeleteOverThreeFiles()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        const QStringList names = {QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("c.txt")};
        for (const QString& name : names)
            QVERIFY(WriteBytes(w.Path(name), kContent));
        w.Reread();
        Select(w.window->Source_ListView, names);

        ui.ExpectDelDialog(DialogLabel(w, QStringLiteral("a.txt")), TDelResult::Ok);
        ui.ExpectDelDialog(DialogLabel(w, QStringLiteral("b.txt")), TDelResult::Cancel);
        ui.ExpectDelDialog(DialogLabel(w, QStringLiteral("c.txt")), TDelResult::Ok);
        w.window->FileDel(*w.window->Source_ListView);

        QVERIFY(!Exists(w.Path(QStringLiteral("a.txt"))));
        QCOMPARE(ReadBytes(w.Path(QStringLiteral("b.txt"))), kContent);
        QVERIFY(!Exists(w.Path(QStringLiteral("c.txt"))));
        QCOMPARE(w.Plain(), QStringList{QStringLiteral("b.txt")});
        QCOMPARE(TildeNames(w.Directory()), QStringList());
        QVERIFY(w.window->PrgState->Busy.Empty());
        QVERIFY(!w.window->StopProcess_Button->isEnabled());
    }

    void deleteAllOnTheFirstOfFive()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        FiveSelected(w);
        ui.ExpectDelDialog(DialogLabel(w, QStringLiteral("a.txt")), TDelResult::All);
        w.window->FileDel(*w.window->Source_ListView);
        QCOMPARE(w.Plain(), QStringList());
        QCOMPARE(QDir(w.Directory()).entryList(QDir::Files), QStringList());
        QCOMPARE(ui.Asked().size(), 1);
    }

    void cancelAllOnTheSecondOfFive()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        const QStringList names = FiveSelected(w);
        ui.ExpectDelDialog(DialogLabel(w, QStringLiteral("a.txt")), TDelResult::Ok);
        ui.ExpectDelDialog(DialogLabel(w, QStringLiteral("b.txt")), TDelResult::Abort);
        w.window->FileDel(*w.window->Source_ListView);
        QCOMPARE(w.Plain(), names.mid(1));
        QVERIFY(!Exists(w.Path(QStringLiteral("a.txt"))));
        for (const QString& name : names.mid(1))
            QVERIFY(Exists(w.Path(name)));
    }

    void aCryptedEntryWithShowCryOffDeletesItsContainerWithoutWiping()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui, false);
        const QString container = w.Path(QStringLiteral("a.txt.cry"));
        QVERIFY(WriteBytes(container, kContent));
        QVERIFY(WriteBytes(w.Path(QStringLiteral("a.txt")), QByteArray("the plain namesake")));
        QTemporaryDir elsewhere;
        const QString twin = HardLinkTwin(container, elsewhere);
        QVERIFY(!twin.isEmpty());
        w.Reread();
        QCOMPARE(w.Crypted(), QStringList{QStringLiteral("a.txt")});
        Select(w.window->Crypted_ListView, {QStringLiteral("a.txt")});

        ui.ExpectDelDialog(container + QLatin1Char('?'), TDelResult::Ok);
        w.window->FileDel(*w.window->Crypted_ListView);
        QVERIFY(!Exists(container));
        QCOMPARE(ReadBytes(twin), kContent);
        QCOMPARE(ReadBytes(w.Path(QStringLiteral("a.txt"))), QByteArray("the plain namesake"));
        QCOMPARE(w.Crypted(), QStringList());
        QCOMPARE(w.Plain(), QStringList{QStringLiteral("a.txt")});
    }

    void anUpperCaseContainerWithShowCryOffIsTheOneDeleted()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui, false);
        QVERIFY(WriteBytes(w.Path(QStringLiteral("b.CRY")), kContent));
        w.Reread();
        QCOMPARE(w.Crypted(), QStringList{QStringLiteral("b")});
        Select(w.window->Crypted_ListView, {QStringLiteral("b")});
        ui.ExpectDelDialog(w.Path(QStringLiteral("b.CRY")) + QLatin1Char('?'), TDelResult::Ok);
        w.window->FileDel(*w.window->Crypted_ListView);
        QVERIFY(!Exists(w.Path(QStringLiteral("b.CRY"))));
        QCOMPARE(w.Crypted(), QStringList());
        QCOMPARE(ui.Asked().size(), 1);
    }

    void aCryptedEntryWithShowCryOnNamesTheContainer()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui, true);
        QVERIFY(WriteBytes(w.Path(QStringLiteral("a.txt.cry")), kContent));
        w.Reread();
        Select(w.window->Crypted_ListView, {QStringLiteral("a.txt.cry")});
        ui.ExpectDelDialog(DialogLabel(w, QStringLiteral("a.txt.cry")), TDelResult::Ok);
        w.window->FileDel(*w.window->Crypted_ListView);
        QVERIFY(!Exists(w.Path(QStringLiteral("a.txt.cry"))));
        QCOMPARE(w.Crypted(), QStringList());
    }

    void deletingALinkRemovesTheLinkOnly()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        QTemporaryDir elsewhere;
        const QString target = elsewhere.filePath(QStringLiteral("target.txt"));
        QVERIFY(WriteBytes(target, kContent));
        QVERIFY(::chmod(QFile::encodeName(target).constData(), 0444) == 0);
        QVERIFY(QFile::link(target, w.Path(QStringLiteral("link.txt"))));
        QVERIFY(QFile::link(elsewhere.filePath(QStringLiteral("gone.txt")), w.Path(QStringLiteral("dangling.txt"))));
        w.Reread();
        Select(w.window->Source_ListView, {QStringLiteral("link.txt"), QStringLiteral("dangling.txt")});

        ui.ExpectDelDialog(DialogLabel(w, QStringLiteral("dangling.txt")), TDelResult::Ok);
        ui.ExpectDelDialog(DialogLabel(w, QStringLiteral("link.txt")), TDelResult::Ok);
        w.window->FileDel(*w.window->Source_ListView);
        QVERIFY(!Exists(w.Path(QStringLiteral("link.txt"))));
        QVERIFY(!Exists(w.Path(QStringLiteral("dangling.txt"))));
        QCOMPARE(ReadBytes(target), kContent);
        QCOMPARE(ModeOf(target), 0444u);
        QCOMPARE(TildeNames(w.Directory()), QStringList());
        QCOMPARE(w.Plain(), QStringList());
    }

    void aWipeThatFailsAfterItsFirstRenameIsReported()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        QVERIFY(WriteBytes(w.Path(QStringLiteral("a.txt")), kContent));
        QVERIFY(WriteBytes(w.Path(QStringLiteral("b.txt")), kContent));
        w.Reread();
        Select(w.window->Source_ListView, {QStringLiteral("a.txt"), QStringLiteral("b.txt")});
        // The first file goes to its first tilde name, then the wipe gives up. That leftover does not
        // stand in the way of the second file's wipe, and is left as it is.
        bool failed = false;
        w.Wipe = [&failed](const std::string& path) {
            if (failed) return WipeFile(path);
            failed = true;
            ::rename(path.c_str(), (DirectoryOf(path) + "/~~~~~~~~.~~~").c_str());
            return -2;
        };

        ui.ExpectDelDialog(DialogLabel(w, QStringLiteral("a.txt")), TDelResult::All);
        ui.ExpectError(WithName(kNotDeletedMessage, w.Path(QStringLiteral("a.txt"))));
        w.window->FileDel(*w.window->Source_ListView);
        QCOMPARE(w.Plain(), QStringList{QStringLiteral("a.txt")});
        QVERIFY(!Exists(w.Path(QStringLiteral("b.txt"))));
        QCOMPARE(TildeNames(w.Directory()), QStringList{QStringLiteral("~~~~~~~~.~~~")});
        QCOMPARE(ReadBytes(w.Path(QStringLiteral("~~~~~~~~.~~~"))), kContent);
    }

    void theStopButtonIsEnabledWhileDeleting()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        QVERIFY(WriteBytes(w.Path(QStringLiteral("a.txt")), kContent));
        w.Reread();
        Select(w.window->Source_ListView, {QStringLiteral("a.txt")});
        QStringList seen;
        w.Wipe = [&](const std::string& path) {
            seen.append(QStringLiteral("stop %1, busy %2")
                            .arg(w.window->StopProcess_Button->isEnabled())
                            .arg(w.window->PrgState->Busy.Bits()));
            w.window->PrgState->Abort = true; // the loop does not look at it
            return WipeFile(path);
        };
        QVERIFY(!w.window->StopProcess_Button->isEnabled());
        ui.ExpectDelDialog(DialogLabel(w, QStringLiteral("a.txt")), TDelResult::Ok);
        w.window->FileDel(*w.window->Source_ListView);
        QCOMPARE(seen, QStringList{QStringLiteral("stop 1, busy 8")});
        QVERIFY(!w.window->StopProcess_Button->isEnabled());
        QVERIFY(!w.window->PrgState->Abort);
        QVERIFY(w.window->PrgState->Busy.Empty());
    }

    void nothingSelectedDoesNothing()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        QVERIFY(WriteBytes(w.Path(QStringLiteral("a.txt")), kContent));
        w.Reread();
        w.window->Source_ListView->selectionModel()->clearSelection();
        w.window->PrgState->Busy.Include(psEncrypting);
        const QString before = StatusText(*w.window);
        w.window->FileDel(*w.window->Source_ListView);
        QCOMPARE(StatusText(*w.window), before);
        QVERIFY(Exists(w.Path(QStringLiteral("a.txt"))));
        w.window->PrgState->Busy.Clear();
    }

    void deleteWhileAnEncryptionRunsOnlyAsksToWait()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        QVERIFY(WriteBytes(w.Path(QStringLiteral("a.txt")), kContent.repeated(20)));
        QVERIFY(WriteBytes(w.Path(QStringLiteral("b.txt")), kContent));
        w.Reread();
        Select(w.window->Source_ListView, {QStringLiteral("b.txt")});
        QString during;
        // The user chooses "Delete" while the engine lets the window work between two chunks.
        w.window->Pwd->ProcessMessages = [&] {
            if (!during.isEmpty()) return;
            w.window->Delete1Click();
            during = StatusText(*w.window);
        };
        QVERIFY(w.window->EncrFile(QStringLiteral("a.txt")));
        QCOMPARE(during, QStringLiteral("Please wait until the process is finished."));
        QVERIFY(Exists(w.Path(QStringLiteral("b.txt"))));
        QCOMPARE(ui.Asked(), QStringList());
    }

    // The real dialog, clicked: "&Delete" on the Crypted list's entry.
    void theRealDialogDeletes()
    {
        TKV_RealDialogsWindow real;
        TMainWin& window = *real.window;
        const QString container = real.Path(QStringLiteral("a.txt.cry"));
        QVERIFY(WriteBytes(container, kContent));
        window.ReadFLists();
        Select(window.Crypted_ListView, {QStringLiteral("a.txt")});

        QString label;
        WhenModal(&window, [&label](QWidget* modal) {
            auto* dialog = dynamic_cast<TDelDialog*>(modal);
            if (dialog == nullptr) {
                modal->close();
                return;
            }
            label = dialog->FName_Label->text();
            QTest::mouseClick(dialog->Button1, Qt::LeftButton);
        });
        window.Delete2Click();
        QCOMPARE(label, container + QLatin1Char('?'));
        QVERIFY(!Exists(container));
        QCOMPARE(Captions(window.Crypted_ListView), QStringList());
    }
};

QTEST_MAIN(DeleteTest)
#include "test_delete.moc"
