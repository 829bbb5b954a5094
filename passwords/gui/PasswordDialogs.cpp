// SPDX-License-Identifier: GPL-3.0-or-later
#include "PasswordDialogs.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

QLineEdit* PasswordEntry(const char* name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setEchoMode(QLineEdit::Password);
    edit->setMinimumWidth(220);
    return edit;
}

QPushButton* DialogButton(const char* name, const char* text, bool byDefault, QWidget* parent)
{
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    // Enter presses the focused button, and the default one from anywhere else: a user who tabbed to
    // a Cancel button and pressed Enter means Cancel.
    button->setAutoDefault(true);
    button->setDefault(byDefault);
    return button;
}

QLabel* Italic(QLabel* label)
{
    QFont font = label->font();
    font.setItalic(true);
    label->setFont(font);
    return label;
}

void CentreOnScreen(QWidget& dialog)
{
    const QScreen* screen = dialog.screen();
    if (screen == nullptr) return;
    QRect frame(QPoint(), dialog.size());
    frame.moveCenter(screen->availableGeometry().center());
    dialog.move(frame.topLeft());
}

void ShowDialogError(QWidget* owner, const std::function<void(const QString&)>& sink, const QString& text)
{
    if (sink) {
        sink(text);
        return;
    }
    QMessageBox::critical(owner, QStringLiteral("Error"), text);
}

bool MoveToSecondEntry(QLineEdit* first, QLineEdit* second)
{
    if (second == nullptr || !first->hasFocus()) return false;
    second->setFocus();
    return true;
}

void TabInOrder(std::initializer_list<QWidget*> widgets)
{
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (widget == nullptr) continue;
        if (previous != nullptr) QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

void EmptyEntries(QLineEdit* first, QLineEdit* second)
{
    first->clear();
    if (second != nullptr) second->clear();
}
