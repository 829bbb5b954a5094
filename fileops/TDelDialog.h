// SPDX-License-Identifier: GPL-3.0-or-later
// The delete confirmation, created once at start-up and shown modally for every deletion.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The four answers. Cancel is what closing the dialog with Esc gives, as QDialog rejects.
enum class TDelResult : int
{
    Cancel = QDialog::Rejected,
    Ok = QDialog::Accepted,
    All = 2,
    Abort = 3,
};

class TDelDialog : public QDialog
{
public:
    explicit TDelDialog(QWidget* parent = nullptr);

    // Shows the dialog modally and maps its result.
    TDelResult Execute();

    QLabel* Label1 = nullptr;
    // The full path followed by "?"; the caller sets it before each Execute.
    QLabel* FName_Label = nullptr;
    QPushButton* Button1 = nullptr;          // "&Delete"
    QPushButton* Button3 = nullptr;          // "Delete &All"
    QPushButton* Button2 = nullptr;          // "&Cancel"
    QPushButton* CancelAll_Button = nullptr; // "Ca&ncel All"

    // The size the dialog takes on activation: to the right and below CancelAll_Button with fixed
    // margins, wider only when the path would otherwise be cut off.
    QSize SizeForButtons() const;

protected:
    void showEvent(QShowEvent* event) override;
};
