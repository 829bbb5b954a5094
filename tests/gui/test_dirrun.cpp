// SPDX-License-Identifier: GPL-3.0-or-later
// "Encrypt All" and "Decrypt All" over a tree built in each test: the question, the prompts, Cancel All,
// the stop button between directories and during a file, the tree back where it began, the lists
// refilled, and what the walk passes over.
#include "WorkflowMessages.h"
#include "WorkflowTestSupport.h"

#include "FileListModel.h"
#include "QtPaths.h"
#include "TKV_PwdTable.h"
#include "TPasswordPrompt.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileSystemModel>
#include <QItemSelectionModel>
#include <QMenu>
#include <QProgressBar>
#include <QSortFilterProxyModel>
#include <QToolButton>
#include <QTreeView>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include <sys/stat.h>

namespace {

const QString kRecurse = QStringLiteral("Recurse subdirectories?");
const QString kStopQuestion = QStringLiteral("Do you really want to cancel the process?");
const QString kPassword = QStringLiteral("password");

// The files of the tree in the order the run takes them: the directory's own first, then each
// subdirectory (letter case ignored, "A" before "a") with everything below it.
const QStringList kTreeFiles = {
    QStringLiteral("r1.txt"),
    QStringLiteral("A/a1.txt"),
    QStringLiteral("A/a2 with space.txt"),
    QStringLiteral("A/deep/d.txt"),
    QStringLiteral("a/x.txt"),
    QStringLiteral("b/b.txt"),
    QStringLiteral("\u00dcn\u00ef/u.txt"),
};

// Removes a file or directory named in bytes at the end of a test: the temporary folder's own
// clean-up reads names as UTF-8 and cannot remove one that is not.
class TKV_RawEntry
{
public:
    explicit TKV_RawEntry(std::string path) : path_(std::move(path)) {}
    ~TKV_RawEntry()
    {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
        std::filesystem::remove_all(path_ + ".cry", error);
    }
    TKV_RawEntry(const TKV_RawEntry&) = delete;
    TKV_RawEntry& operator=(const TKV_RawEntry&) = delete;

private:
    std::string path_;
};

bool RawExists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

QString NameOf(const QString& relative)
{
    return relative.section(QLatin1Char('/'), -1);
}

QByteArray Content(const QString& relative, int size)
{
    QByteArray bytes = relative.toUtf8();
    while (bytes.size() < size)
        bytes += bytes;
    return bytes.left(size);
}

// A window with no password held, over a folder holding the tree above, an empty directory and a
// link back to the folder itself.
struct TreeWindow
{
    TKV_WorkflowWindow w;
    TMainWin& win;
    int size;
    // Where the run begins; the current directory moves during the run.
    QString root;

    QString At(const QString& relative) const { return root + QLatin1Char('/') + relative; }

    TreeWindow(TKV_ScriptedInteraction& ui, int fileSize = 100)
        : w(ui), win(*w.window), size(fileSize), root(w.Directory())
    {
        win.Pwd->ClearPassword();
        win.Pwd->Entered = false;
        for (const QString& dir : QStringList{QStringLiteral("A/deep"), QStringLiteral("a"), QStringLiteral("b"),
                                              QStringLiteral("empty"), QStringLiteral("\u00dcn\u00ef")})
            QDir(w.Directory()).mkpath(dir);
        for (const QString& file : kTreeFiles)
            WriteBytes(At(file), Content(file, size));
        std::filesystem::create_directory_symlink(".", QFile::encodeName(At(QStringLiteral("loop"))).toStdString());
        w.Reread();
    }

    bool Crypted(const QString& relative) const { return Exists(At(relative + QStringLiteral(".cry"))); }
    bool Plain(const QString& relative) const
    {
        return Exists(At(relative)) && ReadBytes(At(relative)) == Content(relative, size);
    }
    // Every file of the tree encrypted (true) or plain (false), as `expected` says.
    void ExpectState(const std::function<bool(const QString&)>& encrypted) const
    {
        for (const QString& file : kTreeFiles) {
            if (encrypted(file))
                QVERIFY2(Crypted(file) && !Exists(At(file)), qPrintable(file));
            else
                QVERIFY2(Plain(file) && !Crypted(file), qPrintable(file));
        }
    }
    // Idle again, in the directory where the run began, tree and drive box usable.
    void ExpectEndedWhereItBegan() const
    {
        QCOMPARE(QDir::currentPath(), root);
        QCOMPARE(win.TreeDirectory(), root);
        QVERIFY(win.PrgState->Busy.Empty());
        QVERIFY(!win.PrgState->Abort);
        QVERIFY(win.User_DirectoryListBox->isEnabled());
        QVERIFY(win.DriveComboBox1->isEnabled());
        QVERIFY(!win.StopProcess_Button->isEnabled());
        QVERIFY(!win.Forms.Encrypt->CancelAllShown());
        QVERIFY(!win.Forms.Decrypt->CancelAllShown());
        QCOMPARE(StatusText(win), QStringLiteral("Idle."));
    }
    QStringList PromptNames(const TKV_ScriptedInteraction& ui) const
    {
        QStringList names;
        for (const TKV_PromptSetup& setup : ui.Prompts())
            names.append(setup.Name);
        return names;
    }
};

// Counts the paint events of the widgets it watches.
class TKV_PaintCounter : public QObject
{
public:
    int Paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) ++Paints;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

class DirectoryRunTest : public QObject
{
    Q_OBJECT

private slots:
    void yesAndOnePasswordForAListDoTheWholeTreeThenDecryptAllBringsItBack()
    {
        TKV_ScriptedInteraction ui;
        TreeWindow t(ui);
        ui.ExpectConfirmYesNoCancel(kRecurse, TKV_YesNoCancel::Yes);
        ui.ExpectEncryptPrompt(QStringLiteral("r1.txt"), prAccepted, kPassword, true);
        bool shownDuringRun = false;
        bool lockedDuringRun = false;
        ui.WhilePasswordPrompt = [&] {
            shownDuringRun = t.win.Forms.Encrypt->CancelAllShown();
            lockedDuringRun = !t.win.User_DirectoryListBox->isEnabled() && !t.win.DriveComboBox1->isEnabled() &&
                              t.win.StopProcess_Button->isEnabled() && t.win.PrgState->Busy.Contains(psDirectory) &&
                              t.win.Dir_Model->testOption(QFileSystemModel::DontWatchForChanges);
        };
        t.win.EncriptAll1Click();
        QVERIFY(shownDuringRun);
        QVERIFY(lockedDuringRun);
        // The tree follows the disk again.
        QVERIFY(!t.win.Dir_Model->testOption(QFileSystemModel::DontWatchForChanges));
        QCOMPARE(ui.Prompts().size(), 1);
        t.ExpectState([](const QString&) { return true; });
        // Containers made by the run are not taken up again by it.
        QVERIFY(!Exists(t.At(QStringLiteral("r1.txt.cry.cry"))));
        t.ExpectEndedWhereItBegan();
        // The lists show the directory again, with icons and details.
        QCOMPARE(t.win.Crypted_Model->Count(), 1);
        QVERIFY(t.win.Crypted_Model->Item(0).HasDetails);
        QVERIFY(t.win.Crypted_Model->Item(0).ImageIndex >= 0);
        QVERIFY(t.win.PrgState->DetailsComplete);
        QCOMPARE(t.w.Plain(), QStringList());

        ui.WhilePasswordPrompt = nullptr;
        ui.ExpectConfirmYesNoCancel(kRecurse, TKV_YesNoCancel::Yes);
        ui.ExpectDecryptPrompt(QStringLiteral("r1.txt"), prAccepted, kPassword, true);
        t.win.Decriptall1Click();
        QCOMPARE(ui.Prompts().size(), 2);
        t.ExpectState([](const QString&) { return false; });
        t.ExpectEndedWhereItBegan();
        QCOMPARE(t.w.Plain(), QStringList{QStringLiteral("r1.txt")});
        QVERIFY(t.win.Source_Model->Item(0).HasDetails);
    }

    void eachFileAskedForInWalkOrder()
    {
        TKV_ScriptedInteraction ui;
        TreeWindow t(ui);
        ui.ExpectConfirmYesNoCancel(kRecurse, TKV_YesNoCancel::Yes);
        QStringList expected;
        for (const QString& file : kTreeFiles) {
            ui.ExpectEncryptPrompt(NameOf(file), prAccepted, kPassword);
            expected.append(NameOf(file));
        }
        t.win.DoForAll(0);
        QCOMPARE(t.PromptNames(ui), expected);
        t.ExpectState([](const QString&) { return true; });
        t.ExpectEndedWhereItBegan();
    }

    void noDoesOnlyTheHighlightedDirectory()
    {
        TKV_ScriptedInteraction ui;
        TreeWindow t(ui);
        ui.ExpectConfirmYesNoCancel(kRecurse, TKV_YesNoCancel::No);
        ui.ExpectEncryptPrompt(QStringLiteral("r1.txt"), prAccepted, kPassword, true);
        t.win.DoForAll(0);
        t.ExpectState([](const QString& file) { return file == QStringLiteral("r1.txt"); });
        t.ExpectEndedWhereItBegan();
    }

    void cancelDoesNothing()
    {
        TKV_ScriptedInteraction ui;
        TreeWindow t(ui);
        t.win.UpdateStatus(QStringLiteral("Idle."));
        ui.ExpectConfirmYesNoCancel(kRecurse, TKV_YesNoCancel::Cancel);
        t.win.DoForAll(0);
        QCOMPARE(ui.Prompts().size(), 0);
        t.ExpectState([](const QString&) { return false; });
        t.ExpectEndedWhereItBegan();
    }

    void cancelAllEndsTheWholeRun()
    {
        TKV_ScriptedInteraction ui;
        TreeWindow t(ui);
        ui.ExpectConfirmYesNoCancel(kRecurse, TKV_YesNoCancel::Yes);
        ui.ExpectEncryptPrompt(QStringLiteral("r1.txt"), prAccepted, kPassword);
        ui.ExpectEncryptPrompt(QStringLiteral("a1.txt"), prAccepted, kPassword);
        ui.ExpectEncryptPrompt(QStringLiteral("a2 with space.txt"), prCancelAll);
        t.win.DoForAll(0);
        t.ExpectState(
            [](const QString& file) { return file == QStringLiteral("r1.txt") || file == QStringLiteral("A/a1.txt"); });
        t.ExpectEndedWhereItBegan();
    }

    void allOnAWrongPasswordEndsTheWholeRun()
    {
        TKV_ScriptedInteraction ui;
        TreeWindow t(ui);
        ui.ExpectConfirmYesNoCancel(kRecurse, TKV_YesNoCancel::Yes);
        ui.ExpectEncryptPrompt(QStringLiteral("r1.txt"), prAccepted, kPassword, true);
        t.win.DoForAll(0);
        // One container of the tree under another password.
        const QString odd = t.At(QStringLiteral("A/a2 with space.txt"));
        QVERIFY(QFile::remove(odd + QStringLiteral(".cry")));
        QVERIFY(WriteBytes(odd, Content(QStringLiteral("A/a2 with space.txt"), t.size)));
        TKV_Pwd other;
        other.SetPassword("otherpw1");
        QCOMPARE(other.EncryptFile(FsPath(odd), t.win.DefaultMethod), 0);
        QVERIFY(QFile::remove(odd));

        t.win.Pwd->ClearPassword();
        ui.ExpectConfirmYesNoCancel(kRecurse, TKV_YesNoCancel::Yes);
        ui.ExpectDecryptPrompt(QStringLiteral("r1.txt"), prAccepted, kPassword, true);
        ui.ExpectErrorOkAll(QStringLiteral("Invalid password for the file a2 with space.txt !Press 'All' button to "
                                           "abort processing the file list."),
                            true);
        t.win.DoForAll(1);
        t.ExpectState(
            [](const QString& file) { return file != QStringLiteral("r1.txt") && file != QStringLiteral("A/a1.txt"); });
        t.ExpectEndedWhereItBegan();
    }

    void stopBetweenDirectories()
    {
        TKV_ScriptedInteraction ui;
        TreeWindow t(ui);
        ui.ExpectConfirmYesNoCancel(kRecurse, TKV_YesNoCancel::Yes);
        ui.ExpectEncryptPrompt(QStringLiteral("r1.txt"), prAccepted, kPassword, true);
        const QString second = t.At(QStringLiteral("a"));
        bool pressed = false;
        QObject::connect(t.win.User_DirectoryListBox->selectionModel(), &QItemSelectionModel::currentChanged, &t.win,
                         [&] {
                             // As the tree reaches the second subdirectory; no file is being processed.
                             if (pressed || t.win.TreeDirectory() != second) return;
                             pressed = true;
                             QVERIFY(t.win.StopProcess_Button->isEnabled());
                             t.win.Button1Click();
                         });
        t.win.DoForAll(0);
        QVERIFY(pressed);
        t.ExpectState([](const QString& file) {
            return !file.startsWith(QStringLiteral("a/")) && !file.startsWith(QStringLiteral("b/")) &&
                   !file.startsWith(QStringLiteral("\u00dc"));
        });
        t.ExpectEndedWhereItBegan();
    }

    void stopDuringAFile()
    {
        TKV_ScriptedInteraction ui;
        TreeWindow t(ui, 100000);
        ui.ExpectConfirmYesNoCancel(kRecurse, TKV_YesNoCancel::Yes);
        ui.ExpectEncryptPrompt(QStringLiteral("r1.txt"), prAccepted, kPassword, true);
        ui.ExpectConfirmOkCancel(kStopQuestion, true);
        ui.ExpectError(QStringLiteral("You have aborted processing a2 with space.txt."));
        const QString during = t.At(QStringLiteral("A"));
        bool pressed = false;
        QString refusal;
        t.win.Pwd->ProcessMessages = [&] {
            if (pressed || QDir::currentPath() != during || !Exists(t.At(QStringLiteral("A/a1.txt.cry")))) return;
            pressed = true;
            // Another run is refused while this one works.
            t.win.DoForAll(0);
            refusal = StatusText(t.win);
            t.win.Button1Click();
        };
        t.win.DoForAll(0);
        QVERIFY(pressed);
        QCOMPARE(refusal, QStringLiteral("Please wait until the process is finished."));
        t.ExpectState(
            [](const QString& file) { return file == QStringLiteral("r1.txt") || file == QStringLiteral("A/a1.txt"); });
        t.ExpectEndedWhereItBegan();
    }

    // Any bytes make a name here; one that is no UTF-8 is shown and processed under its own name.
    void aNameThatIsNoUtf8IsProcessedUnderItsOwnName()
    {
        TKV_ScriptedInteraction ui;
        TreeWindow t(ui);
        const std::string raw = FsPath(t.root) + "/bad\xFF name.txt";
        const TKV_RawEntry cleanUp(raw);
        const QByteArray content("not utf-8 named");
        {
            std::FILE* file = std::fopen(raw.c_str(), "wb");
            QVERIFY(file != nullptr);
            std::fwrite(content.constData(), 1, static_cast<std::size_t>(content.size()), file);
            std::fclose(file);
        }
        t.w.Reread();
        const QString shown = QPath("bad\xFF name.txt");
        QVERIFY(t.w.Plain().contains(shown));
        QVERIFY(shown.startsWith(QStringLiteral("bad")) && shown.endsWith(QStringLiteral(" name.txt")));
        ui.ExpectConfirmYesNoCancel(kRecurse, TKV_YesNoCancel::No);
        ui.ExpectEncryptPrompt(shown, prAccepted, kPassword, true);
        t.win.DoForAll(0);
        QVERIFY(RawExists(raw + ".cry") && !RawExists(raw));
        QVERIFY(t.w.Crypted().contains(shown));
        ui.ExpectConfirmYesNoCancel(kRecurse, TKV_YesNoCancel::No);
        ui.ExpectDecryptPrompt(shown, prAccepted, kPassword, true);
        t.win.DoForAll(1);
        std::FILE* file = std::fopen(raw.c_str(), "rb");
        QVERIFY(file != nullptr);
        char back[64] = {};
        const std::size_t got = std::fread(back, 1, sizeof back, file);
        std::fclose(file);
        QCOMPARE(QByteArray(back, static_cast<qsizetype>(got)), content);
        QVERIFY(!RawExists(raw + ".cry"));
    }

    void aDirectoryNamedInNoUtf8IsEnteredAndLeft()
    {
        TKV_ScriptedInteraction ui;
        TreeWindow t(ui);
        const std::string dir = FsPath(t.root) + "/dir\xFE";
        const TKV_RawEntry cleanUp(dir);
        QCOMPARE(::mkdir(dir.c_str(), 0700), 0);
        {
            std::FILE* file = std::fopen((dir + "/inner.txt").c_str(), "wb");
            QVERIFY(file != nullptr);
            std::fputs("inside", file);
            std::fclose(file);
        }
        ui.ExpectConfirmYesNoCancel(kRecurse, TKV_YesNoCancel::Yes);
        ui.ExpectEncryptPrompt(QStringLiteral("r1.txt"), prAccepted, kPassword, true);
        t.win.DoForAll(0);
        t.ExpectState([](const QString&) { return true; });
        QVERIFY(RawExists(dir + "/inner.txt.cry") && !RawExists(dir + "/inner.txt"));
        t.ExpectEndedWhereItBegan();
    }

    // The pop-up menu works on the folder the user right-clicked, which becomes the highlighted one.
    void aRightClickHighlightsTheFolderUnderThePointer()
    {
        TKV_ScriptedInteraction ui;
        TreeWindow t(ui);
        QTreeView* tree = t.win.User_DirectoryListBox;
        const QString folder = t.At(QStringLiteral("b"));
        QModelIndex index;
        // The tree fills itself in the background.
        QTRY_VERIFY(
            (index = static_cast<QSortFilterProxyModel*>(tree->model())->mapFromSource(t.win.Dir_Model->index(folder)))
                .isValid() &&
            tree->visualRect(index).isValid());
        tree->scrollTo(index);
        const QRect rect = tree->visualRect(index);
        QVERIFY(t.win.TreeDirectory() != folder);
        emit tree->customContextMenuRequested(rect.center());
        QCOMPARE(t.win.TreeDirectory(), folder);
        QCOMPARE(QDir::currentPath(), folder);
        QVERIFY(t.win.Dir_PopupMenu->isVisible());
        t.win.Dir_PopupMenu->hide();
        QCOMPARE(t.w.Plain(), QStringList{QStringLiteral("b.txt")});
    }

    // Names go to the file layer and back byte for byte, whatever bytes they hold.
    void pathsKeepEveryByte()
    {
        const std::string names[] = {
            "plain.txt",
            "\xC3\xBCn\xC3\xAF \xF0\x9F\x94\x91.txt", // valid UTF-8, a letter outside the basic plane
            "\xEF\xBF\xBD",                           // U+FFFD spelled out
            "bad\xFF",                                // a byte that starts nothing
            "\xC3",                                   // a sequence cut short
            "\xC0\xAF",                               // an overlong slash
            "\xED\xA0\x80",                           // a surrogate spelled in UTF-8
            "\xF4\x90\x80\x80",                       // beyond U+10FFFF
            "\xF0\x9F\x94\x91\xFF\xC3\xBC",           // escaped byte between two letters
        };
        for (const std::string& name : names) {
            const QString shown = QPath(name);
            QCOMPARE(FsPath(shown), name);
            QVERIFY2(!shown.contains(QChar(0xFFFD)) || name == "\xEF\xBF\xBD", name.c_str());
        }
        QCOMPARE(QPath("\xC3\xBCn"), QStringLiteral("\u00fcn"));
        QCOMPARE(FsPath(QStringLiteral("\u00fcn")), std::string("\xC3\xBCn"));
    }

    void aDirectoryThatCannotBeReadIsToldOnceAndTheRunGoesOn()
    {
        TKV_ScriptedInteraction ui;
        TreeWindow t(ui);
        ui.ExpectConfirmYesNoCancel(kRecurse, TKV_YesNoCancel::Yes);
        ui.ExpectEncryptPrompt(QStringLiteral("r1.txt"), prAccepted, kPassword, true);
        // Gone between the listing of its parent and its turn, which no permission bits can do to root.
        QDir(t.root).mkpath(QStringLiteral("Gone"));
        ui.WhilePasswordPrompt = [&] { QDir(t.root).rmdir(QStringLiteral("Gone")); };
        ui.ExpectError(QStringLiteral("Cannot read the directory %1: No such file or directory")
                           .arg(t.At(QStringLiteral("Gone"))));
        t.win.DoForAll(0);
        t.ExpectState([](const QString&) { return true; });
        t.ExpectEndedWhereItBegan();
    }

    void manySmallFilesArePaintedAtTheWindowsPaceNotOncePerFile()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        constexpr int kFiles = 120;
        for (int i = 0; i < kFiles; ++i)
            QVERIFY(WriteBytes(w.Directory() + QStringLiteral("/f%1.txt").arg(i, 3, 10, QLatin1Char('0')),
                               QByteArray(64, 'x')));
        w.Reread();
        w.window->Pwd->ClearPassword();
        ui.ExpectConfirmYesNoCancel(kRecurse, TKV_YesNoCancel::No);
        ui.ExpectEncryptPrompt(QStringLiteral("f000.txt"), prAccepted, kPassword, true);
        TKV_PaintCounter counter;
        for (QWidget* watched :
             {static_cast<QWidget*>(w.window->ProgressBar1), static_cast<QWidget*>(w.window->ProgressBar2),
              w.window->Source_ListView->viewport(), w.window->Crypted_ListView->viewport()})
            watched->installEventFilter(&counter);
        QElapsedTimer clock;
        clock.start();
        w.window->DoForAll(0);
        const qint64 elapsed = clock.elapsed();
        QCOMPARE(w.Plain(), QStringList());
        QCOMPARE(w.window->Crypted_Model->Count(), kFiles);
        // Painted once per file and list, a run of small files spends most of its time drawing; a few
        // paints per pass of the event loop at its pace are the window's share. A slow machine only
        // widens the allowance.
        const qint64 allowance = 4 * (elapsed / 30 + 2);
        QVERIFY2(counter.Paints <= allowance,
                 qPrintable(QStringLiteral("%1 paints in %2 ms").arg(counter.Paints).arg(elapsed)));
    }
};

QTEST_MAIN(DirectoryRunTest)
#include "test_dirrun.moc"
