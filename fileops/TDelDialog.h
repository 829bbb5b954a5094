// SPDX-License-Identifier: GPL-3.0-or-later
// The delete confirmation, created once at start-up and shown modally for every deletion.
#pragma once

#include <QDialog>

class TDelDialog : public QDialog
{
public:
    explicit TDelDialog(QWidget* parent = nullptr);
};
