// SPDX-License-Identifier: GPL-3.0-or-later
// The Preferences dialog: what "Ok" applies and "Cancel" keeps, the method and the master password it
// touches, the minutes of its spin edits, the database path, and the keyboard.
#include "Messages.h"
#include "PasswordExpiry.h"
#include "TKV_PwdTable.h"
#include "TPreferences.h"
#include "WorkflowTestSupport.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QToolButton>
#include <QtTest/QTest>

namespace {

using Act = std::function<void(TPreferences&)>;

// Opens Preferences from the File menu's handler; `act` works the dialog as the user would, then
// the dialog is left with `button`.
void RunPreferences(TMainWin& window, TKV_ScriptedInteraction& ui, const Act& act, const char* button = "Ok_Button",
                    const std::function<void()>& alsoAsked = {})
{
    ui.ExpectDialog(QStringLiteral("TPreferences"), [&act, button](QDialog& dialog) {
        auto& form = static_cast<TPreferences&>(dialog);
        act(form);
        QTest::mouseClick(form.findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
        return form.result();
    });
    if (alsoAsked) alsoAsked();
    window.Options2Click();
}

// Near the left edge, where check boxes and radio buttons have their indicator: a wide one takes no
// click beyond its caption.
void Click(QAbstractButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

// The setting the test reads, as text.
struct SettingCase
{
    const char* name;
    Act change;
    std::function<QString(const TMainWin&)> read;
    const char* before;
    // What "Ok" changes, as name=value, this setting and those whose controls it needs shown.
    QStringList changes;
};

QString Flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

const QList<SettingCase>& SettingCases()
{
    static const QList<SettingCase> cases = {
        {"ShowCry",
         [](TPreferences& f) { Click(f.ShowCry_CheckBox); },
         [](const TMainWin& w) { return Flag(w.ShowCry); },
         "0",
         {"ShowCry=1"}},
        {"ShowTIP",
         [](TPreferences& f) { Click(f.ShowTIP_CheckBox); },
         [](const TMainWin& w) { return Flag(w.ShowTIP); },
         "0",
         {"ShowTIP=1"}},
        {"OnePassword",
         [](TPreferences& f) { Click(f.OnePwd_CheckBox); },
         [](const TMainWin& w) { return Flag(w.Pwd->OnePassword); },
         "0",
         {"OnePassword=1"}},
        {"Expire",
         [](TPreferences& f) {
             Click(f.OnePwd_CheckBox);
             f.ExpTime_SpinEdit->setValue(15);
         },
         [](const TMainWin& w) { return QString::number(w.Pwd->ExpTime); },
         "0",
         {"OnePassword=1", "Expire=15"}},
        {"OnePerList",
         [](TPreferences& f) { Click(f.OnePerList_CheckBox); },
         [](const TMainWin& w) { return Flag(w.OnePerList); },
         "0",
         {"OnePerList=1"}},
        {"Method",
         [](TPreferences& f) { Click(f.TDES_RadioButton); },
         [](const TMainWin& w) { return QString::number(w.DefaultMethod); },
         "1",
         {"Method=4"}},
        {"Store",
         [](TPreferences& f) { Click(f.Store_CheckBox); },
         [](const TMainWin& w) { return Flag(w.PwdTable->Master.Store); },
         "0",
         {"Store=1"}},
        {"Dir",
         [](TPreferences& f) {
             Click(f.Store_CheckBox);
             f.Path_Edit->setText(QStringLiteral("/var/tmp/other.key"));
         },
         [](const TMainWin& w) { return QString::fromStdString(w.PwdTable->Master.Dir); },
         "/var/tmp/first.key",
         {"Store=1", "Dir=/var/tmp/other.key"}},
        {"Expires",
         [](TPreferences& f) {
             Click(f.Store_CheckBox);
             Click(f.MasterPwdExpires_CheckBox);
         },
         [](const TMainWin& w) { return Flag(w.PwdTable->Master.Expires); },
         "0",
         {"Store=1", "Expires=1"}},
        {"ExpTime",
         [](TPreferences& f) {
             Click(f.Store_CheckBox);
             Click(f.MasterPwdExpires_CheckBox);
             f.MasterPwdExpTime_SpinEdit->setValue(30);
         },
         [](const TMainWin& w) { return QString::number(w.PwdTable->Master.ExpTime); },
         "0",
         {"Store=1", "Expires=1", "ExpTime=30"}},
    };
    return cases;
}

QString DownMethodButton(const TMainWin& window)
{
    QStringList down;
    for (const QToolButton* button : {window.DES_Button, window.TDES_Button, window.IDEA_Button})
        if (button->isChecked()) down.append(button->objectName());
    return down.join(QLatin1Char(','));
}

} // namespace

class PreferencesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The user's data folder of these tests is a temporary one.
        QVERIFY(dataHome_.isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome_.path()));
        QCoreApplication::setApplicationName(QStringLiteral("kelvane"));
    }

    void okAppliesEachSettingCancelNone_data()
    {
        QTest::addColumn<int>("setting");
        QTest::addColumn<bool>("ok");
        for (int i = 0; i < SettingCases().size(); ++i) {
            const QByteArray name = SettingCases().at(i).name;
            QTest::newRow((name + ", Ok").constData()) << i << true;
            QTest::newRow((name + ", Cancel").constData()) << i << false;
        }
    }

    void okAppliesEachSettingCancelNone()
    {
        QFETCH(int, setting);
        QFETCH(bool, ok);
        const SettingCase& c = SettingCases().at(setting);
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        TMainWin& window = *w.window;
        window.PwdTable->Master.Dir = "/var/tmp/first.key";
        const auto readAll = [&window] {
            QStringList values;
            for (const SettingCase& each : SettingCases())
                values.append(each.read(window));
            return values;
        };
        const QStringList before = readAll();
        QCOMPARE(c.read(window), QString::fromLatin1(c.before));

        RunPreferences(window, ui, c.change, ok ? "Ok_Button" : "Button2");

        QStringList expected = before;
        for (const QString& change : ok ? c.changes : QStringList()) {
            const QString name = change.section(QLatin1Char('='), 0, 0);
            for (int i = 0; i < SettingCases().size(); ++i)
                if (name == QLatin1String(SettingCases().at(i).name)) expected[i] = change.section(QLatin1Char('='), 1);
        }
        QVERIFY(!ok || expected != before);
        QCOMPARE(readAll(), expected);
        // "Ok" always drops the file password; "Cancel" keeps it.
        QCOMPARE(window.Pwd->Entered, !ok);
    }

    void sessionPasswordUnchecksTheListOption()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        w.window->OnePerList = true;
        bool listShown = true;
        bool panelShown = false;
        RunPreferences(*w.window, ui, [&](TPreferences& f) {
            Click(f.OnePwd_CheckBox);
            listShown = f.OnePerList_CheckBox->isVisible();
            panelShown = f.ExpTime_Panel->isVisible();
        });
        QVERIFY(!listShown);
        QVERIFY(panelShown);
        QVERIFY(w.window->Pwd->OnePassword);
        QVERIFY(!w.window->OnePerList);
    }

    void methodReachesTheStatusBar_data()
    {
        QTest::addColumn<QString>("radio");
        QTest::addColumn<int>("method");
        QTest::addColumn<QString>("down");
        QTest::addColumn<bool>("changed");
        QTest::newRow("DES") << "DES_RadioButton" << int(kMethodDes) << "DES_Button" << true;
        QTest::newRow("Triple DES") << "TDES_RadioButton" << int(kMethodTripleDes) << "TDES_Button" << true;
        QTest::newRow("IDEA, as before") << "IDEA_RadioButton" << int(kMethodIdea) << "IDEA_Button" << false;
    }

    void methodReachesTheStatusBar()
    {
        QFETCH(QString, radio);
        QFETCH(int, method);
        QFETCH(QString, down);
        QFETCH(bool, changed);
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        TMainWin& window = *w.window;
        QCOMPARE(window.DefaultMethod, int(kMethodIdea));
        RunPreferences(window, ui, [&](TPreferences& f) { Click(f.findChild<QRadioButton*>(radio)); });
        QCOMPARE(window.DefaultMethod, method);
        QCOMPARE(DownMethodButton(window), down);
        // Only a new method makes the file password expire through the method selection.
        QCOMPARE(window.Pwd->Expired, changed);
        QCOMPARE(StatusText(window) == QString::fromUtf8(kMethodChangedMessage), changed);
    }

    void databaseChangeExpiresTheMasterPassword_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("expired");
        QTest::addColumn<QString>("dir");
        const QString first = QStringLiteral("/var/tmp/first.key");
        const QString chosen = QStringLiteral("/var/tmp/chosen.key");
        QTest::newRow("nothing changed") << 0 << true << false << first;
        QTest::newRow("master minutes") << 1 << true << true << first;
        QTest::newRow("Set path..., Ok") << 2 << true << true << chosen;
        QTest::newRow("Set path..., Cancel") << 2 << false << false << first;
        QTest::newRow("Set path... cancelled, Ok") << 3 << true << false << first;
        QTest::newRow("path emptied") << 4 << true << true << DefaultDatabasePath();
        QTest::newRow("Store off") << 5 << true << true << first;
    }

    void databaseChangeExpiresTheMasterPassword()
    {
        QFETCH(int, change);
        QFETCH(bool, ok);
        QFETCH(bool, expired);
        QFETCH(QString, dir);
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        TMainWin& window = *w.window;
        TKV_MasterPass& master = window.PwdTable->Master;
        master.Store = true;
        master.Expires = true;
        master.ExpTime = 5;
        master.Dir = "/var/tmp/first.key";
        PasswordAccepted(master, true, window.PwdTable->MasterPwdControls);
        window.ApplyExpiryControls();
        QVERIFY(window.MasterPwd_Timer.isActive());
        const auto saveFile = [&ui, change] {
            // "Set path..." starts at the path shown; the user picks another file, or cancels.
            const QString chosen = change == 2 ? QStringLiteral("/var/tmp/chosen.key") : QString();
            if (change == 2 || change == 3)
                ui.ExpectSaveFile(QStringLiteral("/var/tmp/first.key"), QStringLiteral("key"), chosen);
        };

        RunPreferences(
            window, ui,
            [change](TPreferences& f) {
                if (change == 1) f.MasterPwdExpTime_SpinEdit->setValue(6);
                if (change == 2 || change == 3) Click(f.Browse);
                if (change == 4) f.Path_Edit->clear();
                if (change == 5) Click(f.Store_CheckBox);
            },
            ok ? "Ok_Button" : "Button2", saveFile);

        QCOMPARE(master.Expired, expired);
        QCOMPARE(window.MasterPwdExpire_Button->isEnabled(), !expired);
        QCOMPARE(window.MasterPwd_Timer.isActive(), !expired);
        QCOMPARE(QString::fromStdString(master.Dir), dir);
        // "Ok" drops the file password even when nothing changed.
        QCOMPARE(window.Pwd->Entered, !ok);
    }

    void spinEditMinutes_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("minutes");
        QTest::newRow("0") << "0" << 0;
        QTest::newRow("42") << "42" << 42;
        QTest::newRow("600") << "600" << 600;
        QTest::newRow("601") << "601" << 600;
        QTest::newRow("99999") << "99999" << 600;
        QTest::newRow("-5") << "-5" << 0;
        QTest::newRow("letters") << "ten" << 0;
        QTest::newRow("digits and letters") << "12ab" << 0;
        QTest::newRow("empty") << "" << 0;
    }

    void spinEditMinutes()
    {
        QFETCH(QString, typed);
        QFETCH(int, minutes);
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        TMainWin& window = *w.window;
        window.PwdTable->Master.ExpTime = 7;
        int shown = -1;
        RunPreferences(window, ui, [&](TPreferences& f) {
            Click(f.OnePwd_CheckBox);
            Click(f.Store_CheckBox);
            Click(f.MasterPwdExpires_CheckBox);
            for (QSpinBox* spin :
                 {static_cast<QSpinBox*>(f.ExpTime_SpinEdit), static_cast<QSpinBox*>(f.MasterPwdExpTime_SpinEdit)}) {
                spin->setFocus();
                QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClick(spin, Qt::Key_Delete);
                QTest::keyClicks(spin, typed);
            }
            // Leaving the field reads the text as minutes.
            f.ExpTime_SpinEdit->interpretText();
            shown = f.ExpTime_SpinEdit->value();
        });
        QCOMPARE(shown, minutes);
        QCOMPARE(window.Pwd->ExpTime, minutes);
        QCOMPARE(window.PwdTable->Master.ExpTime, minutes);
    }

    void spinButtonsStayInRange()
    {
        TPreferences form;
        form.ExpTime_SpinEdit->setValue(600);
        form.ExpTime_SpinEdit->stepUp();
        QCOMPARE(form.ExpTime_SpinEdit->value(), 600);
        form.ExpTime_SpinEdit->setValue(0);
        form.ExpTime_SpinEdit->stepDown();
        QCOMPARE(form.ExpTime_SpinEdit->value(), 0);
    }

    void defaultPathIsInTheUsersDataFolder()
    {
        const QString expected = QDir(dataHome_.path()).filePath(QStringLiteral("kelvane/xwords.001"));
        QCOMPARE(DefaultDatabasePath(), expected);
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        TMainWin& window = *w.window;
        QVERIFY(window.PwdTable->Master.Dir.empty());
        QString shown;
        RunPreferences(
            window, ui, [&](TPreferences& f) { shown = f.Path_Edit->text(); }, "Button2");
        QCOMPARE(shown, expected);
        // The default stays even though the dialog was cancelled.
        QCOMPARE(QString::fromStdString(window.PwdTable->Master.Dir), expected);
    }

    void defaultFolderIsMadeWhenAPasswordIsFirstStored()
    {
        const QString folder = QDir(dataHome_.path()).filePath(QStringLiteral("kelvane"));
        QDir(folder).removeRecursively();
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        TMainWin& window = *w.window;
        QVERIFY(WriteBytes(w.Path(QStringLiteral("a.txt")), "plain text"));
        w.Reread();
        RunPreferences(window, ui, [](TPreferences& f) { Click(f.Store_CheckBox); });
        QCOMPARE(QString::fromStdString(window.PwdTable->Master.Dir), DefaultDatabasePath());
        ui.ExpectEncryptPrompt(QStringLiteral("a.txt"), prAccepted, QStringLiteral("file-pass"), false, true);
        ui.ExpectMasterPassword(MasterPasswordAnswer::Submitted, QStringLiteral("master-pass"));
        Select(window.Source_ListView, {QStringLiteral("a.txt")});
        window.EncrFileList();
        QVERIFY(QFileInfo::exists(DefaultDatabasePath()));
        QVERIFY(Exists(w.Path(QStringLiteral("a.txt.cry"))));
    }

    void pathWithBlanksIsKeptAcrossRuns()
    {
        const QString path = QStringLiteral("  /var/tmp/my keys.key ");
        TKV_ScriptedInteraction ui;
        QTemporaryDir settings;
        const QString file = WriteFile(settings.filePath(QStringLiteral("crypt file.ini")),
                                       WithValue(DefaultSettingsText(), QStringLiteral("Settings\\Options"),
                                                 QStringLiteral("ShowTIP"), QStringLiteral("0")));
        {
            auto window = MakeWindow(ui, file);
            CreateForms(*window);
            RunPreferences(*window, ui, [&](TPreferences& f) { f.Path_Edit->setText(path); });
            QCOMPARE(QString::fromStdString(window->PwdTable->Master.Dir), path);
        }
        auto again = MakeWindow(ui, file);
        CreateForms(*again);
        QCOMPARE(QString::fromStdString(again->PwdTable->Master.Dir), path);
        QString shown;
        RunPreferences(
            *again, ui, [&](TPreferences& f) { shown = f.Path_Edit->text(); }, "Button2");
        QCOMPARE(shown, path);
    }

    // Without "One master password for a session" a master password entered after Preferences made
    // the old one expire is still good after the next list.
    void masterPasswordEnteredAfterAChangeServes()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        TMainWin& window = *w.window;
        TKV_MasterPass& master = window.PwdTable->Master;
        master.Store = true;
        master.Dir = w.Path(QStringLiteral("first.key")).toStdString();
        RunPreferences(window, ui,
                       [&](TPreferences& f) { f.Path_Edit->setText(w.Path(QStringLiteral("second.key"))); });
        QVERIFY(master.Expired);
        ui.ExpectMasterPassword(MasterPasswordAnswer::Submitted, QStringLiteral("master-pass"));
        window.PromptForMasterPassword();
        QVERIFY(master.Entered);
        window.RevalidatePasswords();
        QVERIFY(master.Entered);
    }

    // "Never expires" while the file password's countdown runs: the next password does not expire at
    // the next tick.
    void neverStopsTheRunningCountdown()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        TMainWin& window = *w.window;
        window.Pwd->OnePassword = true;
        window.Pwd->ExpTime = 1;
        ui.ExpectEncryptPrompt(QStringLiteral("a.txt"), prAccepted, QStringLiteral("first"));
        window.Pwd->Entered = false;
        QCOMPARE(window.PromptToEncrypt(QStringLiteral("a.txt")), int(prAccepted));
        QVERIFY(window.PwdTimer.isActive());

        RunPreferences(window, ui, [](TPreferences& f) { Click(f.Never_Button); });
        QCOMPARE(window.Pwd->ExpTime, 0);
        QVERIFY(!window.PwdTimer.isActive());

        ui.ExpectEncryptPrompt(QStringLiteral("a.txt"), prAccepted, QStringLiteral("second"));
        QCOMPARE(window.PromptToEncrypt(QStringLiteral("a.txt")), int(prAccepted));
        window.PwdTimerTimer();
        QVERIFY(!window.Pwd->Expired);
        window.RevalidatePasswords();
        QVERIFY(window.Pwd->Entered);
    }

    void keyboard()
    {
        TKV_ScriptedInteraction ui;
        TKV_WorkflowWindow w(ui);
        TMainWin& window = *w.window;
        window.PwdTable->Master.Store = true;
        window.PwdTable->Master.Expires = true;
        QStringList walked;
        QStringList noAutoDefault;
        ui.ExpectDialog(QStringLiteral("TPreferences"), [&](QDialog& dialog) {
            auto& form = static_cast<TPreferences&>(dialog);
            form.activateWindow();
            walked = TabWalk(&form, 20);
            for (const QPushButton* button : form.findChildren<QPushButton*>())
                if (!button->autoDefault()) noAutoDefault.append(button->objectName());
            ui.ExpectOpenUrl(BuildTreeHelp(QStringLiteral("preferences.html#preferences")));
            PressKey(&form, Qt::Key_F1);
            // Enter presses the focused button, here Cancel.
            form.Button2->setFocus();
            PressKey(&form, Qt::Key_Return);
            return form.result();
        });
        window.Options2Click();
        const QStringList expected = {"OnePwd_CheckBox",
                                      "OnePerList_CheckBox",
                                      "IDEA_RadioButton",
                                      "Store_CheckBox",
                                      "Path_Edit",
                                      "Browse",
                                      "MasterPwdExpires_CheckBox",
                                      "MasterPwdExpTime_SpinEdit",
                                      "Button1",
                                      "ShowCry_CheckBox",
                                      "ShowTIP_CheckBox",
                                      "Ok_Button",
                                      "Button2",
                                      "OnePwd_CheckBox"};
        QCOMPARE(walked, expected);
        QCOMPARE(noAutoDefault, QStringList());
        QCOMPARE(window.LastHelpContext, TPreferences::kHelpContext);
        // Cancelled: the file password is still held.
        QVERIFY(window.Pwd->Entered);
    }

private:
    QTemporaryDir dataHome_;
};

QTEST_MAIN(PreferencesTest)
#include "test_preferences.moc"
