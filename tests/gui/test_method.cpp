// SPDX-License-Identifier: GPL-3.0-or-later
// The default method: the buttons after start-up for each stored method, and a change by click.
#include "GuiTestSupport.h"
#include "Messages.h"
#include "PasswordExpiry.h"
#include "StatusBar.h"
#include "TKV_Pwd.h"

#include <QToolButton>
#include <QtTest/QTest>

namespace {

std::unique_ptr<TMainWin> WindowWithMethod(TKV_ScriptedInteraction& ui, QTemporaryDir& dir, const QString& method)
{
    QString text = DefaultSettingsText();
    text = WithValue(text, QStringLiteral("Settings\\Options"), QStringLiteral("Method"), method);
    text = WithValue(text, QStringLiteral("Settings\\Options"), QStringLiteral("ShowTIP"), QStringLiteral("0"));
    auto window = MakeWindow(ui, WriteFile(dir.filePath(QStringLiteral("crypt file.ini")), text));
    window->show();
    window->FormActivate();
    return window;
}

QString Down(const TMainWin& window)
{
    QStringList down;
    for (const QToolButton* button : {window.DES_Button, window.TDES_Button, window.IDEA_Button}) {
        if (button->isChecked()) down.append(button->objectName());
    }
    return down.join(QLatin1Char(','));
}

QString Blue(const TMainWin& window)
{
    QStringList blue;
    for (const QToolButton* button : {window.DES_Button, window.TDES_Button, window.IDEA_Button}) {
        const QColor caption = button->palette().color(QPalette::ButtonText);
        if (caption == QColor(Qt::blue))
            blue.append(button->objectName());
        else if (caption != QColor(Qt::black))
            blue.append(QStringLiteral("?") + button->objectName());
    }
    return blue.join(QLatin1Char(','));
}

} // namespace

class MethodTest : public QObject
{
    Q_OBJECT

private slots:
    void buttonsAfterStartup_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("down");
        QTest::newRow("0, older DES") << QStringLiteral("0") << QStringLiteral("DES_Button");
        QTest::newRow("1, IDEA") << QStringLiteral("1") << QStringLiteral("IDEA_Button");
        QTest::newRow("2, older DES") << QStringLiteral("2") << QStringLiteral("DES_Button");
        QTest::newRow("3, DES") << QStringLiteral("3") << QStringLiteral("DES_Button");
        QTest::newRow("4, Triple DES") << QStringLiteral("4") << QStringLiteral("TDES_Button");
    }

    void buttonsAfterStartup()
    {
        QFETCH(QString, stored);
        QFETCH(QString, down);
        QTemporaryDir dir;
        TKV_ScriptedInteraction ui;
        auto window = WindowWithMethod(ui, dir, stored);
        QCOMPARE(Down(*window), down);
        QCOMPARE(Blue(*window), down);
        // The stored identifier is what new files get, also 0 and 2, until a button is clicked.
        QCOMPARE(window->DefaultMethod, stored.toInt());
        QCOMPARE(window->StatusBar3->PanelText(0), QStringLiteral("Idle."));
        for (const QToolButton* button : {window->DES_Button, window->TDES_Button, window->IDEA_Button})
            QCOMPARE(button->height(), window->Method_Panel->height());
    }

    void buttonsLookAsDesigned()
    {
        QTemporaryDir dir;
        TKV_ScriptedInteraction ui;
        auto window = WindowWithMethod(ui, dir, QStringLiteral("1"));
        QCOMPARE(window->DES_Button->text(), QStringLiteral("DES"));
        QCOMPARE(window->TDES_Button->text(), QStringLiteral("3xDES"));
        QCOMPARE(window->IDEA_Button->text(), QStringLiteral("IDEA"));
        QCOMPARE(window->DES_Button->toolTip(), QStringLiteral("DES (56 bit/ CBC)"));
        QCOMPARE(window->TDES_Button->toolTip(), QStringLiteral("Triple DES (EDE3/ 56 x 3 bit/ outer CBC)"));
        QCOMPARE(window->IDEA_Button->toolTip(), QStringLiteral("IDEA (128 bit/ CBC)"));
        QCOMPARE(window->Method_Panel->toolTip(), QStringLiteral("Select encryption method by default"));
        QCOMPARE(window->DES_Button->width(), 50);
        QCOMPARE(window->TDES_Button->x(), window->DES_Button->x() + 56);
        QCOMPARE(window->IDEA_Button->x(), window->TDES_Button->x() + 56);
    }

    void clickingIdeaWhileDesIsTheDefault()
    {
        QTemporaryDir dir;
        TKV_ScriptedInteraction ui;
        auto window = WindowWithMethod(ui, dir, QStringLiteral("3"));
        // A session password with a running countdown, as the prompts leave it.
        window->Pwd->OnePassword = true;
        window->Pwd->ExpTime = 5;
        PasswordAccepted(*window->Pwd, true, window->PwdControls);
        window->ApplyExpiryControls();
        QVERIFY(window->PwdTimer.isActive());
        QVERIFY(window->PwdExpire_Button->isEnabled());

        QStringList shown;
        connect(window->StatusBar3, &TKV_StatusBar::PanelTextSet, window.get(),
                [&shown](int, const QString& text) { shown.append(text); });
        QTest::mouseClick(window->IDEA_Button, Qt::LeftButton);
        QCOMPARE(window->DefaultMethod, 1);
        QCOMPARE(Down(*window), QStringLiteral("IDEA_Button"));
        QCOMPARE(Blue(*window), QStringLiteral("IDEA_Button"));
        QCOMPARE(window->Pwd->Expired, true);
        QVERIFY(!window->PwdTimer.isActive());
        QVERIFY(!window->PwdExpire_Button->isEnabled());
        const QString notice = QString::fromLatin1(kMethodChangedMessage);
        QCOMPARE(window->StatusBar3->PanelText(0), notice);
        QCOMPARE(shown.size(), 26);
        QCOMPARE(shown.front(), QStringLiteral("    ") + notice);
    }

    void clickingTheMethodInUseChangesNothing()
    {
        QTemporaryDir dir;
        TKV_ScriptedInteraction ui;
        auto window = WindowWithMethod(ui, dir, QStringLiteral("4"));
        QTest::mouseClick(window->TDES_Button, Qt::LeftButton);
        QCOMPARE(window->DefaultMethod, 4);
        QCOMPARE(Down(*window), QStringLiteral("TDES_Button"));
        QCOMPARE(window->Pwd->Expired, false);
        QCOMPARE(window->StatusBar3->PanelText(0), QStringLiteral("Idle."));
    }

    void clickingDesWhenAnOlderDesIsStored()
    {
        QTemporaryDir dir;
        TKV_ScriptedInteraction ui;
        auto window = WindowWithMethod(ui, dir, QStringLiteral("0"));
        QTest::mouseClick(window->DES_Button, Qt::LeftButton);
        QCOMPARE(window->DefaultMethod, 3);
        QCOMPARE(Down(*window), QStringLiteral("DES_Button"));
        QCOMPARE(window->Pwd->Expired, true);
        QCOMPARE(window->StatusBar3->PanelText(0), QString::fromLatin1(kMethodChangedMessage));
    }

    void settersShowAndNotify()
    {
        QTemporaryDir dir;
        TKV_ScriptedInteraction ui;
        auto window = WindowWithMethod(ui, dir, QStringLiteral("1"));
        window->SetTripleDES();
        QCOMPARE(window->DefaultMethod, 4);
        QCOMPARE(Down(*window), QStringLiteral("TDES_Button"));
        QCOMPARE(Blue(*window), QStringLiteral("TDES_Button"));
        window->SetDES();
        QCOMPARE(window->DefaultMethod, 3);
        QCOMPARE(Blue(*window), QStringLiteral("DES_Button"));
        window->SetIDEA();
        QCOMPARE(window->DefaultMethod, 1);
        QCOMPARE(Blue(*window), QStringLiteral("IDEA_Button"));
        QCOMPARE(window->Pwd->Expired, true);
        const QString path = dir.filePath(QStringLiteral("crypt file.ini"));
        window->SetTripleDES();
        window.reset();
        QCOMPARE(StoredInteger(path, QStringLiteral("Settings\\Options"), QStringLiteral("Method")), 4);
    }

    void expireButtonExpiresTheSessionPassword()
    {
        QTemporaryDir dir;
        TKV_ScriptedInteraction ui;
        auto window = WindowWithMethod(ui, dir, QStringLiteral("1"));
        window->Pwd->OnePassword = true;
        PasswordAccepted(*window->Pwd, true, window->PwdControls);
        window->ApplyExpiryControls();
        QVERIFY(window->PwdExpire_Button->isEnabled());
        QVERIFY(!window->PwdTimer.isActive()); // ExpTime 0: never by time
        QTest::mouseClick(window->PwdExpire_Button, Qt::LeftButton);
        QCOMPARE(window->Pwd->Expired, true);
        QVERIFY(!window->PwdExpire_Button->isEnabled());
        QCOMPARE(window->StatusBar3->PanelText(0), QStringLiteral("Idle."));
    }
};

QTEST_MAIN(MethodTest)
#include "test_method.moc"
