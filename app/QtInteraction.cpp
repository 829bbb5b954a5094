// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtInteraction.h"

#include "AppLauncher.h"

#include "Launch.h"
#include "PasswordMessages.h"
#include "TDelDialog.h"
#include "TMasterPwd_Form.h"
#include "TPasswordPrompt.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>

namespace {

QMessageBox::StandardButton Ask(QWidget* owner, QMessageBox::Icon icon, const QString& title, const QString& text,
                                QMessageBox::StandardButtons buttons, QMessageBox::StandardButton byDefault)
{
    QMessageBox box(icon, title, text, buttons, owner);
    box.setDefaultButton(byDefault);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace

QWidget* TKV_QtInteraction::Owner() const
{
    return owner_ && owner_->isVisible() ? owner_.data() : nullptr;
}

void TKV_QtInteraction::ErrorBox(const QString& text)
{
    Ask(Owner(), QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok, QMessageBox::Ok);
}

void TKV_QtInteraction::InfoBox(const QString& text)
{
    Ask(Owner(), QMessageBox::Information, QStringLiteral("Information"), text, QMessageBox::Ok, QMessageBox::Ok);
}

bool TKV_QtInteraction::InfoOkCancel(const QString& text)
{
    return Ask(Owner(), QMessageBox::Information, QStringLiteral("Information"), text,
               QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) == QMessageBox::Ok;
}

bool TKV_QtInteraction::ConfirmOkCancel(const QString& text)
{
    return Ask(Owner(), QMessageBox::Question, QStringLiteral("Confirm"), text, QMessageBox::Ok | QMessageBox::Cancel,
               QMessageBox::Ok) == QMessageBox::Ok;
}

TKV_YesNoCancel TKV_QtInteraction::ConfirmYesNoCancel(const QString& text)
{
    switch (Ask(Owner(), QMessageBox::Question, QStringLiteral("Confirm"), text,
                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes)) {
    case QMessageBox::Yes:
        return TKV_YesNoCancel::Yes;
    case QMessageBox::No:
        return TKV_YesNoCancel::No;
    default:
        return TKV_YesNoCancel::Cancel;
    }
}

bool TKV_QtInteraction::ErrorOkAll(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::NoButton, Owner());
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    QPushButton* all = box.addButton(QStringLiteral("All"), QMessageBox::YesRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
    return box.clickedButton() == all;
}

int TKV_QtInteraction::PasswordPrompt(TPasswordPrompt& dialog, const TKV_PromptSetup& setup, TKV_PromptAnswer& answer)
{
    dialog.Prepare(setup);
    return dialog.Run(answer);
}

TDelResult TKV_QtInteraction::ShowDelDialog(TDelDialog& dialog)
{
    return dialog.Execute();
}

int TKV_QtInteraction::ExecDialog(QDialog& dialog)
{
    return dialog.exec();
}

QString TKV_QtInteraction::SaveFileName(const QString& initial, const QString& defaultSuffix)
{
    QFileDialog dialog(Owner());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    if (!initial.isEmpty()) dialog.selectFile(initial);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().constFirst();
}

bool TKV_QtInteraction::OpenUrl(const QUrl& url)
{
    const QUrl address = AddressForLauncher(url, QStandardPaths::writableLocation(QStandardPaths::CacheLocation));
    if (!address.isLocalFile()) return QDesktopServices::openUrl(address);
    // A local page goes the way every file the program opens goes, so that "no application" is known
    // and told rather than lost in a launcher that starts and fails on its own. Nobody waits for it.
    const TKV_Launch launch = MakeDesktopLauncher()->Launch(address.toLocalFile(), QStringLiteral("open"), qApp);
    if (launch.Process == nullptr) return false;
    QObject::connect(launch.Process, &QProcess::finished, launch.Process, &QObject::deleteLater);
    return true;
}

MasterPasswordAnswer TKV_QtInteraction::ShowMasterPasswordDialog(TKV_PwdTable& table)
{
    // The window owns the one dialog; before the dialogs exist the database stays locked for this
    // request, exactly as after "Do not use now".
    auto* form = owner_ ? owner_->findChild<TMasterPwd_Form*>() : nullptr;
    if (form == nullptr) return MasterPasswordAnswer::NotNow;
    return form->Run(table);
}

namespace {

// The program's message, then where and why on a line of its own.
QString DatabaseErrorText(const std::string& detail)
{
    return QString::fromUtf8(kDatabaseErrorMessage) + QLatin1Char('\n') + QString::fromStdString(detail);
}

} // namespace

void TKV_QtInteraction::ShowDatabaseError(const std::string& detail)
{
    ErrorBox(DatabaseErrorText(detail));
}
