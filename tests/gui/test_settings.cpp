// SPDX-License-Identifier: GPL-3.0-or-later
// The window's settings: what is read and written, in which order, and what a damaged store does.
#include "CoolBar.h"
#include "GuiTestSupport.h"
#include "Messages.h"
#include "TKV_Pwd.h"
#include "TKV_PwdTable.h"

#include "StatusBar.h"

#include <QHeaderView>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QtTest/QTest>

namespace {

const QString kNotInstalled = QString::fromLatin1(kNotInstalledMessage);

QString Section(const char* name)
{
    return QString::fromLatin1(name);
}

QStringList ControlsOf(const TMainWin& window)
{
    QStringList names;
    for (int band = 0; band < window.Status_CoolBar->BandCount(); ++band) {
        const QWidget* control = window.Status_CoolBar->BandControl(band);
        names.append(control != nullptr ? control->objectName() : QString());
    }
    return names;
}

QStringList LoadOrder()
{
    QStringList order = {QStringLiteral("open \\crypt file\\Settings\\MainWin"), QStringLiteral("read Width"),
                         QStringLiteral("read Height")};
    for (const char* list : {"Source", "Crypted"}) {
        order.append(QStringLiteral("open \\crypt file\\Settings\\ListView\\") + QString::fromLatin1(list));
        for (const char* column : {"Name", "Size", "Date", "Attributes"})
            order.append(QStringLiteral("read ") + QString::fromLatin1(column));
        order.append(QString::fromLatin1(list) == QStringLiteral("Source") ? QStringLiteral("read FileType")
                                                                           : QStringLiteral("read EncryptedBy"));
    }
    for (int n = 1; n <= 4; ++n) {
        order.append(QStringLiteral("open \\crypt file\\Settings\\CoolBands\\") + QString::number(n));
        order.append({QStringLiteral("read Break"), QStringLiteral("read Width"), QStringLiteral("read Control")});
    }
    order.append({QStringLiteral("open \\crypt file\\DefaultIcon"), QStringLiteral("read (default)")});
    order.append(QStringLiteral("open \\crypt file\\Settings\\Options"));
    for (const char* name : {"OnePassword", "Expire", "OnePerList", "ShowCry", "ShowTIP", "Method"})
        order.append(QStringLiteral("read ") + QString::fromLatin1(name));
    order.append(QStringLiteral("open \\crypt file\\Settings\\MasterPass"));
    for (const char* name : {"Store", "Dir", "Expires", "ExpTime"})
        order.append(QStringLiteral("read ") + QString::fromLatin1(name));
    return order;
}

QStringList SaveOrder()
{
    QStringList order = {QStringLiteral("open \\crypt file\\Settings\\MainWin"), QStringLiteral("write Height"),
                         QStringLiteral("write Width")};
    for (const char* list : {"Source", "Crypted"}) {
        order.append(QStringLiteral("open \\crypt file\\Settings\\ListView\\") + QString::fromLatin1(list));
        for (const char* column : {"Name", "Size", "Date", "Attributes"})
            order.append(QStringLiteral("write ") + QString::fromLatin1(column));
        order.append(QString::fromLatin1(list) == QStringLiteral("Source") ? QStringLiteral("write FileType")
                                                                           : QStringLiteral("write EncryptedBy"));
    }
    for (int n = 1; n <= 4; ++n) {
        order.append(QStringLiteral("open \\crypt file\\Settings\\CoolBands\\") + QString::number(n));
        order.append({QStringLiteral("write Break"), QStringLiteral("write Width"), QStringLiteral("write Control")});
    }
    order.append(QStringLiteral("open \\crypt file\\Settings\\Options"));
    for (const char* name : {"Expire", "OnePassword", "OnePerList", "ShowCry", "ShowTIP", "Method"})
        order.append(QStringLiteral("write ") + QString::fromLatin1(name));
    order.append(QStringLiteral("open \\crypt file\\Settings\\MasterPass"));
    for (const char* name : {"Store", "Dir", "Expires", "ExpTime"})
        order.append(QStringLiteral("write ") + QString::fromLatin1(name));
    order.append(QStringLiteral("close"));
    return order;
}

// Shipped defaults with other values than the defaults, so that a value reset at exit shows.
QString DistinctiveSettings()
{
    QString text = DefaultSettingsText();
    text = WithValue(text, Section("Settings\\Options"), QStringLiteral("OnePassword"), QStringLiteral("1"));
    text = WithValue(text, Section("Settings\\Options"), QStringLiteral("Expire"), QStringLiteral("7"));
    text = WithValue(text, Section("Settings\\Options"), QStringLiteral("ShowTIP"), QStringLiteral("0"));
    text = WithValue(text, Section("Settings\\Options"), QStringLiteral("Method"), QStringLiteral("4"));
    text = WithValue(text, Section("Settings\\MasterPass"), QStringLiteral("Dir"), QStringLiteral("/x/y"));
    text = WithValue(text, Section("Settings\\MasterPass"), QStringLiteral("ExpTime"), QStringLiteral("3"));
    return text;
}

// A store whose writes never reach the disk.
class FailingSettings : public TKV_IniSettings
{
public:
    using TKV_IniSettings::TKV_IniSettings;
    bool CloseKey() override { return false; }
};

} // namespace

class SettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void readAndWrittenInOrder()
    {
        QTemporaryDir dir;
        const QString path = WriteFile(dir.filePath(QStringLiteral("crypt file.ini")), DefaultSettingsText());
        TKV_ScriptedInteraction ui;
        QStringList log;
        auto window = MakeWindow(ui, path, {}, &log);
        QCOMPARE(log, LoadOrder());
        log.clear();
        window.reset();
        QCOMPARE(log, SaveOrder());
    }

    void loadedValuesReachTheWindow()
    {
        QTemporaryDir dir;
        QString text = DefaultSettingsText();
        text = WithValue(text, Section("Settings\\MainWin"), QStringLiteral("Width"), QStringLiteral("640"));
        text = WithValue(text, Section("Settings\\MainWin"), QStringLiteral("Height"), QStringLiteral("470"));
        text = WithValue(text, Section("Settings\\ListView\\Source"), QStringLiteral("Date"), QStringLiteral("77"));
        text = WithValue(text, Section("Settings\\ListView\\Crypted"), QStringLiteral("EncryptedBy"),
                         QStringLiteral("66"));
        text = WithValue(text, Section("Settings\\CoolBands\\2"), QStringLiteral("Width"), QStringLiteral("150"));
        text = WithValue(text, Section("DefaultIcon"), QStringLiteral("@"), QStringLiteral("/opt/kv/share/icon.svg"));
        text = WithValue(text, Section("Settings\\Options"), QStringLiteral("OnePassword"), QStringLiteral("1"));
        text = WithValue(text, Section("Settings\\Options"), QStringLiteral("Expire"), QStringLiteral("15"));
        text = WithValue(text, Section("Settings\\Options"), QStringLiteral("OnePerList"), QStringLiteral("1"));
        text = WithValue(text, Section("Settings\\Options"), QStringLiteral("ShowCry"), QStringLiteral("1"));
        text = WithValue(text, Section("Settings\\Options"), QStringLiteral("ShowTIP"), QStringLiteral("0"));
        text = WithValue(text, Section("Settings\\Options"), QStringLiteral("Method"), QStringLiteral("4"));
        text = WithValue(text, Section("Settings\\MasterPass"), QStringLiteral("Store"), QStringLiteral("1"));
        text = WithValue(text, Section("Settings\\MasterPass"), QStringLiteral("Dir"), QStringLiteral("/tmp/pw.db"));
        text = WithValue(text, Section("Settings\\MasterPass"), QStringLiteral("Expires"), QStringLiteral("1"));
        text = WithValue(text, Section("Settings\\MasterPass"), QStringLiteral("ExpTime"), QStringLiteral("9"));
        const QString path = WriteFile(dir.filePath(QStringLiteral("crypt file.ini")), text);

        TKV_ScriptedInteraction ui;
        auto window = MakeWindow(ui, path);
        QCOMPARE(window->size(), QSize(640, 470));
        QCOMPARE(window->Source_ListView->header()->sectionSize(2), 77);
        QCOMPARE(window->Crypted_ListView->header()->sectionSize(4), 66);
        QCOMPARE(window->Status_CoolBar->BandWidth(1), 150);
        QCOMPARE(window->HelpFile, QStringLiteral("/opt/kv/share/help/index.html"));
        QCOMPARE(window->Pwd->OnePassword, true);
        QCOMPARE(window->Pwd->ExpTime, 15);
        QCOMPARE(window->OnePerList, true);
        QCOMPARE(window->ShowCry, true);
        QCOMPARE(window->ShowTIP, false);
        QCOMPARE(window->DefaultMethod, 4);
        QCOMPARE(window->PwdTable->Master.Store, true);
        QCOMPARE(window->PwdTable->Master.Dir, std::string("/tmp/pw.db"));
        QCOMPARE(window->PwdTable->Master.Expires, true);
        QCOMPARE(window->PwdTable->Master.ExpTime, 9);
    }

    void aMissingKeyStopsTheLoadingOnce()
    {
        QTemporaryDir dir;
        QString text = DefaultSettingsText();
        text = WithValue(text, Section("Settings\\MainWin"), QStringLiteral("Width"), QStringLiteral("640"));
        text =
            WithValue(text, Section("Settings\\CoolBands\\1"), QStringLiteral("Control"), QStringLiteral("StatusBar3"));
        text =
            WithValue(text, Section("Settings\\CoolBands\\4"), QStringLiteral("Control"), QStringLiteral("StatusBar2"));
        text = WithValue(text, Section("Settings\\MasterPass"), QStringLiteral("ExpTime"), QStringLiteral("9"));
        text = WithoutSection(text, Section("Settings\\Options"));
        const QString path = WriteFile(dir.filePath(QStringLiteral("crypt file.ini")), text);

        TKV_ScriptedInteraction ui;
        ui.ExpectError(kNotInstalled);
        auto window = MakeWindow(ui, path);
        QCOMPARE(ui.Asked(), QStringList({QStringLiteral("Error: ") + kNotInstalled}));
        // Read before the failure.
        QCOMPARE(window->width(), 640);
        QCOMPARE(window->Status_CoolBar->BandControl(0)->objectName(), QStringLiteral("StatusBar3"));
        QVERIFY(window->HelpFile.endsWith(QStringLiteral("/help/index.html")));
        // Not reached: the values from before loading.
        QCOMPARE(window->DefaultMethod, 0);
        QCOMPARE(window->Pwd->OnePassword, false);
        QCOMPARE(window->ShowTIP, false);
        QCOMPARE(window->PwdTable->Master.ExpTime, 0);
        // Start-up goes on.
        window->FormActivate();
        QVERIFY(window->DES_Button->isChecked());
        QCOMPARE(window->StatusBar3->PanelText(0), QStringLiteral("Idle."));
    }

    void aMissingValueStopsTheLoading()
    {
        QTemporaryDir dir;
        QString text = DefaultSettingsText();
        text = WithValue(text, Section("Settings\\Options"), QStringLiteral("OnePassword"), QStringLiteral("1"));
        text = WithoutValue(text, Section("Settings\\Options"), QStringLiteral("Expire"));
        text = WithValue(text, Section("Settings\\Options"), QStringLiteral("ShowCry"), QStringLiteral("1"));
        const QString path = WriteFile(dir.filePath(QStringLiteral("crypt file.ini")), text);

        TKV_ScriptedInteraction ui;
        ui.ExpectError(kNotInstalled);
        auto window = MakeWindow(ui, path);
        QCOMPARE(window->Pwd->OnePassword, true);
        QCOMPARE(window->ShowCry, false);
        QCOMPARE(window->DefaultMethod, 0);
    }

    void aValueOfTheWrongTypeStopsTheLoading()
    {
        QTemporaryDir dir;
        QString text = DefaultSettingsText();
        text = WithValue(text, Section("Settings\\Options"), QStringLiteral("Method"), QStringLiteral("IDEA"));
        const QString path = WriteFile(dir.filePath(QStringLiteral("crypt file.ini")), text);
        TKV_ScriptedInteraction ui;
        ui.ExpectError(kNotInstalled);
        auto window = MakeWindow(ui, path);
        QCOMPARE(window->ShowTIP, true);
        QCOMPARE(window->DefaultMethod, 0);
        QCOMPARE(window->PwdTable->Master.Store, false);
    }

    void aMissingDirReadsAsEmpty()
    {
        QTemporaryDir dir;
        QString text = DefaultSettingsText();
        text = WithValue(text, Section("Settings\\MasterPass"), QStringLiteral("ExpTime"), QStringLiteral("3"));
        text = WithoutValue(text, Section("Settings\\MasterPass"), QStringLiteral("Dir"));
        const QString path = WriteFile(dir.filePath(QStringLiteral("crypt file.ini")), text);
        TKV_ScriptedInteraction ui;
        auto window = MakeWindow(ui, path);
        QCOMPARE(window->PwdTable->Master.Dir, std::string());
        QCOMPARE(window->PwdTable->Master.ExpTime, 3);
    }

    void noSettingsAtAll()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("crypt file.ini"));
        TKV_ScriptedInteraction ui;
        ui.ExpectError(kNotInstalled);
        auto window = MakeWindow(ui, path);
        QCOMPARE(window->width(), 583);
        QCOMPARE(window->DefaultMethod, 0);
        window->FormActivate();
        QVERIFY(window->DES_Button->isChecked());
        // At exit nothing is written and nothing is said: the program never creates the settings.
        window.reset();
        QVERIFY(!QFileInfo::exists(path));
        QCOMPARE(ui.Asked().size(), 1);
    }

    void breakStoredAs256IsOff()
    {
        QTemporaryDir dir;
        QString text = DefaultSettingsText();
        text = WithValue(text, Section("Settings\\CoolBands\\3"), QStringLiteral("Break"), QStringLiteral("256"));
        text = WithValue(text, Section("Settings\\CoolBands\\2"), QStringLiteral("Break"), QStringLiteral("257"));
        const QString path = WriteFile(dir.filePath(QStringLiteral("crypt file.ini")), text);
        TKV_ScriptedInteraction ui;
        auto window = MakeWindow(ui, path);
        QCOMPARE(window->Status_CoolBar->BandBreak(2), false);
        QCOMPARE(window->Status_CoolBar->BandBreak(1), true);
        window.reset();
        QCOMPARE(StoredInteger(path, Section("Settings\\CoolBands\\3"), QStringLiteral("Break")), 0);
        QCOMPARE(StoredInteger(path, Section("Settings\\CoolBands\\2"), QStringLiteral("Break")), 1);
    }

    void controlsInAnotherOrder()
    {
        QTemporaryDir dir;
        QString text = DefaultSettingsText();
        const QStringList order = {QStringLiteral("StatusBar3"), QStringLiteral("Method_Panel"),
                                   QStringLiteral("StatusBar1"), QStringLiteral("StatusBar2")};
        for (int n = 1; n <= 4; ++n)
            text = WithValue(text, QStringLiteral("Settings\\CoolBands\\") + QString::number(n),
                             QStringLiteral("Control"), order[n - 1]);
        const QString path = WriteFile(dir.filePath(QStringLiteral("crypt file.ini")), text);
        TKV_ScriptedInteraction ui;
        auto window = MakeWindow(ui, path);
        QCOMPARE(ControlsOf(*window), order);
        window.reset();
        for (int n = 1; n <= 4; ++n)
            QCOMPARE(StoredString(path, QStringLiteral("Settings\\CoolBands\\") + QString::number(n),
                                  QStringLiteral("Control")),
                     order[n - 1]);
    }

    void controlNamingNoControlLeavesTheBandEmpty()
    {
        QTemporaryDir dir;
        QString text = DefaultSettingsText();
        text = WithValue(text, Section("Settings\\CoolBands\\2"), QStringLiteral("Control"), QStringLiteral("Nothing"));
        // A component of the window that is not made for a band counts as no control either.
        text =
            WithValue(text, Section("Settings\\CoolBands\\3"), QStringLiteral("Control"), QStringLiteral("ToolBar1"));
        const QString path = WriteFile(dir.filePath(QStringLiteral("crypt file.ini")), text);
        TKV_ScriptedInteraction ui;
        auto window = MakeWindow(ui, path);
        QCOMPARE(ControlsOf(*window),
                 QStringList({QStringLiteral("StatusBar2"), QString(), QString(), QStringLiteral("StatusBar3")}));
        QVERIFY(window->StatusBar1->isHidden());
        QVERIFY(window->Method_Panel->isHidden());
        QCOMPARE(window->ToolBar1->parentWidget(), window.get());
        window.reset();
        QCOMPARE(StoredString(path, Section("Settings\\CoolBands\\2"), QStringLiteral("Control")), QString());
    }

    void controlNamedTwiceMovesToTheLaterBand()
    {
        QTemporaryDir dir;
        QString text = DefaultSettingsText();
        text =
            WithValue(text, Section("Settings\\CoolBands\\1"), QStringLiteral("Control"), QStringLiteral("StatusBar3"));
        const QString path = WriteFile(dir.filePath(QStringLiteral("crypt file.ini")), text);
        TKV_ScriptedInteraction ui;
        auto window = MakeWindow(ui, path);
        QCOMPARE(ControlsOf(*window), QStringList({QString(), QStringLiteral("StatusBar1"),
                                                   QStringLiteral("Method_Panel"), QStringLiteral("StatusBar3")}));
        QVERIFY(window->StatusBar2->isHidden());
    }

    void commandLineChangesAreNotWrittenBack()
    {
        QTemporaryDir dir;
        const QString path = WriteFile(dir.filePath(QStringLiteral("crypt file.ini")), DefaultSettingsText());
        TKV_ScriptedInteraction ui;
        auto window = MakeWindow(ui, path);
        QCOMPARE(window->DefaultMethod, 1);
        window->RememberCommandLineSettings();
        window->DefaultMethod = 3;             // as "/des" does
        window->PwdTable->Master.Store = true; // as "/usekeyfile" does
        window.reset();
        QCOMPARE(StoredInteger(path, Section("Settings\\Options"), QStringLiteral("Method")), 1);
        QCOMPARE(StoredInteger(path, Section("Settings\\MasterPass"), QStringLiteral("Store")), 0);
    }

    void restoringGivesTheValuesBack()
    {
        QTemporaryDir dir;
        const QString path = WriteFile(dir.filePath(QStringLiteral("crypt file.ini")), DefaultSettingsText());
        TKV_ScriptedInteraction ui;
        auto window = MakeWindow(ui, path);
        window->RememberCommandLineSettings();
        window->DefaultMethod = 4;
        window->RestoreCommandLineSettings();
        QCOMPARE(window->DefaultMethod, 1);
        // A change made after the command line is the user's and is kept.
        window->DefaultMethod = 3;
        window.reset();
        QCOMPARE(StoredInteger(path, Section("Settings\\Options"), QStringLiteral("Method")), 3);
    }

    void changesOfTheRunAreWrittenAtExit()
    {
        QTemporaryDir dir;
        const QString path = WriteFile(dir.filePath(QStringLiteral("crypt file.ini")), DefaultSettingsText());
        TKV_ScriptedInteraction ui;
        auto window = MakeWindow(ui, path);
        window->resize(700, 480);
        window->Source_ListView->header()->resizeSection(0, 222);
        window->Status_CoolBar->MoveBand(3, 0, 0);
        window->ShowCry = true;
        window->Pwd->ExpTime = 12;
        window->PwdTable->Master.Dir = "/home/user/my passwords.001";
        window->PwdTable->Master.Expires = true;
        window.reset();
        QCOMPARE(StoredInteger(path, Section("Settings\\MainWin"), QStringLiteral("Width")), 700);
        QCOMPARE(StoredInteger(path, Section("Settings\\MainWin"), QStringLiteral("Height")), 480);
        QCOMPARE(StoredInteger(path, Section("Settings\\ListView\\Source"), QStringLiteral("Name")), 222);
        QCOMPARE(StoredString(path, Section("Settings\\CoolBands\\1"), QStringLiteral("Control")),
                 QStringLiteral("StatusBar3"));
        QCOMPARE(StoredInteger(path, Section("Settings\\CoolBands\\1"), QStringLiteral("Break")), 1);
        QCOMPARE(StoredString(path, Section("Settings\\CoolBands\\2"), QStringLiteral("Control")),
                 QStringLiteral("StatusBar2"));
        QCOMPARE(StoredInteger(path, Section("Settings\\CoolBands\\2"), QStringLiteral("Break")), 0);
        QCOMPARE(StoredInteger(path, Section("Settings\\Options"), QStringLiteral("ShowCry")), 1);
        QCOMPARE(StoredInteger(path, Section("Settings\\Options"), QStringLiteral("Expire")), 12);
        QCOMPARE(StoredString(path, Section("Settings\\MasterPass"), QStringLiteral("Dir")),
                 QStringLiteral("/home/user/my passwords.001"));
        QCOMPARE(StoredInteger(path, Section("Settings\\MasterPass"), QStringLiteral("Expires")), 1);
        QVERIFY(ReadFile(path).startsWith(QStringLiteral("; Kelvane's settings")));
    }

    void aKeyMissingAtExitIsNotCreated()
    {
        QTemporaryDir dir;
        const QString text = WithoutSection(DefaultSettingsText(), Section("Settings\\MasterPass"));
        const QString path = WriteFile(dir.filePath(QStringLiteral("crypt file.ini")), text);
        TKV_ScriptedInteraction ui;
        ui.ExpectError(kNotInstalled);
        auto window = MakeWindow(ui, path);
        window->ShowCry = true;
        window.reset();
        QCOMPARE(StoredInteger(path, Section("Settings\\Options"), QStringLiteral("ShowCry")), 1);
        QVERIFY(!ReadFile(path).contains(QStringLiteral("MasterPass")));
    }

    void valuesNotReadAreKeptAsTheyStand_data()
    {
        QTest::addColumn<QString>("text");
        const QString text = DistinctiveSettings();
        QTest::newRow("Width not a number")
            << WithValue(text, Section("Settings\\MainWin"), QStringLiteral("Width"), QStringLiteral("abc"));
        QTest::newRow("fourth band missing") << WithoutSection(text, Section("Settings\\CoolBands\\4"));
        QTest::newRow("Method not a number")
            << WithValue(text, Section("Settings\\Options"), QStringLiteral("Method"), QStringLiteral("IDEA"));
    }

    void valuesNotReadAreKeptAsTheyStand()
    {
        QFETCH(QString, text);
        QTemporaryDir dir;
        const QString path = WriteFile(dir.filePath(QStringLiteral("crypt file.ini")), text);
        {
            TKV_ScriptedInteraction ui;
            ui.ExpectError(kNotInstalled);
            auto window = MakeWindow(ui, path);
            window->show();
            window->FormActivate();
        }
        QCOMPARE(ReadFile(path), text);

        // What the user changes in the run is written; the rest still stands as it was.
        {
            TKV_ScriptedInteraction ui;
            ui.ExpectError(kNotInstalled);
            auto window = MakeWindow(ui, path);
            window->show();
            window->FormActivate();
            window->IDEA_ButtonClick();
            window->resize(700, 480);
        }
        QString expected = WithValue(text, Section("Settings\\Options"), QStringLiteral("Method"), QStringLiteral("1"));
        expected = WithValue(expected, Section("Settings\\MainWin"), QStringLiteral("Width"), QStringLiteral("700"));
        expected = WithValue(expected, Section("Settings\\MainWin"), QStringLiteral("Height"), QStringLiteral("480"));
        QCOMPARE(ReadFile(path), expected);
    }

    void aValueThatCannotBeWrittenCostsNoOther_data()
    {
        QTest::addColumn<QString>("dir");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("failure");
        QTest::newRow("blanks around") << QStringLiteral(" /home/u/db.key ") << QStringLiteral(" /home/u/db.key ")
                                       << false;
        QTest::newRow("line break") << QStringLiteral("/home/u/\ndb.key") << QStringLiteral("/x/y") << true;
    }

    void aValueThatCannotBeWrittenCostsNoOther()
    {
        QFETCH(QString, dir);
        QFETCH(QString, stored);
        QFETCH(bool, failure);
        QTemporaryDir folder;
        const QString path = WriteFile(folder.filePath(QStringLiteral("crypt file.ini")), DistinctiveSettings());
        {
            TKV_ScriptedInteraction ui;
            if (failure) ui.ExpectError(QString::fromLatin1(kSettingsNotSavedMessage).arg(path));
            auto window = MakeWindow(ui, path);
            window->resize(700, 480);
            window->ShowCry = true;
            window->PwdTable->Master.Dir = dir.toStdString();
            window->PwdTable->Master.ExpTime = 11;
        }
        TKV_ScriptedInteraction ui;
        auto window = MakeWindow(ui, path);
        QCOMPARE(QString::fromStdString(window->PwdTable->Master.Dir), stored);
        QCOMPARE(window->width(), 700);
        QCOMPARE(window->ShowCry, true);
        QCOMPARE(window->PwdTable->Master.ExpTime, 11);
    }

    void aFailedSaveIsReported()
    {
        QTemporaryDir dir;
        const QString path = WriteFile(dir.filePath(QStringLiteral("crypt file.ini")), DefaultSettingsText());
        TKV_ScriptedInteraction ui;
        ui.ExpectError(QString::fromLatin1(kSettingsNotSavedMessage).arg(path));
        TMainWinSetup setup;
        setup.Interaction = &ui;
        setup.OpenSettings = [path] { return std::make_unique<FailingSettings>(path); };
        auto window = std::make_unique<TMainWin>(std::move(setup));
        window.reset();
    }
};

QTEST_MAIN(SettingsTest)
#include "test_settings.moc"
