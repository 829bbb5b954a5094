// SPDX-License-Identifier: GPL-3.0-or-later
// The help: every help context reaches a page and an anchor that exist, the links between the pages
// hold, F1 in the window and in each dialog hands the right page and anchor to the desktop, and a
// missing handler or page is told.
#include "ComboChange.h"
#include "Forms.h"
#include "GuiTestSupport.h"
#include "Help.h"
#include "Launch.h"
#include "TDelDialog.h"
#include "TMasterPwd_Form.h"
#include "TPasswordPrompt.h"
#include "TPreferences.h"
#include "TStoredPwd_Form.h"

#include <QAction>
#include <QDir>
#include <QRegularExpression>
#include <QSet>
#include <QToolButton>
#include <QtTest/QTest>

namespace {

QString BuildHelpFolder()
{
    return QStringLiteral(KELVANE_BUILD_HELP);
}

// The ids a page declares.
QSet<QString> Anchors(const QString& path)
{
    static const QRegularExpression id(QStringLiteral("\\sid=\"([^\"]+)\""));
    QSet<QString> anchors;
    auto matches = id.globalMatch(ReadFile(path));
    while (matches.hasNext())
        anchors.insert(matches.next().captured(1));
    return anchors;
}

// Whether `url` is a file that exists and, when it has an anchor, declares it.
QString Unresolved(const QUrl& url)
{
    if (!url.isLocalFile()) return QStringLiteral("not a file: ") + url.toString();
    if (!QFileInfo(url.toLocalFile()).isFile()) return QStringLiteral("no such page: ") + url.toString();
    if (url.hasFragment() && !Anchors(url.toLocalFile()).contains(url.fragment()))
        return QStringLiteral("no such anchor: ") + url.toString();
    return QString();
}

QStringList HelpFiles(const QString& folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files, QDir::Name);
    return names;
}

// A window on the default settings with its dialogs, shown, without a tip at start-up.
struct TKV_HelpWindow
{
    QTemporaryDir Settings;
    std::unique_ptr<TMainWin> Window;

    explicit TKV_HelpWindow(TKV_ScriptedInteraction& ui)
    {
        const QString text = WithValue(DefaultSettingsText(), QStringLiteral("Settings\\Options"),
                                       QStringLiteral("ShowTIP"), QStringLiteral("0"));
        Window = MakeWindow(ui, WriteFile(Settings.filePath(QStringLiteral("crypt file.ini")), text));
        CreateForms(*Window);
    }
};

// F1 in `window`, once it is active.
bool PressF1In(QWidget* window)
{
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window)) return false;
    PressKey(window, Qt::Key_F1);
    return true;
}

} // namespace

class HelpTest : public QObject
{
    Q_OBJECT

private slots:
    void everyContextHasAPageAndAnchorThatExist_data()
    {
        QTest::addColumn<int>("context");
        for (const TKV_HelpTopic& topic : kHelpTopics)
            QTest::addRow("%d", topic.Context) << topic.Context;
    }

    void everyContextHasAPageAndAnchorThatExist()
    {
        QFETCH(int, context);
        const QUrl url = HelpPageUrl(BuildHelpFolder() + QStringLiteral("/index.html"), context);
        QVERIFY(url.hasFragment());
        QCOMPARE(Unresolved(url), QString());
    }

    // Each number the program asks for has a topic of its own in the table.
    void everyContextAskedForIsInTheTable()
    {
        QList<int> asked = {TMainWin::kMainWinHelpContext, TPreferences::kHelpContext, kBasicsHelpContext,
                            kDeletingHelpContext, TStoredPwd_Form::kHelpContext};
        for (const TKV_Tip& tip : kTips)
            asked.append(tip.HelpContext);
        for (int context : asked) {
            const TKV_HelpTopic* topic = FindHelpTopic(context);
            QVERIFY2(topic != nullptr, qPrintable(QString::number(context)));
            QCOMPARE(topic->Context, context);
        }
        QCOMPARE(FindHelpTopic(0), nullptr);
        QCOMPARE(FindHelpTopic(30), nullptr);
    }

    void noContextOpensTheFirstPage()
    {
        const QString first = BuildHelpFolder() + QStringLiteral("/index.html");
        QCOMPARE(HelpPageUrl(first, 0), QUrl::fromLocalFile(first));
        QCOMPARE(HelpPageUrl(first, 999), QUrl::fromLocalFile(first));
        QCOMPARE(Unresolved(HelpPageUrl(first, 0)), QString());
    }

    void theLinksBetweenThePagesHold()
    {
        static const QRegularExpression href(QStringLiteral("\\shref=\"([^\"]+)\""));
        const QDir folder(BuildHelpFolder());
        int links = 0;
        QStringList broken;
        for (const QString& name : folder.entryList({QStringLiteral("*.html")}, QDir::Files)) {
            const QString page = folder.filePath(name);
            auto matches = href.globalMatch(ReadFile(page));
            while (matches.hasNext()) {
                const QString target = matches.next().captured(1);
                const QUrl url = QUrl::fromLocalFile(page).resolved(QUrl(target));
                ++links;
                const QString problem = Unresolved(url);
                if (!problem.isEmpty()) broken.append(name + QStringLiteral(": ") + problem);
            }
        }
        QVERIFY(links > 50);
        QCOMPARE(broken, QStringList());
    }

    // A page added to data/help but not to the list that copies and installs them would be missing.
    void everyPageIsInTheBuildTree()
    {
        const QStringList source = HelpFiles(QStringLiteral(KELVANE_HELP_SOURCE));
        QVERIFY(source.contains(QStringLiteral("index.html")));
        QCOMPARE(HelpFiles(BuildHelpFolder()), source);
    }

    void theSettingsFolderComesFirstThenThePagesBesideTheProgram()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("a/help")));
        const QString configured = WriteFile(dir.filePath(QStringLiteral("a/help/index.html")), QStringLiteral("x"));
        const QString missing = dir.filePath(QStringLiteral("gone/help/index.html"));
        const QString candidate = BuildHelpFolder() + QStringLiteral("/index.html");
        QCOMPARE(LocateHelpFile(configured, {candidate}), configured);
        QCOMPARE(LocateHelpFile(missing, {missing + QStringLiteral(".no"), candidate}), candidate);
        QCOMPARE(LocateHelpFile(missing, {}), missing);
        // The test program sits in the build tree's bin/, so its own pages are found beside it.
        QCOMPARE(QFileInfo(LocateHelpFile(missing, InstalledHelpCandidates())).canonicalFilePath(),
                 QFileInfo(candidate).canonicalFilePath());
    }

    void anAnchorReachesTheBrowserThroughAForwardingPage()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("links"));
        QUrl target = QUrl::fromLocalFile(BuildHelpFolder() + QStringLiteral("/encrypting.html"));
        target.setFragment(QStringLiteral("deleting"));

        const QUrl handed = AddressForLauncher(target, folder);
        QVERIFY(handed.isLocalFile());
        QVERIFY(!handed.hasFragment());
        QCOMPARE(QFileInfo(handed.toLocalFile()).absolutePath(), QFileInfo(folder).absoluteFilePath());
        const QString page = ReadFile(handed.toLocalFile());
        const QString address = target.toString(QUrl::FullyEncoded);
        QVERIFY(address.endsWith(QStringLiteral("/encrypting.html#deleting")));
        QVERIFY2(page.contains(QStringLiteral("content=\"0; url=") + address + QLatin1Char('"')), qPrintable(page));
        QVERIFY(page.contains(QStringLiteral("href=\"") + address + QLatin1Char('"')));

        // The same address gets the same page again; another gets its own.
        QCOMPARE(AddressForLauncher(target, folder), handed);
        QUrl other = target;
        other.setFragment(QStringLiteral("ways"));
        QVERIFY(AddressForLauncher(other, folder) != handed);

        // Without an anchor, or not a local file, the address goes as it is.
        const QUrl plain = QUrl::fromLocalFile(BuildHelpFolder() + QStringLiteral("/index.html"));
        QCOMPARE(AddressForLauncher(plain, folder), plain);
        const QUrl web(QStringLiteral("https://example.org/page.html#part"));
        QCOMPARE(AddressForLauncher(web, folder), web);
    }

    void aNameWithMarkupIsEscapedInTheForwardingPage()
    {
        QUrl target = QUrl::fromLocalFile(QStringLiteral("/tmp/a\"b<c>.html"));
        target.setFragment(QStringLiteral("x"));
        const QString page = ForwardingPageText(target);
        QVERIFY(!page.contains(QStringLiteral("a\"b")));
        QVERIFY(!page.contains(QStringLiteral("<c>")));
    }

    void f1InTheWindowAndInEachDialog_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("expected");
        QTest::newRow("main window") << "MainWin"
                                     << "lists-and-views.html#main-window";
        QTest::newRow("Preferences") << "TPreferences"
                                     << "preferences.html#preferences";
        QTest::newRow("encryption prompt") << "TEncrypt"
                                           << "getting-started.html#basics";
        QTest::newRow("decryption prompt") << "TDecrypt"
                                           << "getting-started.html#basics";
        QTest::newRow("master password") << "TMasterPwd_Form"
                                         << "getting-started.html#basics";
        QTest::newRow("delete confirmation") << "TDelDialog"
                                             << "encrypting.html#deleting";
        QTest::newRow("drive not ready") << "TComboChange"
                                         << "lists-and-views.html#main-window";
        QTest::newRow("stored passwords") << "TStoredPwd_Form"
                                          << "passwords.html#stored-passwords";
        QTest::newRow("About") << "TAbout"
                               << "index.html";
        // The tip drawn is tip 12, about files from outside.
        QTest::newRow("tip of the day") << "TTIP_Form"
                                        << "command-line.html#from-the-file-manager";
    }

    void f1InTheWindowAndInEachDialog()
    {
        QFETCH(QString, where);
        QFETCH(QString, expected);
        TKV_ScriptedInteraction ui;
        TKV_HelpWindow w(ui);
        w.Window->Forms.TIP_Form->Random = [](int) { return 12; };
        QWidget* window = where == QStringLiteral("MainWin") ? static_cast<QWidget*>(w.Window.get())
                                                             : w.Window->findChild<QDialog*>(where);
        QVERIFY(window != nullptr);
        ui.ExpectOpenUrl(BuildTreeHelp(expected));
        QVERIFY(PressF1In(window));
        QCOMPARE(ui.Pending(), 0);
        QCOMPARE(ui.Asked(), QStringList({QStringLiteral("OpenUrl: ") + BuildTreeHelp(expected).toString()}));
        window->hide();
    }

    void contentsAndTheHelpButtonOpenTheFirstPage()
    {
        TKV_ScriptedInteraction ui;
        TKV_HelpWindow w(ui);
        QAction* contents = MenuItem(w.Window.get(), QStringLiteral("&Help"), QStringLiteral("&Contents"));
        QVERIFY(contents != nullptr);
        ui.ExpectOpenUrl(BuildTreeHelp(QStringLiteral("index.html")));
        contents->trigger();
        ui.ExpectOpenUrl(BuildTreeHelp(QStringLiteral("index.html")));
        QTest::mouseClick(w.Window->Help_Button, Qt::LeftButton);
        QCOMPARE(ui.Pending(), 0);
    }

    void noHandlerIsTold()
    {
        TKV_ScriptedInteraction ui;
        TKV_HelpWindow w(ui);
        const QUrl page = BuildTreeHelp(QStringLiteral("preferences.html#preferences"));
        ui.ExpectOpenUrl(page, false);
        ui.ExpectError(QStringLiteral("No application was found to open \"") +
                       QDir::toNativeSeparators(BuildHelpFolder() + QStringLiteral("/preferences.html")) +
                       QStringLiteral("\"."));
        w.Window->ShowHelpContext(80);
        QCOMPARE(ui.Pending(), 0);
    }

    void aMissingPageIsToldAndNotHandedOver()
    {
        TKV_ScriptedInteraction ui;
        TKV_HelpWindow w(ui);
        QTemporaryDir pages;
        w.Window->HelpFile = WriteFile(pages.filePath(QStringLiteral("index.html")), QStringLiteral("<p>x</p>"));
        ui.ExpectError(QStringLiteral("The file \"") +
                       QDir::toNativeSeparators(pages.filePath(QStringLiteral("encrypting.html"))) +
                       QStringLiteral("\" does not exist."));
        w.Window->ShowHelpContext(60);
        QCOMPARE(ui.Pending(), 0);
        QCOMPARE(ui.Asked().size(), 1);
    }

    // Settings that name a folder since removed fall back to the pages beside the program.
    void aRemovedHelpFolderFallsBackToThePagesBesideTheProgram()
    {
        TKV_ScriptedInteraction ui;
        TKV_HelpWindow w(ui);
        QTemporaryDir gone;
        w.Window->HelpFile = gone.filePath(QStringLiteral("help/index.html"));
        const QUrl url = w.Window->HelpUrl(70);
        QCOMPARE(url.fragment(), QStringLiteral("deleting"));
        QCOMPARE(QFileInfo(url.toLocalFile()).canonicalFilePath(),
                 QFileInfo(BuildHelpFolder() + QStringLiteral("/encrypting.html")).canonicalFilePath());
    }
};

QTEST_MAIN(HelpTest)
#include "test_help.moc"
