// SPDX-License-Identifier: GPL-3.0-or-later
// The About box: the program's name and version, and the system it runs on with its memory.
#pragma once

#include <QDialog>
#include <QString>

class QFrame;
class QLabel;
class QPushButton;

// The operating system's own name and version and the kernel's, as "Debian GNU/Linux 12 (bookworm),
// kernel 6.1.0-18-amd64".
QString OsVersionText();
// The physical memory in bytes; 0 when the system does not tell.
quint64 TotalPhysicalMemory();
// The memory in whole kilobytes as the box shows them: no leading zeros, no separators, and nothing at
// all for 0.
QString MemoryKbText(quint64 bytes);

class TAbout : public QDialog
{
    Q_OBJECT

public:
    explicit TAbout(QWidget* parent = nullptr);

    // The values after "OS version:" and "Total memory , Kb:".
    void SetSystem(const QString& osVersion, const QString& memoryKb);
    // On showing: the rule as wide as the longest line needs, the box around it, "Ok" centred below.
    void FormActivate();

    QWidget* Info_Panel = nullptr;
    QLabel* Program_Image = nullptr;
    QLabel* Title_Label = nullptr;
    QLabel* Version_Label = nullptr;
    QFrame* Rule_Bevel = nullptr;
    QLabel* OSCaption_Label = nullptr;
    QLabel* OSVersion_Label = nullptr;
    QLabel* MemoryCaption_Label = nullptr;
    QLabel* Memory_Label = nullptr;
    QPushButton* Ok_Button = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};
