// SPDX-License-Identifier: GPL-3.0-or-later
// What the master password dialog and the two password prompts build and do alike.
#pragma once

#include <QString>

#include <functional>
#include <initializer_list>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// A masked entry: "*" for every character.
QLineEdit* PasswordEntry(const char* name, QWidget* parent);
// A button of a dialog's button row. Only the default one answers Enter; the others never take it
// over when they get the focus.
QPushButton* DialogButton(const char* name, const char* text, bool byDefault, QWidget* parent);
// `label`, its font made italic.
QLabel* Italic(QLabel* label);
// Moves `dialog` so that, at its present size, it stands in the middle of its screen.
void CentreOnScreen(QWidget& dialog);
// A dialog's error box: through `sink` when the window routes it, else a plain error box over `owner`.
void ShowDialogError(QWidget* owner, const std::function<void(const QString&)>& sink, const QString& text);
// Enter in the first entry goes on to the second (when there is one): true when it moved the focus.
bool MoveToSecondEntry(QLineEdit* first, QLineEdit* second);
// Sets Tab to go through `widgets` in the order given, which is the order they stand in on the
// dialog; null ones (controls a dialog does not have) are left out. Hidden or disabled ones are passed
// over while they are.
void TabInOrder(std::initializer_list<QWidget*> widgets);
// Empties the entries; `second` may be null.
void EmptyEntries(QLineEdit* first, QLineEdit* second);
