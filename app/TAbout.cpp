// SPDX-License-Identifier: GPL-3.0-or-later
#include "TAbout.h"

#include "Icons.h"
#include "PasswordDialogs.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSysInfo>

#include <algorithm>

#if defined(Q_OS_WIN)
// std::max, not the header's macro.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#elif defined(Q_OS_LINUX)
#include <sys/sysinfo.h>
#else
#include <unistd.h>
#endif

QString OsVersionText()
{
    return QSysInfo::prettyProductName() + QStringLiteral(", kernel ") + QSysInfo::kernelVersion();
}

quint64 TotalPhysicalMemory()
{
#if defined(Q_OS_WIN)
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status)) return 0;
    return status.ullTotalPhys;
#elif defined(Q_OS_LINUX)
    struct sysinfo info
    {
    };
    if (sysinfo(&info) != 0) return 0;
    return static_cast<quint64>(info.totalram) * info.mem_unit;
#else
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return 0;
    return static_cast<quint64>(pages) * static_cast<quint64>(pageSize);
#endif
}

QString MemoryKbText(quint64 bytes)
{
    const quint64 kilobytes = bytes / 1024;
    return kilobytes == 0 ? QString() : QString::number(kilobytes);
}

namespace {

// Where the text lines start, right of the picture.
constexpr int kTextLeft = 88;
// The rule's width at the least, when every line is shorter.
constexpr int kRuleWidth = 240;
constexpr int kValueGap = 6;

QLabel* Label(const char* name, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

TAbout::TAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("TAbout"));
    setWindowTitle(QStringLiteral("About Kelvane 95"));
    setModal(true);

    Info_Panel = new QWidget(this);
    Info_Panel->setObjectName(QStringLiteral("Info_Panel"));
    Program_Image = Label("Program_Image", QString(), Info_Panel);
    Program_Image->setPixmap(AboutPixmap());
    Program_Image->setGeometry(12, 12, 64, 62);

    Title_Label = Label("Title_Label", QStringLiteral("Kelvane 95 IDEA"), Info_Panel);
    QFont title = Title_Label->font();
    title.setPointSizeF(title.pointSizeF() * 1.8);
    title.setBold(true);
    title.setItalic(true);
    Title_Label->setFont(title);
    Title_Label->move(kTextLeft, 12);
    Title_Label->adjustSize();

    Version_Label = Label("Version_Label", QStringLiteral("Version 2.0"), Info_Panel);
    Version_Label->move(kTextLeft, Title_Label->geometry().bottom() + 1 + 6);
    Version_Label->adjustSize();

    Rule_Bevel = new QFrame(Info_Panel);
    Rule_Bevel->setObjectName(QStringLiteral("Rule_Bevel"));
    Rule_Bevel->setFrameShape(QFrame::HLine);
    Rule_Bevel->setFrameShadow(QFrame::Sunken);
    const int ruleTop = std::max(Program_Image->geometry().bottom(), Version_Label->geometry().bottom()) + 1 + 6;
    Rule_Bevel->setGeometry(kTextLeft, ruleTop, kRuleWidth, 2);

    OSCaption_Label = Label("OSCaption_Label", QStringLiteral("OS version:"), Info_Panel);
    OSCaption_Label->move(kTextLeft, ruleTop + 12);
    OSCaption_Label->adjustSize();
    OSVersion_Label = Label("OSVersion_Label", QString(), Info_Panel);
    MemoryCaption_Label = Label("MemoryCaption_Label", QStringLiteral("Total memory , Kb:"), Info_Panel);
    MemoryCaption_Label->move(kTextLeft, OSCaption_Label->geometry().bottom() + 1 + 6);
    MemoryCaption_Label->adjustSize();
    Memory_Label = Label("Memory_Label", QString(), Info_Panel);

    Ok_Button = new QPushButton(QStringLiteral("Ok"), this);
    Ok_Button->setObjectName(QStringLiteral("Ok_Button"));
    Ok_Button->resize(75, 25);
    Ok_Button->setDefault(true);
    // Escape closes the box as "Ok" does: it is the cancel button as well.
    connect(Ok_Button, &QPushButton::clicked, this, &QDialog::accept);
    FormActivate();
}

void TAbout::SetSystem(const QString& osVersion, const QString& memoryKb)
{
    OSVersion_Label->setText(osVersion);
    Memory_Label->setText(memoryKb);
}

void TAbout::FormActivate()
{
    // Each value stands right of its caption; the rule reaches as far as the longest line.
    const int valueLeft =
        std::max(OSCaption_Label->geometry().right(), MemoryCaption_Label->geometry().right()) + 1 + kValueGap;
    OSVersion_Label->move(valueLeft, OSCaption_Label->y());
    OSVersion_Label->adjustSize();
    Memory_Label->move(valueLeft, MemoryCaption_Label->y());
    Memory_Label->adjustSize();
    int rightmost = kTextLeft + kRuleWidth;
    for (const QLabel* line : {Title_Label, Version_Label, OSVersion_Label, Memory_Label})
        rightmost = std::max(rightmost, line->geometry().right() + 1);
    Rule_Bevel->resize(rightmost - kTextLeft, Rule_Bevel->height());

    const int width = Rule_Bevel->width() + 107;
    const int panelHeight = MemoryCaption_Label->y() + 32;
    Info_Panel->setGeometry(0, 0, width, panelHeight);
    Ok_Button->move((width - Ok_Button->width()) / 2, panelHeight + 8);
    setFixedSize(width, Ok_Button->y() + Ok_Button->height() + 30);
    CentreOnScreen(*this);
    Ok_Button->setFocus();
}

void TAbout::showEvent(QShowEvent* event)
{
    FormActivate();
    QDialog::showEvent(event);
}
