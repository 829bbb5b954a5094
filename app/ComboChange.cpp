// SPDX-License-Identifier: GPL-3.0-or-later
#include "ComboChange.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>

TComboChange::TComboChange(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TComboChange"));
    setWindowTitle(QStringLiteral("Error!"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    NotReady_Label = new QLabel(QStringLiteral("Device is not ready. "), this);
    NotReady_Label->setObjectName(QStringLiteral("NotReady_Label"));
    QPalette palette = NotReady_Label->palette();
    palette.setColor(QPalette::WindowText, Qt::red);
    NotReady_Label->setPalette(palette);
    QFont bold = NotReady_Label->font();
    bold.setBold(true);
    NotReady_Label->setFont(bold);
    NotReady_Label->move(16, 14);
    NotReady_Label->adjustSize();

    Specify_Label = new QLabel(QStringLiteral("Please specify another"), this);
    Specify_Label->setObjectName(QStringLiteral("Specify_Label"));
    Specify_Label->move(16, 46);
    Specify_Label->adjustSize();

    DriveComboBox1 = new QComboBox(this);
    DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
    DriveComboBox1->setGeometry(160, 42, 150, 24);

    Ok_Button = new QPushButton(QStringLiteral("Ok"), this);
    Ok_Button->setObjectName(QStringLiteral("Ok_Button"));
    Ok_Button->setGeometry(120, 82, 75, 25);
    Ok_Button->setDefault(true);
    Ok_Button->setAutoDefault(true);
    connect(Ok_Button, &QPushButton::clicked, this, &TComboChange::Ok_ButtonClick);
    setTabOrder(DriveComboBox1, Ok_Button);
    FormShow();
}

void TComboChange::SetDrives(const QStringList& roots, std::function<bool(const QString&)> ready)
{
    DriveComboBox1->clear();
    for (const QString& root : roots)
        DriveComboBox1->addItem(QDir::toNativeSeparators(root), root);
    ready_ = std::move(ready);
    chosen_.clear();
}

void TComboChange::FormShow()
{
    const QRect caption = Specify_Label->geometry();
    DriveComboBox1->move(caption.x() + caption.width() + 30, DriveComboBox1->y());
    const int width = DriveComboBox1->x() + DriveComboBox1->width() + 45;
    const int height = Ok_Button->y() + Ok_Button->height() + 50;
    setFixedSize(width, height);
    Ok_Button->move((width - Ok_Button->width()) / 2, Ok_Button->y());
    if (DriveComboBox1->count() > 0) DriveComboBox1->setCurrentIndex(0);
}

void TComboChange::Ok_ButtonClick()
{
    const QString root = DriveComboBox1->currentData().toString();
    if (root.isEmpty() || !ready_ || !ready_(root)) return;
    chosen_ = root;
    accept();
}

void TComboChange::reject() {}

void TComboChange::showEvent(QShowEvent* event)
{
    FormShow();
    // Each showing starts on the selector, where the arrow keys pick a drive and Enter takes it.
    DriveComboBox1->setFocus();
    QDialog::showEvent(event);
}
