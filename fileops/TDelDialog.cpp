// SPDX-License-Identifier: GPL-3.0-or-later
#include "TDelDialog.h"

#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace {

constexpr int kLeft = 16;
constexpr int kButtonTop = 64;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 8;
// Margins of the sizing rule, right of and below CancelAll_Button.
constexpr int kRightMargin = 35;
constexpr int kBottomMargin = 45;

QPushButton* Button(QWidget* parent, const char* name, const char* text, int index)
{
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(kLeft + index * (kButtonWidth + kButtonGap), kButtonTop, kButtonWidth, kButtonHeight);
    return button;
}

} // namespace

TDelDialog::TDelDialog(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("TDelDialog"));
    setWindowTitle(QStringLiteral("Please confirm this action"));
    setModal(true);

    Label1 = new QLabel(QStringLiteral("Are you sure to delete the file"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(kLeft, 12);
    Label1->adjustSize();

    FName_Label = new QLabel(this);
    FName_Label->setObjectName(QStringLiteral("FName_Label"));
    QFont bold = FName_Label->font();
    bold.setBold(true);
    FName_Label->setFont(bold);
    FName_Label->setTextFormat(Qt::PlainText);
    FName_Label->move(kLeft, 34);

    Button1 = Button(this, "Button1", "&Delete", 0);
    Button3 = Button(this, "Button3", "Delete &All", 1);
    Button2 = Button(this, "Button2", "&Cancel", 2);
    CancelAll_Button = Button(this, "CancelAll_Button", "Ca&ncel All", 3);
    Button1->setDefault(true);
    // The button row, left to right.
    setTabOrder(Button1, Button3);
    setTabOrder(Button3, Button2);
    setTabOrder(Button2, CancelAll_Button);

    connect(Button1, &QPushButton::clicked, this, [this] { done(static_cast<int>(TDelResult::Ok)); });
    connect(Button3, &QPushButton::clicked, this, [this] { done(static_cast<int>(TDelResult::All)); });
    connect(Button2, &QPushButton::clicked, this, [this] { done(static_cast<int>(TDelResult::Cancel)); });
    connect(CancelAll_Button, &QPushButton::clicked, this, [this] { done(static_cast<int>(TDelResult::Abort)); });
}

TDelResult TDelDialog::Execute()
{
    switch (exec()) {
    case static_cast<int>(TDelResult::Ok):
        return TDelResult::Ok;
    case static_cast<int>(TDelResult::All):
        return TDelResult::All;
    case static_cast<int>(TDelResult::Abort):
        return TDelResult::Abort;
    default:
        return TDelResult::Cancel;
    }
}

QSize TDelDialog::SizeForButtons() const
{
    const QRect button = CancelAll_Button->geometry();
    int width = button.left() + button.width() + kRightMargin;
    const int height = button.top() + button.height() + kBottomMargin;
    // A path cut off in a confirmation of deletion would hide which file goes; the dialog grows for
    // it, up to the screen's width.
    int needed = FName_Label->x() + FName_Label->sizeHint().width() + kLeft;
    if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen())
        needed = std::min(needed, screen->availableGeometry().width());
    width = std::max(width, needed);
    return {width, height};
}

void TDelDialog::showEvent(QShowEvent* event)
{
    const QSize size = SizeForButtons();
    setFixedSize(size);
    FName_Label->resize(size.width() - FName_Label->x() - kLeft, FName_Label->sizeHint().height());
    if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size);
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    // One dialog serves every deletion: a focus left on "Delete All" by an earlier answer would make
    // Enter delete a whole selection without asking.
    Button1->setFocus();
    QDialog::showEvent(event);
}
