// SPDX-License-Identifier: GPL-3.0-or-later
// The tip of the day: which tip comes first and next, "More Info...", the check box and the setting
// it writes, the window's keys and its layout.
#include "Forms.h"
#include "GuiTestSupport.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QtTest/QTest>

#include <functional>

namespace {

// The draws a test gives the tip window, in order; past the end it fails the test.
std::function<int(int)> Draws(QList<int> draws)
{
    return [draws, next = qsizetype(0)](int bound) mutable {
        [&] { QCOMPARE(bound, 13); }();
        if (next >= draws.size()) {
            QTest::qFail("more draws than scripted", __FILE__, __LINE__);
            return 1;
        }
        return draws.at(next++);
    };
}

QString Text(int tip)
{
    return QString::fromUtf8(kTips[tip].Text);
}

QString SettingsWithTip(QTemporaryDir& dir, bool showTip)
{
    const QString text = WithValue(DefaultSettingsText(), QStringLiteral("Settings\\Options"),
                                   QStringLiteral("ShowTIP"), showTip ? QStringLiteral("1") : QStringLiteral("0"));
    return WriteFile(dir.filePath(QStringLiteral("crypt file.ini")), text);
}

} // namespace

class TipsTest : public QObject
{
    Q_OBJECT

private slots:
    void theTableHoldsThirteenTipsWithTheirTopics()
    {
        QList<int> contexts;
        for (const TKV_Tip& tip : kTips)
            contexts.append(tip.HelpContext);
        QCOMPARE(contexts, QList<int>({20, 20, 20, 20, 20, 20, 10, 10, 10, 10, 60, 70, 50}));
        QVERIFY(Text(0).startsWith(QStringLiteral("You can encrypt file with 7(!) different ways: double-clicking")));
        QCOMPARE(Text(6), QStringLiteral("As you make your passwords longer securiry of encryption grows."));
        QCOMPARE(Text(7), QStringLiteral("Buttons placed onto the status bar at the bottom of the window indicate an "
                                         "ecryption method, choosen by default"));
        QVERIFY(Text(12).endsWith(QStringLiteral("choose SendTo/Kelvane 95 IDEA.The file is then passed to Kelvane "
                                                 "for either automatic encryption, or decryption.")));
    }

    // A draw equal to the tip shown last is drawn again: tip 0 never comes first, and no tip twice in a
    // row; the tip shown last is kept from one showing to the next.
    void drawsGiveTheOrder()
    {
        TTIP_Form form;
        form.Random = Draws({0, 0, 3, 3, 12, 0, 0, 12, 5});
        form.show();
        QCOMPARE(form.LastTip, 3);
        QCOMPARE(form.TIP_Memo->toPlainText(), Text(3));
        QTest::mouseClick(form.Button3, Qt::LeftButton);
        QCOMPARE(form.LastTip, 12);
        QCOMPARE(form.TIP_Memo->toPlainText(), Text(12));
        QTest::mouseClick(form.Button3, Qt::LeftButton);
        QCOMPARE(form.LastTip, 0);
        QCOMPARE(form.TIP_Memo->toPlainText(), Text(0));
        form.hide();
        form.show();
        QCOMPARE(form.LastTip, 12);
        QTest::mouseClick(form.Button3, Qt::LeftButton);
        QCOMPARE(form.LastTip, 5);
        QVERIFY(form.isVisible());
    }

    void withTheClockSeededGeneratorEveryTipComesAndNoneTwiceInARow()
    {
        QSet<int> first;
        for (int start = 0; start < 40; ++start) {
            TTIP_Form form;
            form.show();
            QVERIFY(form.LastTip >= 1 && form.LastTip <= 12);
            first.insert(form.LastTip);
            form.hide();
        }
        QVERIFY(first.size() > 3);

        TTIP_Form form;
        form.show();
        QSet<int> seen = {form.LastTip};
        for (int next = 0; next < 400; ++next) {
            const int before = form.LastTip;
            QTest::mouseClick(form.Button3, Qt::LeftButton);
            QVERIFY(form.LastTip != before);
            QCOMPARE(form.TIP_Memo->toPlainText(), Text(form.LastTip));
            seen.insert(form.LastTip);
        }
        QCOMPARE(seen.size(), kTipCount);
    }

    void moreInfoOpensTheTipsTopicAndTheWindowStays_data()
    {
        QTest::addColumn<int>("tip");
        QTest::addColumn<QString>("expected");
        QTest::newRow("tip 1") << 1 << "lists-and-views.html#main-window";
        QTest::newRow("tip 8") << 8 << "getting-started.html#basics";
        QTest::newRow("tip 10") << 10 << "encrypting.html#open-in-application";
        QTest::newRow("tip 11") << 11 << "encrypting.html#deleting";
        QTest::newRow("tip 12") << 12 << "command-line.html#from-the-file-manager";
    }

    void moreInfoOpensTheTipsTopicAndTheWindowStays()
    {
        QFETCH(int, tip);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        TKV_ScriptedInteraction ui;
        auto window = MakeWindow(ui, SettingsWithTip(dir, false));
        CreateForms(*window);
        window->Forms.TIP_Form->Random = Draws({tip});
        ui.ExpectDialog(QStringLiteral("TTIP_Form"), [&](QDialog& dialog) {
            auto& form = static_cast<TTIP_Form&>(dialog);
            ui.ExpectOpenUrl(BuildTreeHelp(expected));
            QTest::mouseClick(form.Button2, Qt::LeftButton);
            [&] { QVERIFY(form.isVisible()); }();
            [&] { QCOMPARE(form.TIP_Memo->toPlainText(), Text(tip)); }();
            QTest::mouseClick(form.Ok_Button, Qt::LeftButton);
            return form.result();
        });
        window->Tips1Click();
        QCOMPARE(ui.Pending(), 0);
        QCOMPARE(window->LastHelpContext, kTips[tip].HelpContext);
    }

    // The check box starts from the setting; "OK" writes it back, the settings keep it at exit, and the
    // next start shows the tip or not by it.
    void theCheckBoxIsWrittenToShowTipAtExit_data()
    {
        QTest::addColumn<bool>("before");
        QTest::newRow("on, unchecked") << true;
        QTest::newRow("off, checked") << false;
    }

    void theCheckBoxIsWrittenToShowTipAtExit()
    {
        QFETCH(bool, before);
        QTemporaryDir dir;
        const QString path = SettingsWithTip(dir, before);
        {
            TKV_ScriptedInteraction ui;
            auto window = MakeWindow(ui, path);
            CreateForms(*window);
            bool shownChecked = !before;
            ui.ExpectDialog(QStringLiteral("TTIP_Form"), [&](QDialog& dialog) {
                auto& form = static_cast<TTIP_Form&>(dialog);
                shownChecked = form.Show_CheckBox->isChecked();
                form.Show_CheckBox->setFocus();
                QTest::keyClick(form.Show_CheckBox, Qt::Key_Space);
                QTest::mouseClick(form.Ok_Button, Qt::LeftButton);
                return form.result();
            });
            window->Tips1Click();
            QCOMPARE(shownChecked, before);
            QCOMPARE(window->ShowTIP, !before);
        }
        QCOMPARE(StoredInteger(path, QStringLiteral("Settings\\Options"), QStringLiteral("ShowTIP")), before ? 0 : 1);

        TKV_ScriptedInteraction ui;
        QStringList trace;
        auto window = MakeWindow(ui, path, [&trace](const QString& step) { trace.append(step); });
        CreateForms(*window);
        if (!before) {
            ui.ExpectDialog(QStringLiteral("TTIP_Form"), [](QDialog& dialog) {
                QTest::keyClick(&dialog, Qt::Key_Escape);
                return dialog.result();
            });
        }
        window->FormActivate();
        QCOMPARE(trace.contains(QStringLiteral("Tips")), !before);
        QCOMPARE(ui.Pending(), 0);
    }

    void keys()
    {
        TTIP_Form form;
        form.Random = Draws({4, 9});
        form.ShowTIP = true;
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QCOMPARE(FocusName(), QStringLiteral("Ok_Button"));
        QCOMPARE(TabWalk(&form),
                 QStringList({"Ok_Button", "Button3", "Button2", "TIP_Memo", "Show_CheckBox", "Ok_Button"}));
        // Space on the check box turns it; Enter on "Next Tip" shows the next tip and keeps the window.
        form.Show_CheckBox->setFocus();
        PressKey(&form, Qt::Key_Space);
        QVERIFY(!form.Show_CheckBox->isChecked());
        form.Button3->setFocus();
        PressKey(&form, Qt::Key_Return);
        QCOMPARE(form.LastTip, 9);
        QVERIFY(form.isVisible());
        // Enter in the text closes as "OK".
        form.TIP_Memo->setFocus();
        PressKey(&form, Qt::Key_Return);
        QVERIFY(!form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(form.ShowTIP, false);

        // Escape leaves the window as "OK" does, the check box taken as it stands.
        form.Random = Draws({2});
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QVERIFY(!form.Show_CheckBox->isChecked());
        form.Show_CheckBox->setFocus();
        PressKey(&form, Qt::Key_Space);
        PressKey(&form, Qt::Key_Escape);
        QVERIFY(!form.isVisible());
        QCOMPARE(form.ShowTIP, true);
    }

    void layout()
    {
        TTIP_Form form;
        form.Random = Draws({1});
        form.show();
        QCOMPARE(form.windowTitle(), QStringLiteral("Tip of the day"));
        QVERIFY(!(form.windowFlags() & Qt::WindowCloseButtonHint));
        QCOMPARE(form.Show_CheckBox->text(), QStringLiteral("Show this window next time Kelvane is started"));
        QCOMPARE(form.Ok_Button->text(), QStringLiteral("OK"));
        QCOMPARE(form.Button3->text(), QStringLiteral("Next Tip"));
        QCOMPARE(form.Button2->text(), QStringLiteral("More Info..."));
        QVERIFY(form.Ok_Button->isDefault());
        QVERIFY(form.TIP_Memo->isReadOnly());
        QCOMPARE(form.height(), form.Ok_Button->geometry().bottom() + 1 + 35);
        QCOMPARE(form.TIP_Memo->width(), form.width() - 75);
        QCOMPARE(form.TIP_Memo->height(), form.TIP_GroupBox->height() - 35);
        QCOMPARE(form.TIP_Image->size(), QSize(32, 32));
        // Below one another: the group, the check box's panel, the buttons left to right.
        QVERIFY(form.Show_Panel->y() > form.TIP_GroupBox->geometry().bottom());
        QVERIFY(form.Ok_Button->y() > form.Show_Panel->geometry().bottom());
        QVERIFY(form.Ok_Button->x() < form.Button3->x());
        QVERIFY(form.Button3->x() < form.Button2->x());
        // Every tip fits the text box whole.
        for (int tip = 0; tip < kTipCount; ++tip) {
            form.TIP_Memo->setPlainText(Text(tip));
            QCoreApplication::processEvents();
            QVERIFY2(form.TIP_Memo->verticalScrollBar()->maximum() == 0, qPrintable(QString::number(tip)));
        }
    }

    void startUpShowsTheTipWhileShowTipIsOn()
    {
        QTemporaryDir dir;
        TKV_ScriptedInteraction ui;
        auto window = MakeWindow(ui, SettingsWithTip(dir, true));
        CreateForms(*window);
        QString shown;
        ui.ExpectDialog(QStringLiteral("TTIP_Form"), [&](QDialog& dialog) {
            auto& form = static_cast<TTIP_Form&>(dialog);
            shown = form.TIP_Memo->toPlainText();
            QTest::mouseClick(form.Ok_Button, Qt::LeftButton);
            return form.result();
        });
        window->FormActivate();
        QCOMPARE(ui.Pending(), 0);
        QVERIFY(!shown.isEmpty());
        QVERIFY(shown != Text(0));
        QVERIFY(window->ShowTIP);
    }
};

QTEST_MAIN(TipsTest)
#include "test_tips.moc"
