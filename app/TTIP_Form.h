// SPDX-License-Identifier: GPL-3.0-or-later
// The tip of the day: one of thirteen short tips, each with the help topic that says more. Shown at
// start-up while "ShowTIP" is on and from Help > Tips; a random tip each time, never the one before.
#pragma once

#include <QDialog>
#include <QRandomGenerator>

#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

struct TKV_Tip
{
    int HelpContext;
    const char* Text;
};

inline constexpr int kTipCount = 13;
// The tips as the window shows them, with their help contexts. The spelling is the program's own.
extern const TKV_Tip kTips[kTipCount];

class TTIP_Form : public QDialog
{
    Q_OBJECT

public:
    explicit TTIP_Form(QWidget* parent = nullptr);

    // The setting as the check box starts on showing and as "OK" leaves it.
    bool ShowTIP = false;
    // The tip shown last, 0 before the first; kept while the program runs, so the first tip is never 0.
    int LastTip = 0;
    // A number in 0..bound-1; null: a generator seeded from the clock at each showing.
    std::function<int(int bound)> Random;
    // "More Info..." asks for the help about a context.
    std::function<void(int context)> ShowHelp;

    // On showing: the sizes, the check box from ShowTIP, the generator seeded, a new tip.
    void FormActivate();
    // A random tip other than the last one.
    void SetTIP();
    // "Next Tip".
    void Button3Click();
    // "More Info...": the help about the tip shown; the window stays.
    void Button2Click();
    // "OK": ShowTIP from the check box, and the window closes.
    void Ok_ButtonClick();

    QGroupBox* TIP_GroupBox = nullptr;
    QLabel* TIP_Image = nullptr;
    QPlainTextEdit* TIP_Memo = nullptr;
    QWidget* Show_Panel = nullptr;
    QCheckBox* Show_CheckBox = nullptr;
    QPushButton* Ok_Button = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button2 = nullptr;

public slots:
    // The window has no cancel button: Escape and the window manager leave it as "OK" does.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    int Draw(int bound);

    QRandomGenerator generator_;
};
