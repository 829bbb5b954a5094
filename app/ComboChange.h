// SPDX-License-Identifier: GPL-3.0-or-later
// "Device is not ready": shown when the drive picked in the main window cannot be used, and closed
// only by "Ok" on a drive that can.
#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>

class QComboBox;
class QLabel;
class QPushButton;

class TComboChange : public QDialog
{
    Q_OBJECT

public:
    explicit TComboChange(QWidget* parent = nullptr);

    // The drives offered and the test of whether one can be used.
    void SetDrives(const QStringList& roots, std::function<bool(const QString&)> ready);
    // The drive "Ok" accepted.
    QString ChosenDrive() const { return chosen_; }

    // On showing: the selector 30 pixels right of its caption, the dialog sized around it and the
    // button, the button centred, the first drive shown.
    void FormShow();
    // Closes with OK when the drive shown can be used; otherwise the dialog stays.
    void Ok_ButtonClick();

    QLabel* NotReady_Label = nullptr;
    QLabel* Specify_Label = nullptr;
    QComboBox* DriveComboBox1 = nullptr;
    QPushButton* Ok_Button = nullptr;

public slots:
    // Neither Escape nor the window manager closes it: a drive must be chosen.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::function<bool(const QString&)> ready_;
    QString chosen_;
};
