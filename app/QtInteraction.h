// SPDX-License-Identifier: GPL-3.0-or-later
// The modal interaction of the running program: real message boxes over the main window.
#pragma once

#include "Interaction.h"

#include <QPointer>
#include <QWidget>

class TKV_QtInteraction : public TKV_Interaction
{
public:
    explicit TKV_QtInteraction(QWidget* owner) : owner_(owner) {}

    void ErrorBox(const QString& text) override;
    void InfoBox(const QString& text) override;
    bool InfoOkCancel(const QString& text) override;
    bool ConfirmOkCancel(const QString& text) override;
    TKV_YesNoCancel ConfirmYesNoCancel(const QString& text) override;
    bool ErrorOkAll(const QString& text) override;
    int ExecDialog(QDialog& dialog) override;
    QString SaveFileName(const QString& initial, const QString& defaultSuffix) override;
    TDelResult ShowDelDialog(TDelDialog& dialog) override;
    int PasswordPrompt(TPasswordPrompt& dialog, const TKV_PromptSetup& setup, TKV_PromptAnswer& answer) override;
    bool OpenUrl(const QUrl& url) override;

    MasterPasswordAnswer ShowMasterPasswordDialog(TKV_PwdTable& table) override;
    void ShowDatabaseError(const std::string& detail) override;

private:
    // Boxes are centred over the window while it is shown, and on the screen before that.
    QWidget* Owner() const;

    QPointer<QWidget> owner_;
};
