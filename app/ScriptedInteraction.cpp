// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedInteraction.h"

#include "TDelDialog.h"
#include "TKV_PwdTable.h"

#include <QDialog>
#include <QLabel>
#include <QUrl>
#include <QtTest/QTest>

TKV_ScriptedInteraction::~TKV_ScriptedInteraction()
{
    if (script_.isEmpty()) return;
    QStringList left;
    for (const Step& step : script_)
        left.append(KindName(step.Kind) + QStringLiteral(": ") + step.Text);
    const QByteArray message = "Scripted answers left unused: " + left.join(QStringLiteral(" | ")).toUtf8();
    QTest::qFail(message.constData(), __FILE__, __LINE__);
}

QString TKV_ScriptedInteraction::KindName(TKV_PromptKind kind)
{
    switch (kind) {
    case TKV_PromptKind::Error:
        return QStringLiteral("Error");
    case TKV_PromptKind::Info:
        return QStringLiteral("Info");
    case TKV_PromptKind::InfoOkCancel:
        return QStringLiteral("InfoOkCancel");
    case TKV_PromptKind::ConfirmOkCancel:
        return QStringLiteral("ConfirmOkCancel");
    case TKV_PromptKind::ConfirmYesNoCancel:
        return QStringLiteral("ConfirmYesNoCancel");
    case TKV_PromptKind::ErrorOkAll:
        return QStringLiteral("ErrorOkAll");
    case TKV_PromptKind::MasterPassword:
        return QStringLiteral("MasterPassword");
    case TKV_PromptKind::DatabaseError:
        return QStringLiteral("DatabaseError");
    case TKV_PromptKind::EncryptPrompt:
        return QStringLiteral("EncryptPrompt");
    case TKV_PromptKind::DecryptPrompt:
        return QStringLiteral("DecryptPrompt");
    case TKV_PromptKind::DelDialog:
        return QStringLiteral("DelDialog");
    case TKV_PromptKind::Dialog:
        return QStringLiteral("Dialog");
    case TKV_PromptKind::SaveFile:
        return QStringLiteral("SaveFile");
    case TKV_PromptKind::OpenUrl:
        return QStringLiteral("OpenUrl");
    }
    return QString();
}

void TKV_ScriptedInteraction::ExpectError(const QString& text)
{
    script_.append({TKV_PromptKind::Error, text, 0});
}

void TKV_ScriptedInteraction::ExpectInfo(const QString& text)
{
    script_.append({TKV_PromptKind::Info, text, 0});
}

void TKV_ScriptedInteraction::ExpectInfoOkCancel(const QString& text, bool ok)
{
    script_.append({TKV_PromptKind::InfoOkCancel, text, ok ? 1 : 0});
}

void TKV_ScriptedInteraction::ExpectConfirmOkCancel(const QString& text, bool ok)
{
    script_.append({TKV_PromptKind::ConfirmOkCancel, text, ok ? 1 : 0});
}

void TKV_ScriptedInteraction::ExpectConfirmYesNoCancel(const QString& text, TKV_YesNoCancel answer)
{
    script_.append({TKV_PromptKind::ConfirmYesNoCancel, text, static_cast<int>(answer)});
}

void TKV_ScriptedInteraction::ExpectErrorOkAll(const QString& text, bool all)
{
    script_.append({TKV_PromptKind::ErrorOkAll, text, all ? 1 : 0});
}

void TKV_ScriptedInteraction::ExpectMasterPassword(MasterPasswordAnswer answer, const QString& password)
{
    // The password rides in Text; the dialog's own text is fixed, so nothing else needs matching.
    script_.append({TKV_PromptKind::MasterPassword, password, static_cast<int>(answer)});
}

void TKV_ScriptedInteraction::ExpectDatabaseError(const QString& detail)
{
    script_.append({TKV_PromptKind::DatabaseError, detail, 0});
}

void TKV_ScriptedInteraction::ExpectEncryptPrompt(const QString& name, int result, const QString& password,
                                                  bool oneForList, bool savePassword)
{
    script_.append(
        {TKV_PromptKind::EncryptPrompt, name, result, {result, password.toUtf8(), oneForList, savePassword}});
}

void TKV_ScriptedInteraction::ExpectDecryptPrompt(const QString& name, int result, const QString& password,
                                                  bool oneForList)
{
    script_.append({TKV_PromptKind::DecryptPrompt, name, result, {result, password.toUtf8(), oneForList, false}});
}

void TKV_ScriptedInteraction::ExpectOpenUrl(const QUrl& url, bool handled)
{
    script_.append({TKV_PromptKind::OpenUrl, url.toString(), handled ? 1 : 0});
}

void TKV_ScriptedInteraction::ExpectDelDialog(const QString& label, TDelResult answer)
{
    script_.append({TKV_PromptKind::DelDialog, label, static_cast<int>(answer)});
}

void TKV_ScriptedInteraction::ExpectDialog(const QString& objectName, std::function<int(QDialog&)> act)
{
    Step step{TKV_PromptKind::Dialog, objectName, 0};
    step.Act = std::move(act);
    script_.append(std::move(step));
}

void TKV_ScriptedInteraction::ExpectSaveFile(const QString& initial, const QString& defaultSuffix,
                                             const QString& chosen)
{
    Step step{TKV_PromptKind::SaveFile, initial + QStringLiteral(" (.") + defaultSuffix + QLatin1Char(')'), 0};
    step.Reply = chosen;
    script_.append(std::move(step));
}

const TKV_ScriptedInteraction::Step* TKV_ScriptedInteraction::Take(TKV_PromptKind kind, const QString& text)
{
    asked_.append(KindName(kind) + QStringLiteral(": ") + text);
    const bool textMatters =
        kind != TKV_PromptKind::MasterPassword && !(kind == TKV_PromptKind::DatabaseError && !script_.isEmpty() &&
                                                    script_.front().Kind == kind && script_.front().Text.isNull());
    if (script_.isEmpty() || script_.front().Kind != kind || (textMatters && script_.front().Text != text)) {
        const QString expected = script_.isEmpty()
                                     ? QStringLiteral("nothing")
                                     : KindName(script_.front().Kind) + QStringLiteral(": ") + script_.front().Text;
        const QByteArray message = "Unexpected prompt " + asked_.back().toUtf8() + ", expected " + expected.toUtf8();
        QTest::qFail(message.constData(), __FILE__, __LINE__);
        return nullptr;
    }
    current_ = script_.takeFirst();
    return &current_;
}

void TKV_ScriptedInteraction::ErrorBox(const QString& text)
{
    Take(TKV_PromptKind::Error, text);
}

void TKV_ScriptedInteraction::InfoBox(const QString& text)
{
    Take(TKV_PromptKind::Info, text);
}

bool TKV_ScriptedInteraction::InfoOkCancel(const QString& text)
{
    const Step* step = Take(TKV_PromptKind::InfoOkCancel, text);
    return step != nullptr && step->Answer == 1;
}

bool TKV_ScriptedInteraction::ConfirmOkCancel(const QString& text)
{
    const Step* step = Take(TKV_PromptKind::ConfirmOkCancel, text);
    return step != nullptr && step->Answer == 1;
}

TKV_YesNoCancel TKV_ScriptedInteraction::ConfirmYesNoCancel(const QString& text)
{
    const Step* step = Take(TKV_PromptKind::ConfirmYesNoCancel, text);
    return step != nullptr ? static_cast<TKV_YesNoCancel>(step->Answer) : TKV_YesNoCancel::Cancel;
}

bool TKV_ScriptedInteraction::ErrorOkAll(const QString& text)
{
    const Step* step = Take(TKV_PromptKind::ErrorOkAll, text);
    return step != nullptr && step->Answer == 1;
}

int TKV_ScriptedInteraction::ExecDialog(QDialog& dialog)
{
    const Step* step = Take(TKV_PromptKind::Dialog, dialog.objectName());
    if (step == nullptr || !step->Act) return QDialog::Rejected;
    const std::function<int(QDialog&)> act = step->Act;
    dialog.setResult(0);
    dialog.show();
    const int result = act(dialog);
    dialog.hide();
    return result;
}

QString TKV_ScriptedInteraction::SaveFileName(const QString& initial, const QString& defaultSuffix)
{
    const Step* step =
        Take(TKV_PromptKind::SaveFile, initial + QStringLiteral(" (.") + defaultSuffix + QLatin1Char(')'));
    return step != nullptr ? step->Reply : QString();
}

MasterPasswordAnswer TKV_ScriptedInteraction::ShowMasterPasswordDialog(TKV_PwdTable& table)
{
    const Step* step = Take(TKV_PromptKind::MasterPassword, QString());
    if (step == nullptr) return MasterPasswordAnswer::NotNow;
    const auto answer = static_cast<MasterPasswordAnswer>(step->Answer);
    if (answer == MasterPasswordAnswer::Submitted && !step->Text.isEmpty())
        table.SubmitMasterPassword(step->Text.toStdString());
    return answer;
}

void TKV_ScriptedInteraction::ShowDatabaseError(const std::string& detail)
{
    Take(TKV_PromptKind::DatabaseError, QString::fromStdString(detail));
}

TDelResult TKV_ScriptedInteraction::ShowDelDialog(TDelDialog& dialog)
{
    const Step* step = Take(TKV_PromptKind::DelDialog, dialog.FName_Label->text());
    return step != nullptr ? static_cast<TDelResult>(step->Answer) : TDelResult::Cancel;
}

int TKV_ScriptedInteraction::PasswordPrompt(TPasswordPrompt& dialog, const TKV_PromptSetup& setup,
                                            TKV_PromptAnswer& answer)
{
    prompts_.append(setup);
    if (WhilePasswordPrompt) WhilePasswordPrompt();
    const Step* step =
        Take(dialog.IsEncryption() ? TKV_PromptKind::EncryptPrompt : TKV_PromptKind::DecryptPrompt, setup.Name);
    if (step == nullptr) {
        answer = TKV_PromptAnswer{};
        return prSkip;
    }
    answer = step->Prompt;
    // A box the dialog shows disabled cannot be ticked.
    answer.OneForList = answer.OneForList && setup.OneForListEnabled;
    answer.SavePassword = answer.SavePassword && setup.SaveEnabled;
    return answer.Result;
}

bool TKV_ScriptedInteraction::OpenUrl(const QUrl& url)
{
    const Step* step = Take(TKV_PromptKind::OpenUrl, url.toString());
    return step != nullptr && step->Answer == 1;
}
