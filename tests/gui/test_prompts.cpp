// SPDX-License-Identifier: GPL-3.0-or-later
// The password prompts, the master password dialog and password expiry: rules without a dialog, the
// real dialogs worked with QTest, and the window's prompts through the scripted seam.
#include "Forms.h"
#include "GuiTestSupport.h"
#include "PromptRules.h"
#include "QtPaths.h"
#include "TKV_DirCryptor.h"
#include "TKV_PrgState.h"
#include "TKV_Pwd.h"
#include "TKV_PwdTable.h"
#include "TMasterPwd_Form.h"
#include "TPasswordPrompt.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace {

const QString kTooFew = QStringLiteral("Too few characters in password.");
const QString kTooMany = QStringLiteral("Too many characters in password.");
const QString kMismatch = QStringLiteral("Verification failed.");

struct Window
{
    QTemporaryDir dir;
    std::unique_ptr<TMainWin> win;

    explicit Window(TKV_ScriptedInteraction& ui)
    {
        win = MakeWindow(ui, WriteFile(dir.filePath(QStringLiteral("crypt file.ini")), DefaultSettingsText()));
        CreateForms(*win);
        win->DirCryptor->Directory = dir.path();
    }
};

// Records the error boxes of a dialog.
struct Errors
{
    QStringList shown;
    std::function<void(const QString&)> Sink()
    {
        return [this](const QString& text) { shown.append(text); };
    }
};

TKV_PromptSetup Setup(int maxChars)
{
    TKV_PromptSetup setup;
    setup.Name = QStringLiteral("a.txt");
    setup.FileLabel = QStringLiteral("/tmp/a.txt");
    setup.MethodText = QStringLiteral("DES");
    setup.EnterText = QStringLiteral("Enter the password (6 - 8 symbols)");
    setup.MaxChars = maxChars;
    return setup;
}

void Type(QLineEdit* edit, const QString& text)
{
    edit->setFocus();
    QTest::keyClicks(edit, text);
}

// The user's part while a dialog runs modally: queued so that it runs inside the dialog's own loop.
// The encryption prompt's longest password for a method code, in key bytes.
int MaxBytes(int method)
{
    return static_cast<int>(PasswordLimits::ForEncryption(method).MaxBytes);
}

void WhileShown(std::function<void()> act)
{
    QTimer::singleShot(0, qApp, std::move(act));
}

class NoUi : public IPasswordUi
{
public:
    MasterPasswordAnswer ShowMasterPasswordDialog(TKV_PwdTable&) override { return MasterPasswordAnswer::NotNow; }
    void ShowDatabaseError(const std::string&) override {}
};

// A password user interface that runs the real master password dialog.
class FormUi : public IPasswordUi
{
public:
    explicit FormUi(TMasterPwd_Form& form) : form_(form) {}
    MasterPasswordAnswer ShowMasterPasswordDialog(TKV_PwdTable& table) override { return form_.Run(table); }
    void ShowDatabaseError(const std::string&) override {}

private:
    TMasterPwd_Form& form_;
};

} // namespace

class PromptsTest : public QObject
{
    Q_OBJECT

private slots:
    // ---- Rules

    // The heading of the prompt for each method code; the rule itself is the password core's.
    void headingsByMethodCode()
    {
        QCOMPARE(EnterText(PasswordLimits::ForEncryption(kMethodDes)),
                 QStringLiteral("Enter the password (6 - 8 symbols)"));
        QCOMPARE(EnterText(PasswordLimits::ForEncryption(kMethodIdea)),
                 QStringLiteral("Enter the password (6 - 16 symbols)"));
        QCOMPARE(EnterText(PasswordLimits::ForEncryption(kMethodTripleDes)),
                 QStringLiteral("Enter the password (6 - 24 symbols)"));
        QCOMPARE(EnterText(PasswordLimits::ForEncryption(-1)), QStringLiteral("Enter the password (6 - 24 symbols)"));
    }

    void lengthRules()
    {
        const QString nine(9, QLatin1Char('x'));
        QCOMPARE(CheckPromptEntry(nine, &nine, MaxBytes(kMethodDes)), kTooMany);
        QCOMPARE(CheckPromptEntry(nine, &nine, MaxBytes(kMethodIdea)), QString());
        const QString t24(24, QLatin1Char('y')), t25(25, QLatin1Char('y'));
        QCOMPARE(CheckPromptEntry(t24, &t24, MaxBytes(kMethodTripleDes)), QString());
        QCOMPARE(CheckPromptEntry(t25, &t25, MaxBytes(kMethodTripleDes)), kTooMany);
        const QString five(5, QLatin1Char('z'));
        QCOMPARE(CheckPromptEntry(five, &five, 8), kTooFew);
        const QString six(6, QLatin1Char('z'));
        QCOMPARE(CheckPromptEntry(six, &six, 8), QString());
        const QString other = QStringLiteral("ZZZZZZ");
        QCOMPARE(CheckPromptEntry(six, &other, 8), kMismatch);
        // The most counts key bytes: "ä" and "ö" are one each (Windows-1252), a Greek letter two.
        const QString umlauts = QStringLiteral("p\u00e4ssw\u00f6rt");
        QCOMPARE(CheckPromptEntry(umlauts, &umlauts, 8), QString());
        const QString greek8 = QStringLiteral("\u03b1\u03b2\u03b3\u03b4\u03b5\u03b6\u03b7\u03b8");
        QCOMPARE(CheckPromptEntry(greek8, &greek8, MaxBytes(kMethodDes)), kTooMany);
        QCOMPARE(CheckPromptEntry(greek8, &greek8, MaxBytes(kMethodIdea)), QString());
        const QString greek9 = greek8 + QStringLiteral("\u03b9");
        QCOMPARE(CheckPromptEntry(greek9, &greek9, MaxBytes(kMethodIdea)), kTooMany);
        const QString cyrillic12(12, QChar(0x0434));
        QCOMPARE(CheckPromptEntry(cyrillic12, nullptr, kDecryptMaxChars), QString());
        const QString cyrillic13(13, QChar(0x0434));
        QCOMPARE(CheckPromptEntry(cyrillic13, nullptr, kDecryptMaxChars), kTooMany);
        // The least counts characters: five Greek letters are ten bytes and still too few.
        const QString greek5 = greek8.left(5);
        QCOMPARE(CheckPromptEntry(greek5, &greek5, 24), kTooFew);
        // The decryption prompt: 6 to 24 whatever the method.
        QCOMPARE(CheckPromptEntry(QString(20, QLatin1Char('d')), nullptr, kDecryptMaxChars), QString());
        QCOMPARE(CheckPromptEntry(t25, nullptr, kDecryptMaxChars), kTooMany);
    }

    void directoryShortenedWithEllipsis()
    {
        const QFont font;
        const QFontMetrics metrics(font);
        const QString dir = QStringLiteral("/home/user/documents/projects/kelvane/very/deep/folder");
        QCOMPARE(ShortenDirectory(dir, metrics, 100000), dir);
        const QString shortened =
            ShortenDirectory(dir, metrics, metrics.horizontalAdvance(QStringLiteral("/home/.../folderxx")));
        QVERIFY(shortened.startsWith(QStringLiteral("/home/...")));
        QVERIFY(shortened.endsWith(QStringLiteral("/folder")));
        QCOMPARE(JoinQPath(QStringLiteral("/"), QStringLiteral("a.txt")), QStringLiteral("/a.txt"));
        QCOMPARE(JoinQPath(QStringLiteral("/docs"), QStringLiteral("a.txt")), QStringLiteral("/docs/a.txt"));
    }

    // ---- The real prompts

    void encryptionPromptTexts()
    {
        TEncrypt dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Encryption procedure"));
        QCOMPARE(dialog.Heading_Label->text(), QStringLiteral("Please assign a password for the file"));
        QCOMPARE(dialog.MethodCaption_Label->text(), QStringLiteral("Encryption method:"));
        QCOMPARE(dialog.Note_Label->text(), QStringLiteral("Note: case of characters is meaningful"));
        QVERIFY(dialog.Note_Label->font().italic());
        QVERIFY(dialog.Method_Label->font().italic());
        QCOMPARE(dialog.Reenter_Label->text(), QStringLiteral("Reenter the password for verification"));
        QCOMPARE(dialog.OnePwdList_CheckBox->text(), QStringLiteral("One password for a file list"));
        QCOMPARE(dialog.SavePwd_CheckBox->text(), QStringLiteral("Save password on disk"));
        QCOMPARE(dialog.Submit_Button->text(), QStringLiteral("Submit"));
        QVERIFY(dialog.Submit_Button->isDefault());
        QCOMPARE(dialog.Button1->text(), QStringLiteral("Cancel"));
        QCOMPARE(dialog.CancelAll->text(), QStringLiteral("Cancel All"));
        QVERIFY(dialog.CancelAll->isHidden());
        QCOMPARE(dialog.MaskEdit1->echoMode(), QLineEdit::Password);
        QCOMPARE(dialog.MaskEdit2->echoMode(), QLineEdit::Password);
    }

    void decryptionPromptTexts()
    {
        TDecrypt dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Decryption procedure"));
        QCOMPARE(dialog.Heading_Label->text(), QStringLiteral("Please enter a valid password for the file"));
        QCOMPARE(dialog.MethodCaption_Label->text(), QStringLiteral("Encrypted by: "));
        QVERIFY(dialog.MaskEdit2 == nullptr);
        QVERIFY(dialog.SavePwd_CheckBox == nullptr);
        QCOMPARE(dialog.MaskEdit1->echoMode(), QLineEdit::Password);
    }

    void enterMovesToVerificationThenTooManyForDes()
    {
        TEncrypt dialog;
        Errors errors;
        dialog.ShowError = errors.Sink();
        dialog.Prepare(Setup(8));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QVERIFY(dialog.MaskEdit1->hasFocus());
        QTest::keyClicks(dialog.MaskEdit1, QStringLiteral("123456789"));
        QTest::keyClick(dialog.MaskEdit1, Qt::Key_Return);
        QVERIFY(dialog.MaskEdit2->hasFocus());
        QVERIFY(errors.shown.isEmpty());
        QTest::keyClicks(dialog.MaskEdit2, QStringLiteral("123456789"));
        QTest::keyClick(dialog.MaskEdit2, Qt::Key_Return);
        QCOMPARE(errors.shown, QStringList({kTooMany}));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.MaskEdit1->text(), QStringLiteral("123456789"));
    }

    void nineCharactersAcceptedForIdea()
    {
        TEncrypt dialog;
        Errors errors;
        dialog.ShowError = errors.Sink();
        TKV_PromptAnswer answer;
        WhileShown([&] {
            Type(dialog.MaskEdit1, QStringLiteral("123456789"));
            Type(dialog.MaskEdit2, QStringLiteral("123456789"));
            QTest::mouseClick(dialog.Submit_Button, Qt::LeftButton);
        });
        dialog.Prepare(Setup(16));
        QCOMPARE(dialog.Run(answer), static_cast<int>(prAccepted));
        QCOMPARE(answer.Password, QByteArray("123456789"));
        QVERIFY(errors.shown.isEmpty());
        // The entries are empty once the password has been taken.
        QVERIFY(dialog.MaskEdit1->text().isEmpty());
        QVERIFY(dialog.MaskEdit2->text().isEmpty());
    }

    void verificationFailsAndTooFew()
    {
        TEncrypt dialog;
        Errors errors;
        dialog.ShowError = errors.Sink();
        dialog.Prepare(Setup(16));
        dialog.show();
        Type(dialog.MaskEdit1, QStringLiteral("abcdef"));
        Type(dialog.MaskEdit2, QStringLiteral("abcdeF"));
        QTest::mouseClick(dialog.Submit_Button, Qt::LeftButton);
        dialog.MaskEdit1->setText(QStringLiteral("abcde"));
        dialog.MaskEdit2->setText(QStringLiteral("abcde"));
        QTest::mouseClick(dialog.Submit_Button, Qt::LeftButton);
        QCOMPARE(errors.shown, QStringList({kMismatch, kTooFew}));
        QVERIFY(dialog.isVisible());
    }

    void decryptionAcceptsTwentyForDes()
    {
        TDecrypt dialog;
        Errors errors;
        dialog.ShowError = errors.Sink();
        TKV_PromptSetup setup = Setup(kDecryptMaxChars);
        TKV_PromptAnswer answer;
        WhileShown([&] {
            Type(dialog.MaskEdit1, QString(20, QLatin1Char('k')));
            QTest::keyClick(dialog.MaskEdit1, Qt::Key_Return);
        });
        dialog.Prepare(setup);
        QCOMPARE(dialog.Run(answer), static_cast<int>(prAccepted));
        QCOMPARE(answer.Password.size(), 20);
        QVERIFY(errors.shown.isEmpty());
    }

    void escapeIsCancelAlsoWithCancelAllShown()
    {
        TDecrypt dialog;
        dialog.SetCancelAllShown(true);
        TKV_PromptAnswer answer;
        WhileShown([&] {
            QVERIFY(dialog.CancelAll->isVisible());
            Type(dialog.MaskEdit1, QStringLiteral("secret"));
            QTest::keyClick(dialog.MaskEdit1, Qt::Key_Escape);
        });
        dialog.Prepare(Setup(kDecryptMaxChars));
        QCOMPARE(dialog.Run(answer), static_cast<int>(prSkip));
        QVERIFY(answer.Password.isEmpty());
        QVERIFY(dialog.MaskEdit1->text().isEmpty());
    }

    void cancelAllGivesThree()
    {
        TEncrypt dialog;
        dialog.SetCancelAllShown(true);
        TKV_PromptAnswer answer;
        WhileShown([&] { QTest::mouseClick(dialog.CancelAll, Qt::LeftButton); });
        dialog.Prepare(Setup(8));
        QCOMPARE(dialog.Run(answer), static_cast<int>(prCancelAll));
        dialog.SetCancelAllShown(false);
        QVERIFY(dialog.CancelAll->isHidden());
    }

    // ---- Keyboard flow

    void promptsTabInTheirVisualOrder_data()
    {
        QTest::addColumn<bool>("encryption");
        QTest::addColumn<bool>("boxesEnabled");
        QTest::addColumn<bool>("cancelAll");
        QTest::addColumn<QStringList>("chain");
        const QString one = QStringLiteral("MaskEdit1"), two = QStringLiteral("MaskEdit2");
        const QString list = QStringLiteral("OnePwdList_CheckBox"), save = QStringLiteral("SavePwd_CheckBox");
        const QString submit = QStringLiteral("Submit_Button"), cancel = QStringLiteral("Button1");
        const QString cancelAll = QStringLiteral("CancelAll");
        QTest::newRow("encryption") << true << true << false
                                    << QStringList({one, two, list, save, submit, cancel, one});
        // Disabled boxes and a hidden "Cancel All" are passed over.
        QTest::newRow("encryption, boxes disabled")
            << true << false << false << QStringList({one, two, submit, cancel, one});
        QTest::newRow("encryption, Cancel All shown")
            << true << true << true << QStringList({one, two, list, save, submit, cancel, cancelAll, one});
        QTest::newRow("decryption") << false << true << false << QStringList({one, list, submit, cancel, one});
        QTest::newRow("decryption, Cancel All shown")
            << false << true << true << QStringList({one, list, submit, cancel, cancelAll, one});
    }

    // Tab goes through the entries, the boxes and the buttons as they stand, and back to the first
    // entry; each showing starts there, wherever the last one left the focus.
    void promptsTabInTheirVisualOrder()
    {
        QFETCH(bool, encryption);
        QFETCH(bool, boxesEnabled);
        QFETCH(bool, cancelAll);
        QFETCH(QStringList, chain);
        std::unique_ptr<TPasswordPrompt> dialog;
        if (encryption)
            dialog = std::make_unique<TEncrypt>();
        else
            dialog = std::make_unique<TDecrypt>();
        TKV_PromptSetup setup = Setup(kDecryptMaxChars);
        setup.OneForListEnabled = boxesEnabled;
        setup.SaveEnabled = boxesEnabled;
        dialog->SetCancelAllShown(cancelAll);
        for (int showing = 1; showing <= 2; ++showing) {
            QStringList walked;
            WhileShown([&] {
                walked = TabWalk(dialog.get());
                PressKey(dialog.get(), Qt::Key_Backtab);
                PressKey(dialog.get(), Qt::Key_Escape);
            });
            dialog->Prepare(setup);
            TKV_PromptAnswer answer;
            QCOMPARE(dialog->Run(answer), static_cast<int>(prSkip));
            QCOMPARE(walked, chain);
        }
    }

    void tickingABox_data()
    {
        QTest::addColumn<bool>("byMouse");
        QTest::addColumn<QString>("focusAfter");
        // The mouse hands the keyboard back to the first entry.
        QTest::newRow("mouse") << true << QStringLiteral("MaskEdit1");
        // Space keeps the focus on the box, so that Tab and Enter go on from there.
        QTest::newRow("Space") << false << QStringLiteral("OnePwdList_CheckBox");
    }

    void tickingABox()
    {
        QFETCH(bool, byMouse);
        QFETCH(QString, focusAfter);
        TEncrypt dialog;
        TKV_PromptSetup setup = Setup(16);
        setup.OneForListEnabled = true;
        dialog.Prepare(setup);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        dialog.OnePwdList_CheckBox->setFocus(Qt::TabFocusReason);
        if (byMouse)
            QTest::mouseClick(dialog.OnePwdList_CheckBox, Qt::LeftButton);
        else
            PressKey(&dialog, Qt::Key_Space);
        QVERIFY(dialog.OnePwdList_CheckBox->isChecked());
        QCOMPARE(FocusName(), focusAfter);
    }

    // Enter presses the button that has the focus; from an entry or a box, the default one. A user who
    // tabbed to Cancel and pressed Enter must not have the file encrypted.
    void enterPressesTheFocusedButton_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("result");
        QTest::newRow("an entry") << QStringLiteral("MaskEdit2") << int(prAccepted);
        QTest::newRow("a box") << QStringLiteral("OnePwdList_CheckBox") << int(prAccepted);
        QTest::newRow("Cancel") << QStringLiteral("Button1") << int(prSkip);
        QTest::newRow("Cancel All") << QStringLiteral("CancelAll") << int(prCancelAll);
    }

    void enterPressesTheFocusedButton()
    {
        QFETCH(QString, focus);
        QFETCH(int, result);
        TEncrypt dialog;
        TKV_PromptSetup setup = Setup(16);
        setup.OneForListEnabled = true;
        dialog.SetCancelAllShown(true);
        QString focused;
        WhileShown([&] {
            if (!QTest::qWaitForWindowActive(&dialog)) return;
            TypeText(&dialog, QStringLiteral("typed-pw"));
            PressKey(&dialog, Qt::Key_Tab);
            TypeText(&dialog, QStringLiteral("typed-pw"));
            while (FocusName() != focus && QApplication::focusWidget() != nullptr) {
                PressKey(&dialog, Qt::Key_Tab);
                if (FocusName() == QStringLiteral("MaskEdit1")) break;
            }
            focused = FocusName();
            PressKey(&dialog, Qt::Key_Return);
            if (dialog.isVisible()) PressKey(&dialog, Qt::Key_Escape);
        });
        dialog.Prepare(setup);
        TKV_PromptAnswer answer;
        const int got = dialog.Run(answer);
        QCOMPARE(focused, focus);
        QCOMPARE(got, result);
        QCOMPARE(answer.Password.isEmpty(), result != prAccepted);
    }

    void masterDialogTabsInItsVisualOrder()
    {
        TMasterPwd_Form form;
        NoUi none;
        TKV_PwdTable table(none);
        const QStringList chain = {QStringLiteral("MaskEdit1"),     QStringLiteral("MaskEdit2"),
                                   QStringLiteral("Submit_Button"), QStringLiteral("SubmitLater_Button"),
                                   QStringLiteral("NotUse_Button"), QStringLiteral("MaskEdit1")};
        for (int showing = 1; showing <= 2; ++showing) {
            QStringList walked;
            WhileShown([&] {
                walked = TabWalk(&form);
                PressKey(&form, Qt::Key_Backtab);
                PressKey(&form, Qt::Key_Escape);
            });
            QVERIFY(form.Run(table) == MasterPasswordAnswer::NotNow);
            QCOMPARE(walked, chain);
        }
    }

    // ---- The window's prompts through the seam

    void encryptionPromptShowsTheDefaultMethod()
    {
        TKV_ScriptedInteraction ui;
        Window w(ui);
        w.win->DefaultMethod = kMethodTripleDes;
        w.win->DirCryptor->Files = {QStringLiteral("a.txt")};
        ui.ExpectEncryptPrompt(QStringLiteral("a.txt"), prAccepted, QStringLiteral("secret"), true, true);
        QCOMPARE(w.win->PromptToEncrypt(QStringLiteral("a.txt")), static_cast<int>(prAccepted));
        const TKV_PromptSetup setup = ui.Prompts().at(0);
        QCOMPARE(setup.MethodText, QStringLiteral("3xDES"));
        QCOMPARE(setup.EnterText, QStringLiteral("Enter the password (6 - 24 symbols)"));
        QCOMPARE(setup.MaxChars, 24);
        QVERIFY(setup.FileLabel.endsWith(QStringLiteral("/a.txt")));
        // One file: "One password for a file list" disabled and unchecked. Store off: no saving.
        QVERIFY(!setup.OneForListEnabled);
        QVERIFY(!setup.OneForListChecked);
        QVERIFY(!setup.SaveEnabled);
        QVERIFY(!setup.SaveChecked);
        QVERIFY(!w.win->PrgState->SavePassword);
        QVERIFY(!w.win->Pwd->OneForList);
        QVERIFY(w.win->Pwd->Entered);
        // Held scrambled.
        QCOMPARE(w.win->Pwd->PwdLength, 6);
        QCOMPARE(w.win->Pwd->Password.at(0), static_cast<std::uint8_t>('s' ^ 0x6E));
        // Without "One password for a session" there is no countdown and no expire button.
        QVERIFY(!w.win->PwdExpire_Button->isEnabled());
    }

    void encryptionPromptRulesFollowTheDefaultMethod_data()
    {
        QTest::addColumn<int>("method");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("maxChars");
        QTest::newRow("DES") << int(kMethodDes) << QStringLiteral("DES") << 8;
        // The older DES codes, kept when a stored setting holds them.
        QTest::newRow("DES without chaining") << 0 << QStringLiteral("DES") << 8;
        QTest::newRow("DES, key from the characters") << 2 << QStringLiteral("DES") << 8;
        QTest::newRow("IDEA") << int(kMethodIdea) << QStringLiteral("IDEA") << 16;
        QTest::newRow("Triple DES") << int(kMethodTripleDes) << QStringLiteral("3xDES") << 24;
    }

    void encryptionPromptRulesFollowTheDefaultMethod()
    {
        QFETCH(int, method);
        QFETCH(QString, name);
        QFETCH(int, maxChars);
        TKV_ScriptedInteraction ui;
        Window w(ui);
        w.win->DefaultMethod = method;
        w.win->DirCryptor->Files = {QStringLiteral("a.txt")};
        ui.ExpectEncryptPrompt(QStringLiteral("a.txt"), prSkip);
        QCOMPARE(w.win->PromptToEncrypt(QStringLiteral("a.txt")), static_cast<int>(prSkip));
        const TKV_PromptSetup setup = ui.Prompts().at(0);
        QCOMPARE(setup.MethodText, name);
        QCOMPARE(setup.MaxChars, maxChars);
        QCOMPARE(setup.EnterText, QStringLiteral("Enter the password (6 - %1 symbols)").arg(maxChars));
        QVERIFY(!w.win->Pwd->Entered);
    }

    void listOfSeveralWithOnePerListAndStore()
    {
        TKV_ScriptedInteraction ui;
        Window w(ui);
        w.win->DefaultMethod = kMethodIdea;
        w.win->OnePerList = true;
        w.win->PwdTable->Master.Store = true;
        w.win->DirCryptor->Files = {QStringLiteral("a.txt"), QStringLiteral("b.txt")};
        ui.ExpectEncryptPrompt(QStringLiteral("a.txt"), prAccepted, QStringLiteral("secret"), true, true);
        QCOMPARE(w.win->PromptToEncrypt(QStringLiteral("a.txt")), static_cast<int>(prAccepted));
        const TKV_PromptSetup setup = ui.Prompts().at(0);
        QCOMPARE(setup.EnterText, QStringLiteral("Enter the password (6 - 16 symbols)"));
        QVERIFY(setup.OneForListEnabled && setup.OneForListChecked);
        QVERIFY(setup.SaveEnabled && setup.SaveChecked);
        QVERIFY(w.win->Pwd->OneForList);
        QVERIFY(w.win->PrgState->SavePassword);
        // The skip rule: the list's password serves the next file without a prompt.
        QCOMPARE(w.win->PromptToEncrypt(QStringLiteral("b.txt")), static_cast<int>(prAccepted));
        QCOMPARE(ui.Prompts().size(), 1);
    }

    void sessionPasswordDisablesListBoxAndStartsExpiry()
    {
        TKV_ScriptedInteraction ui;
        Window w(ui);
        w.win->Pwd->OnePassword = true;
        w.win->Pwd->ExpTime = 1;
        w.win->DirCryptor->Files = {QStringLiteral("a.txt"), QStringLiteral("b.txt")};
        ui.ExpectEncryptPrompt(QStringLiteral("a.txt"), prAccepted, QStringLiteral("secret"));
        QCOMPARE(w.win->PromptToEncrypt(QStringLiteral("a.txt")), static_cast<int>(prAccepted));
        QVERIFY(!ui.Prompts().at(0).OneForListEnabled);
        QVERIFY(w.win->PwdExpire_Button->isEnabled());
        QVERIFY(w.win->PwdTimer.isActive());
        QCOMPARE(w.win->Pwd->Ticks, 0);
        // The file password expires at the 61st tick of a one-minute expiry.
        for (int tick = 0; tick < 60; ++tick)
            w.win->PwdTimerTimer();
        QVERIFY(!w.win->Pwd->Expired);
        w.win->PwdTimerTimer();
        QVERIFY(w.win->Pwd->Expired);
        QVERIFY(!w.win->PwdTimer.isActive());
        QVERIFY(!w.win->PwdExpire_Button->isEnabled());
        // Expiry is lazy: the password is dropped at the next batch boundary.
        QVERIFY(w.win->Pwd->Entered);
        w.win->RevalidatePasswords();
        QVERIFY(!w.win->Pwd->Entered);
    }

    void decryptionPromptReadsTheFilesMethod_data()
    {
        QTest::addColumn<bool>("showCry");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("magic");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("range");
        const auto row = [](const char* tag, bool showCry, const char* file, const char* magic, const char* entry,
                            const char* method, const char* range) {
            QTest::newRow(tag) << showCry << QString::fromLatin1(file) << QString::fromLatin1(magic)
                               << QString::fromLatin1(entry) << QString::fromLatin1(method)
                               << QString::fromLatin1(range);
        };
        // A fourth magic byte that names no method: "-".
        row("unknown", false, "a.txt.cry", "XXXX garbage", "a.txt", "-", "(6 - 24 symbols)");
        row("DES, ShowCry on", true, "c.cry", "KV97", "c.cry", "DES", "(6 - 8 symbols)");
        row("IDEA", false, "d.cry", "KV98", "d", "IDEA", "(6 - 16 symbols)");
        // The entry "b" stands for b.CRY: its method is read from there.
        row("upper-case extension", false, "b.CRY", "KV9C", "b", "3xDES", "(6 - 24 symbols)");
        row("no file", false, "other.cry", "KV97", "e", "-", "(6 - 24 symbols)");
    }

    void decryptionPromptReadsTheFilesMethod()
    {
        QFETCH(bool, showCry);
        QFETCH(QString, file);
        QFETCH(QString, magic);
        QFETCH(QString, entry);
        QFETCH(QString, method);
        QFETCH(QString, range);
        TKV_ScriptedInteraction ui;
        Window w(ui);
        w.win->ShowCry = showCry;
        WriteFile(w.dir.filePath(file), magic);
        w.win->DirCryptor->Files = {entry};
        ui.ExpectDecryptPrompt(entry, prSkip);
        QCOMPARE(w.win->PromptToDecrypt(entry), static_cast<int>(prSkip));
        QCOMPARE(ui.Prompts().at(0).MethodText, method);
        QCOMPARE(ui.Prompts().at(0).EnterText, QStringLiteral("Enter the password ") + range);
        // Whatever the method, the decryption prompt accepts up to 24 characters.
        QCOMPARE(ui.Prompts().at(0).MaxChars, 24);
        QVERIFY(!w.win->Pwd->Entered);
    }

    // ---- The master password dialog

    void masterDialogTexts()
    {
        TMasterPwd_Form form;
        QCOMPARE(form.windowTitle(), QStringLiteral("The Master password"));
        QCOMPARE(form.Heading_Label->text(),
                 QStringLiteral("Please enter the Master Password to access the database of file passwords."));
        QCOMPARE(form.Note_Label->text(), QStringLiteral("Note: case of characters is meaningful"));
        QVERIFY(form.Note_Label->font().italic());
        QCOMPARE(form.Enter_Label->text(), QStringLiteral("Enter the password ( 6 - 16 symbols )"));
        QCOMPARE(form.Reenter_Label->text(), QStringLiteral("Reenter the password for verification"));
        QCOMPARE(form.Submit_Button->text(), QStringLiteral("Submit"));
        QCOMPARE(form.SubmitLater_Button->text(), QStringLiteral("Do not use now"));
        QCOMPARE(form.NotUse_Button->text(), QStringLiteral("Do not use at all"));
    }

    void masterDialogMessagesThenInvalidThenAccepted()
    {
        QTemporaryDir dir;
        const std::string db = (dir.filePath(QStringLiteral("pwd.db"))).toStdString();
        {
            // A database under "rightpw1".
            NoUi none;
            TKV_PwdTable table(none);
            table.Master.Dir = db;
            table.Master.Store = true;
            table.Master.SetPassword("rightpw1");
            table.Master.Entered = true;
            TKV_Pwd file;
            file.SetPassword("filepass");
            QVERIFY(table.StorePassword("/x/a.txt", file));
        }
        TMasterPwd_Form form;
        Errors errors;
        form.ShowError = errors.Sink();
        FormUi formUi(form);
        TKV_PwdTable table(formUi);
        table.Master.Dir = db;
        table.Master.Store = true;
        const auto attempt = [&](const QString& first, const QString& second) {
            form.MaskEdit1->setText(first);
            form.MaskEdit2->setText(second);
            form.MaskEdit2->setFocus();
            QTest::mouseClick(form.Submit_Button, Qt::LeftButton);
        };
        WhileShown([&] {
            QVERIFY(QTest::qWaitForWindowActive(&form));
            // Enter in the first entry goes to the second.
            QVERIFY(form.MaskEdit1->hasFocus());
            QTest::keyClick(form.MaskEdit1, Qt::Key_Return);
            QVERIFY(form.MaskEdit2->hasFocus());
            attempt(QStringLiteral("abcde"), QStringLiteral("abcde"));
            attempt(QString(17, QLatin1Char('a')), QString(17, QLatin1Char('a')));
            attempt(QStringLiteral("abcdef"), QStringLiteral("abcdeg"));
            attempt(QStringLiteral("wrongpw1"), QStringLiteral("wrongpw1"));
            QVERIFY(form.isVisible());
            attempt(QStringLiteral("rightpw1"), QStringLiteral("rightpw1"));
        });
        QVERIFY(table.PromptForMasterPassword());
        QCOMPARE(errors.shown, QStringList({kTooFew, kTooMany, kMismatch, QStringLiteral("Invalid password.")}));
        QVERIFY(table.Master.Entered);
        QVERIFY(form.MaskEdit1->text().isEmpty());
    }

    void masterDialogNotNowAndNotAtAll()
    {
        TMasterPwd_Form form;
        FormUi formUi(form);
        TKV_PwdTable table(formUi);
        table.Master.Store = true;
        WhileShown([&] { QTest::keyClick(&form, Qt::Key_Escape); });
        QVERIFY(!table.PromptForMasterPassword());
        QVERIFY(table.Master.Store);
        WhileShown([&] { QTest::mouseClick(form.NotUse_Button, Qt::LeftButton); });
        QVERIFY(!table.PromptForMasterPassword());
        QVERIFY(!table.Master.Store);
    }

    void masterAtStartUpAndItsExpiry()
    {
        TKV_ScriptedInteraction ui;
        Window w(ui);
        TKV_MasterPass& master = w.win->PwdTable->Master;
        master.Store = true;
        master.Dir = w.dir.filePath(QStringLiteral("none.db")).toStdString();
        master.Expires = true;
        master.ExpTime = 1;
        w.win->ShowTIP = false;
        ui.ExpectMasterPassword(MasterPasswordAnswer::Submitted, QStringLiteral("master1"));
        w.win->FormActivate();
        QVERIFY(master.Entered);
        QVERIFY(w.win->MasterPwdExpire_Button->isEnabled());
        QVERIFY(w.win->MasterPwd_Timer.isActive());
        // The master password expires at the 60th tick.
        for (int tick = 0; tick < 59; ++tick)
            w.win->MasterPwd_TimerTimer();
        QVERIFY(!master.Expired);
        w.win->MasterPwd_TimerTimer();
        QVERIFY(master.Expired);
        QVERIFY(!w.win->MasterPwdExpire_Button->isEnabled());
        QVERIFY(!w.win->MasterPwd_Timer.isActive());
    }

    void masterWithoutTimeNeverExpires()
    {
        TKV_ScriptedInteraction ui;
        Window w(ui);
        TKV_MasterPass& master = w.win->PwdTable->Master;
        master.Store = true;
        master.Expires = true;
        master.ExpTime = 0;
        ui.ExpectMasterPassword(MasterPasswordAnswer::Submitted, QStringLiteral("master1"));
        w.win->PromptForMasterPassword();
        QVERIFY(w.win->MasterPwdExpire_Button->isEnabled());
        QVERIFY(!w.win->MasterPwd_Timer.isActive());
        w.win->MasterPwd_TimerTimer();
        QVERIFY(!master.Expired);
        w.win->MasterPwdExpire_ButtonClick();
        QVERIFY(master.Expired);
        QVERIFY(!w.win->MasterPwdExpire_Button->isEnabled());
    }

    void notAtAllSwitchesSavingOff()
    {
        TKV_ScriptedInteraction ui;
        Window w(ui);
        w.win->PwdTable->Master.Store = true;
        w.win->PrgState->SavePassword = true;
        ui.ExpectMasterPassword(MasterPasswordAnswer::NotAtAll);
        w.win->PromptForMasterPassword();
        QVERIFY(!w.win->PwdTable->Master.Store);
        QVERIFY(!w.win->PrgState->SavePassword);
        QVERIFY(!w.win->PwdTable->Master.Entered);
    }
};

QTEST_MAIN(PromptsTest)
#include "test_prompts.moc"
