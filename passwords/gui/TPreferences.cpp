// SPDX-License-Identifier: GPL-3.0-or-later
#include "TPreferences.h"

#include "PasswordDialogs.h"

#include <QCheckBox>
#include <QDir>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <algorithm>

int ExpiryMinutes(const QString& text)
{
    bool ok = false;
    const long long minutes = text.trimmed().toLongLong(&ok);
    if (!ok) return 0;
    return static_cast<int>(std::clamp<long long>(minutes, 0, TPreferences::kMaxMinutes));
}

QString DefaultDatabasePath()
{
#ifdef Q_OS_WIN
    return QStringLiteral("c:\\xwords.001");
#else
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/xwords.001");
#endif
}

TKV_MinutesSpinEdit::TKV_MinutesSpinEdit(const char* name, QWidget* parent) : QSpinBox(parent)
{
    setObjectName(QString::fromLatin1(name));
    setRange(0, TPreferences::kMaxMinutes);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

QValidator::State TKV_MinutesSpinEdit::validate(QString& input, int& pos) const
{
    (void)pos;
    // Any text may be typed; only leaving the field turns it into minutes.
    bool ok = false;
    const int minutes = input.toInt(&ok);
    return ok && minutes >= minimum() && minutes <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
}

void TKV_MinutesSpinEdit::fixup(QString& input) const
{
    input = QString::number(ExpiryMinutes(input));
}

int TKV_MinutesSpinEdit::valueFromText(const QString& text) const
{
    return ExpiryMinutes(text);
}

namespace {

QCheckBox* CheckBox(const char* name, const QString& text, QWidget* parent)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QRadioButton* RadioButton(const char* name, const char* text, QWidget* parent)
{
    auto* button = new QRadioButton(QString::fromLatin1(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QGroupBox* GroupBox(const char* name, const char* title, QWidget* parent)
{
    auto* box = new QGroupBox(QString::fromLatin1(title), parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

// "expires in" [minutes] "minutes" [never button], on a panel of its own that shows and hides as one.
QWidget* ExpiryPanel(const char* name, TKV_MinutesSpinEdit* spinEdit, QPushButton* never, QWidget* parent)
{
    auto* panel = new QWidget(parent);
    panel->setObjectName(QString::fromLatin1(name));
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(20, 0, 0, 0);
    row->addWidget(new QLabel(QStringLiteral("expires in"), panel));
    row->addWidget(spinEdit);
    row->addWidget(new QLabel(QStringLiteral("minutes"), panel));
    row->addWidget(never);
    row->addStretch();
    return panel;
}

void ShowPanel(QWidget* panel, bool on)
{
    panel->setVisible(on);
    panel->setEnabled(on);
}

} // namespace

TPreferences::TPreferences(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TPreferences"));
    setWindowTitle(QStringLiteral("Preferences"));
    setModal(true);

    Security_GroupBox = GroupBox("Security_GroupBox", "Security", this);
    OnePwd_CheckBox = CheckBox("OnePwd_CheckBox", QStringLiteral("One password for a session"), Security_GroupBox);
    ExpTime_SpinEdit = new TKV_MinutesSpinEdit("ExpTime_SpinEdit", Security_GroupBox);
    Never_Button = DialogButton("Never_Button", "Never expires", false, Security_GroupBox);
    ExpTime_Panel = ExpiryPanel("ExpTime_Panel", ExpTime_SpinEdit, Never_Button, Security_GroupBox);
    OnePerList_CheckBox =
        CheckBox("OnePerList_CheckBox", QStringLiteral("One password for a file list"), Security_GroupBox);
    auto* security = new QVBoxLayout(Security_GroupBox);
    security->addWidget(OnePwd_CheckBox);
    security->addWidget(ExpTime_Panel);
    security->addWidget(OnePerList_CheckBox);

    Method_GroupBox = GroupBox("Method_GroupBox", "Encrypt with", this);
    DES_RadioButton = RadioButton("DES_RadioButton", "DES", Method_GroupBox);
    IDEA_RadioButton = RadioButton("IDEA_RadioButton", "IDEA", Method_GroupBox);
    TDES_RadioButton = RadioButton("TDES_RadioButton", "Triple DES", Method_GroupBox);
    auto* method = new QVBoxLayout(Method_GroupBox);
    method->addWidget(DES_RadioButton);
    method->addWidget(IDEA_RadioButton);
    method->addWidget(TDES_RadioButton);

    Store_GroupBox = GroupBox("Store_GroupBox", "External passwords store", this);
    Store_CheckBox = CheckBox("Store_CheckBox", QStringLiteral("Store passwords on disk"), Store_GroupBox);
    Store_Panel = new QWidget(Store_GroupBox);
    Store_Panel->setObjectName(QStringLiteral("Store_Panel"));
    Path_Label = new QLabel(QStringLiteral("Path to key file:"), Store_Panel);
    Path_Edit = new QLineEdit(Store_Panel);
    Path_Edit->setObjectName(QStringLiteral("Path_Edit"));
    Path_Edit->setMinimumWidth(260);
    Path_Label->setBuddy(Path_Edit);
    Browse = DialogButton("Browse", "Set path...", false, Store_Panel);
    MasterPwdExpires_CheckBox =
        CheckBox("MasterPwdExpires_CheckBox", QStringLiteral("One master password for a session"), Store_Panel);
    MasterPwdExpTime_SpinEdit = new TKV_MinutesSpinEdit("MasterPwdExpTime_SpinEdit", Store_Panel);
    Button1 = DialogButton("Button1", "Never expires", false, Store_Panel);
    MasterExpTime_Panel = ExpiryPanel("MasterExpTime_Panel", MasterPwdExpTime_SpinEdit, Button1, Store_Panel);
    auto* storePanel = new QVBoxLayout(Store_Panel);
    storePanel->setContentsMargins(0, 0, 0, 0);
    storePanel->addWidget(Path_Label);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(Path_Edit);
    pathRow->addWidget(Browse);
    storePanel->addLayout(pathRow);
    storePanel->addWidget(MasterPwdExpires_CheckBox);
    storePanel->addWidget(MasterExpTime_Panel);
    auto* store = new QVBoxLayout(Store_GroupBox);
    store->addWidget(Store_CheckBox);
    store->addWidget(Store_Panel);

    Other_GroupBox = GroupBox("Other_GroupBox", "Other", this);
    ShowCry_CheckBox =
        CheckBox("ShowCry_CheckBox", QStringLiteral("Show \".cry\" extensions for crypted files"), Other_GroupBox);
    ShowTIP_CheckBox = CheckBox("ShowTIP_CheckBox", QStringLiteral("Show Tip window starting Kelvane"), Other_GroupBox);
    auto* other = new QVBoxLayout(Other_GroupBox);
    other->addWidget(ShowCry_CheckBox);
    other->addWidget(ShowTIP_CheckBox);

    Ok_Button = DialogButton("Ok_Button", "Ok", true, this);
    Button2 = DialogButton("Button2", "Cancel", false, this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Security_GroupBox);
    layout->addWidget(Method_GroupBox);
    layout->addWidget(Store_GroupBox);
    layout->addWidget(Other_GroupBox);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Ok_Button);
    buttons->addWidget(Button2);
    layout->addLayout(buttons);
    // A fixed border: the dialog is as large as its shown panels, no larger.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // Tab follows the dialog from top to bottom; of the three radio buttons only the checked one
    // takes the focus, the arrow keys move between them.
    TabInOrder({OnePwd_CheckBox, ExpTime_SpinEdit, Never_Button, OnePerList_CheckBox, DES_RadioButton, IDEA_RadioButton,
                TDES_RadioButton, Store_CheckBox, Path_Edit, Browse, MasterPwdExpires_CheckBox,
                MasterPwdExpTime_SpinEdit, Button1, ShowCry_CheckBox, ShowTIP_CheckBox, Ok_Button, Button2});

    // toggled rather than clicked: the panels follow the boxes also when the window loads them.
    for (QRadioButton* radio : {DES_RadioButton, IDEA_RadioButton, TDES_RadioButton})
        radio->installEventFilter(this);

    connect(OnePwd_CheckBox, &QCheckBox::toggled, this, &TPreferences::OnePwd_CheckBoxClick);
    connect(OnePerList_CheckBox, &QCheckBox::toggled, this, &TPreferences::OnePwd_CheckBoxClick);
    connect(Never_Button, &QPushButton::clicked, this, &TPreferences::Never_ButtonClick);
    connect(Button1, &QPushButton::clicked, this, &TPreferences::Button1Click);
    connect(Store_CheckBox, &QCheckBox::toggled, this, &TPreferences::Store_CheckBoxClick);
    connect(MasterPwdExpires_CheckBox, &QCheckBox::toggled, this, &TPreferences::MasterPwdExpires_CheckBoxClick);
    connect(Browse, &QPushButton::clicked, this, &TPreferences::BrowseClick);
    connect(Ok_Button, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] {
        if (ShowHelp) ShowHelp(kHelpContext);
    });

    OnePwd_CheckBoxClick();
    Store_CheckBoxClick();
    MasterPwdExpires_CheckBoxClick();
}

bool TPreferences::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        auto* radio = qobject_cast<QRadioButton*>(watched);
        if (radio != nullptr && !radio->isChecked() &&
            (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason)) {
            for (QRadioButton* other : {DES_RadioButton, IDEA_RadioButton, TDES_RadioButton}) {
                if (other->isChecked()) {
                    other->setFocus(reason);
                    break;
                }
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

int TPreferences::Minutes(const QSpinBox* spinEdit)
{
    return ExpiryMinutes(spinEdit->cleanText());
}

void TPreferences::OnePwd_CheckBoxClick()
{
    const bool session = OnePwd_CheckBox->isChecked();
    ShowPanel(ExpTime_Panel, session);
    if (session) OnePerList_CheckBox->setChecked(false);
    ShowPanel(OnePerList_CheckBox, !session);
}

void TPreferences::Never_ButtonClick()
{
    ExpTime_SpinEdit->setValue(0);
}

void TPreferences::Button1Click()
{
    MasterPwdExpTime_SpinEdit->setValue(0);
}

void TPreferences::Store_CheckBoxClick()
{
    ShowPanel(Store_Panel, Store_CheckBox->isChecked());
}

void TPreferences::MasterPwdExpires_CheckBoxClick()
{
    ShowPanel(MasterExpTime_Panel, MasterPwdExpires_CheckBox->isChecked());
}

void TPreferences::BrowseClick()
{
    if (!AskSavePath) return;
    const QString chosen = AskSavePath(Path_Edit->text(), QStringLiteral("key"));
    if (!chosen.isEmpty()) Path_Edit->setText(QDir::toNativeSeparators(chosen));
}
