// SPDX-License-Identifier: GPL-3.0-or-later
#include "TTIP_Form.h"

#include "Icons.h"
#include "PasswordDialogs.h"

#include <QCheckBox>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextDocument>

#include <algorithm>

const TKV_Tip kTips[kTipCount] = {
    {20, "You can encrypt file with 7(!) different ways: double-clicking on it, drag n' dropping it, "
         "choosing respective command from context menu/main menu, pressing respective tool button, "
         "using command string and via command 'Encrypt all' from directories box context sensetive "
         "menu."},
    {20, "Status bars in the bottom of the main screen allow you see statistics about the last "
         "encrypted/decrypted file such as average crypting speed, time of crypting etc."},
    {20, "You can freely resize/move status bars in the bottom of the main screen. When you next time "
         "start Kelvane these settings will be restored."},
    {20, "You can change the way file lists look by choosing 'View' in the main menu, as well as "
         "changing appearence of the tool bar and status bars."},
    {20, "You can encrypt the contents of entire folders with subfolders, using 'Encrypt all' command "
         "in the context sensetive menu of the directory box."},
    {20, "You can re-order files in the file lists by pressing a respective caption above a file "
         "list. To use this feature you must select 'Details'in the 'View/File lists' part of the "
         "main menu."},
    {10, "As you make your passwords longer securiry of encryption grows."},
    {10, "Buttons placed onto the status bar at the bottom of the window indicate an ecryption "
         "method, choosen by default"},
    {10, "You can move between active controls in the main window by a 'TAB'-key. When you activate a "
         "file list the respective image above the list is highlighted."},
    {10, "If you attempt to exit the program before closing any open crypted files Kelvane prompts "
         "you to close the respective applications before allowing you to exit."},
    {60, "When you open a crypted file in it's respective application and then close the application, "
         "Kelvane will attempt to re-encrypt a file automatically."},
    {70, "Files from the non encrypted file list are physically deleted, when you choose the 'delete' "
         "command from a context-sensetive menu. The same happens when you encrypt a file. In this "
         "case the original file is wiped from the disk."},
    {50, "You can transfer files to Kelvane from an external environment. During the installation, "
         "Kelvane adds a reference to itself into the system's 'SendTo' folder. So you can, for "
         "example, within a Windows Explorer and by right-clicking on the file, choose SendTo/Kelvane "
         "95 IDEA.The file is then passed to Kelvane for either automatic encryption, or decryption."},
};

namespace {

constexpr int kWidth = 440;
constexpr int kMargin = 8;
// The group box's height at the least; it grows when the longest tip needs more in the user's font.
constexpr int kGroupHeight = 150;
constexpr int kMemoLeft = 52;
constexpr int kMemoTop = 22;
constexpr int kPanelHeight = 28;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 6;
// Room the text box's layout takes beyond the font's own line heights.
constexpr int kTextSlack = 4;

QPushButton* Button(const char* name, const char* text, QWidget* parent)
{
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->resize(kButtonWidth, kButtonHeight);
    return button;
}

} // namespace

TTIP_Form::TTIP_Form(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("TTIP_Form"));
    setWindowTitle(QStringLiteral("Tip of the day"));
    setModal(true);

    TIP_GroupBox = new QGroupBox(this);
    TIP_GroupBox->setObjectName(QStringLiteral("TIP_GroupBox"));
    TIP_Image = new QLabel(TIP_GroupBox);
    TIP_Image->setObjectName(QStringLiteral("TIP_Image"));
    TIP_Image->setPixmap(TipPixmap());
    TIP_Image->setGeometry(12, kMemoTop, 32, 32);
    TIP_Memo = new QPlainTextEdit(TIP_GroupBox);
    TIP_Memo->setObjectName(QStringLiteral("TIP_Memo"));
    TIP_Memo->move(kMemoLeft, kMemoTop);
    // Tab leaves the text for the controls below instead of being typed into it.
    TIP_Memo->setTabChangesFocus(true);

    Show_Panel = new QWidget(this);
    Show_Panel->setObjectName(QStringLiteral("Show_Panel"));
    Show_CheckBox = new QCheckBox(QStringLiteral("Show this window next time Kelvane is started"), Show_Panel);
    Show_CheckBox->setObjectName(QStringLiteral("Show_CheckBox"));
    Show_CheckBox->move(6, 4);
    Show_CheckBox->adjustSize();

    Ok_Button = Button("Ok_Button", "OK", this);
    Ok_Button->setDefault(true);
    Button3 = Button("Button3", "Next Tip", this);
    Button2 = Button("Button2", "More Info...", this);
    TabInOrder({TIP_Memo, Show_CheckBox, Ok_Button, Button3, Button2});

    connect(Ok_Button, &QPushButton::clicked, this, &TTIP_Form::Ok_ButtonClick);
    connect(Button3, &QPushButton::clicked, this, &TTIP_Form::Button3Click);
    connect(Button2, &QPushButton::clicked, this, &TTIP_Form::Button2Click);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, &TTIP_Form::Button2Click);
}

void TTIP_Form::FormActivate()
{
    const int memoWidth = kWidth - 75;
    // The tallest tip in the memo's font, with the memo's frame and margins around it.
    const QFontMetrics metrics(TIP_Memo->font());
    const int border = TIP_Memo->frameWidth() + static_cast<int>(TIP_Memo->document()->documentMargin());
    const int textWidth = memoWidth - 2 * border - kTextSlack;
    int textHeight = 0;
    for (const TKV_Tip& tip : kTips) {
        const QRect bounds =
            metrics.boundingRect(QRect(0, 0, textWidth, 10000), Qt::TextWordWrap, QString::fromUtf8(tip.Text));
        textHeight = std::max(textHeight, bounds.height());
    }
    const int groupHeight = std::max(kGroupHeight, textHeight + 2 * border + kTextSlack + 35);

    TIP_GroupBox->setGeometry(kMargin, kMargin, kWidth - 2 * kMargin, groupHeight);
    TIP_Memo->resize(memoWidth, groupHeight - 35);
    Show_Panel->setGeometry(kMargin, TIP_GroupBox->geometry().bottom() + 1 + 4, kWidth - 2 * kMargin, kPanelHeight);
    const int buttonTop = Show_Panel->geometry().bottom() + 1 + 6;
    int left = kWidth - kMargin - 3 * kButtonWidth - 2 * kButtonGap;
    for (QPushButton* button : {Ok_Button, Button3, Button2}) {
        button->move(left, buttonTop);
        left += kButtonWidth + kButtonGap;
    }
    setFixedSize(kWidth, Ok_Button->y() + Ok_Button->height() + 35);
    CentreOnScreen(*this);

    TIP_Memo->setReadOnly(true);
    Show_CheckBox->setChecked(ShowTIP);
    generator_.seed(static_cast<quint32>(QDateTime::currentMSecsSinceEpoch()));
    SetTIP();
    Ok_Button->setFocus();
}

int TTIP_Form::Draw(int bound)
{
    return Random ? Random(bound) : static_cast<int>(generator_.bounded(bound));
}

void TTIP_Form::SetTIP()
{
    int index = LastTip;
    while (index == LastTip || index < 0 || index >= kTipCount)
        index = Draw(kTipCount);
    LastTip = index;
    TIP_Memo->setPlainText(QString::fromUtf8(kTips[index].Text));
}

void TTIP_Form::Button3Click()
{
    SetTIP();
}

void TTIP_Form::Button2Click()
{
    if (ShowHelp) ShowHelp(kTips[LastTip].HelpContext);
}

void TTIP_Form::Ok_ButtonClick()
{
    ShowTIP = Show_CheckBox->isChecked();
    accept();
}

void TTIP_Form::reject()
{
    Ok_ButtonClick();
}

void TTIP_Form::showEvent(QShowEvent* event)
{
    FormActivate();
    QDialog::showEvent(event);
}
