// SPDX-License-Identifier: GPL-3.0-or-later
#include "TDelDialog.h"

TDelDialog::TDelDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TDelDialog"));
}
