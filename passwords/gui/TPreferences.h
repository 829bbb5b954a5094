// SPDX-License-Identifier: GPL-3.0-or-later
// The Preferences dialog: the password policy, the default method, the password database and two
// display options. It only holds the controls and keeps them consistent while it is open; the main
// window loads the values into it and applies them when the user confirms with "Ok".
#pragma once

#include <QDialog>
#include <QSpinBox>
#include <QString>

#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Minutes until a password expires, as one of the dialog's spin edits takes them: 0 to 600, 0 for
// never. A text that is not a number reads as 0.
int ExpiryMinutes(const QString& text);

// Where the password database goes when no path is set: "c:\xwords.001" on Windows; elsewhere
// xwords.001 in the user's data folder, since a backslash name would be a file in whatever folder
// is current.
QString DefaultDatabasePath();

// A spin edit of whole minutes whose field takes any text; leaving it turns the text into minutes
// by ExpiryMinutes.
class TKV_MinutesSpinEdit : public QSpinBox
{
public:
    explicit TKV_MinutesSpinEdit(const char* name, QWidget* parent);

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    int valueFromText(const QString& text) const override;
};

class TPreferences : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kHelpContext = 80;
    static constexpr int kMaxMinutes = 600;

    explicit TPreferences(QWidget* parent = nullptr);

    // The save-file dialog of "Set path...": given the initial file name and the default extension,
    // the chosen path, empty when the user cancels. Unset: the button does nothing.
    std::function<QString(const QString& initial, const QString& defaultSuffix)> AskSavePath;
    // F1 asks for the dialog's help topic.
    std::function<void(int context)> ShowHelp;

    // The minutes a spin edit holds, its typed text included.
    static int Minutes(const QSpinBox* spinEdit);

    QGroupBox* Security_GroupBox = nullptr;
    QCheckBox* OnePwd_CheckBox = nullptr;
    QWidget* ExpTime_Panel = nullptr;
    TKV_MinutesSpinEdit* ExpTime_SpinEdit = nullptr;
    QPushButton* Never_Button = nullptr;
    QCheckBox* OnePerList_CheckBox = nullptr;

    QGroupBox* Method_GroupBox = nullptr;
    QRadioButton* DES_RadioButton = nullptr;
    QRadioButton* IDEA_RadioButton = nullptr;
    QRadioButton* TDES_RadioButton = nullptr;

    QGroupBox* Store_GroupBox = nullptr;
    QCheckBox* Store_CheckBox = nullptr;
    QWidget* Store_Panel = nullptr;
    QLabel* Path_Label = nullptr;
    QLineEdit* Path_Edit = nullptr;
    QPushButton* Browse = nullptr;
    QCheckBox* MasterPwdExpires_CheckBox = nullptr;
    QWidget* MasterExpTime_Panel = nullptr;
    TKV_MinutesSpinEdit* MasterPwdExpTime_SpinEdit = nullptr;
    QPushButton* Button1 = nullptr;

    QGroupBox* Other_GroupBox = nullptr;
    QCheckBox* ShowCry_CheckBox = nullptr;
    QCheckBox* ShowTIP_CheckBox = nullptr;

    QPushButton* Ok_Button = nullptr;
    QPushButton* Button2 = nullptr;

    // The panels follow their check boxes.
    void OnePwd_CheckBoxClick();
    void Never_ButtonClick();
    void Button1Click();
    void Store_CheckBoxClick();
    void MasterPwdExpires_CheckBoxClick();
    void BrowseClick();

protected:
    // Tab into the method group lands on the checked radio button, as the arrow keys then move on.
    bool eventFilter(QObject* watched, QEvent* event) override;
};
