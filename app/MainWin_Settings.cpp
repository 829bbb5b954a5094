// SPDX-License-Identifier: GPL-3.0-or-later
// TMainWin: the settings, read once at start-up and written once at exit.
#include "MainWin.h"

#include "CoolBar.h"
#include "Messages.h"
#include "StatusBar.h"
#include "TKV_PrgState.h"
#include "TKV_Pwd.h"
#include "TKV_PwdTable.h"

#include <QHeaderView>
#include <QTreeView>

#include <algorithm>
#include <array>

namespace {

constexpr int kBands = 4;

const std::array<const char*, 5> kSourceColumns = {"Name", "Size", "Date", "Attributes", "FileType"};
const std::array<const char*, 5> kCryptedColumns = {"Name", "Size", "Date", "Attributes", "EncryptedBy"};

QString Name(const char* name)
{
    return QString::fromLatin1(name);
}

QString ListKey(const char* list)
{
    return Name(kKeyListView) + QLatin1Char('\\') + Name(list);
}

// Band n counted from 1, as the keys count them.
QString BandKey(int n)
{
    return Name(kKeyCoolBands) + QLatin1Char('\\') + QString::number(n);
}

bool ReadColumns(TKV_SettingsAccess& reg, const QString& key, const std::array<const char*, 5>& names, QTreeView& list)
{
    if (!reg.OpenKey(key)) return false;
    for (int column = 0; column < static_cast<int>(names.size()); ++column) {
        qint32 width = 0;
        if (!reg.ReadInteger(Name(names[column]), width)) return false;
        list.header()->resizeSection(column, std::max(0, width));
    }
    return true;
}

bool WriteColumns(TKV_SettingsAccess& reg, const QString& key, const std::array<const char*, 5>& names,
                  const QTreeView& list)
{
    if (!reg.OpenKey(key)) return true;
    bool written = true;
    for (int column = 0; column < static_cast<int>(names.size()); ++column)
        written &= reg.WriteInteger(Name(names[column]), list.header()->sectionSize(column));
    return written;
}

} // namespace

QWidget* TMainWin::BandControlNamed(const QString& name) const
{
    // Only the four controls made for the bands: a band must not take another part of the window.
    for (QWidget* control : {static_cast<QWidget*>(StatusBar1), static_cast<QWidget*>(StatusBar2),
                             static_cast<QWidget*>(StatusBar3), Method_Panel}) {
        if (control->objectName().compare(name, Qt::CaseInsensitive) == 0) return control;
    }
    return nullptr;
}

void TMainWin::LoadSettings()
{
    Trace("LoadSettings");
    bool loaded = false;
    {
        const std::unique_ptr<TKV_SettingsAccess> reg = OpenSettings();
        loaded = LoadSettingsFrom(*settingsRun_.Reading(*reg));
    }
    if (!loaded) ui_->ErrorBox(Name(kNotInstalledMessage));
}

bool TMainWin::LoadSettingsFrom(TKV_SettingsAccess& reg)
{
    if (!ReadInterfaceSettings(reg)) return false;

    if (!reg.OpenKey(Name(kKeyDefaultIcon))) return false;
    HelpFile = HelpFileFromIcon(reg.ReadString(QString()));

    qint32 value = 0;
    if (!reg.OpenKey(Name(kKeyOptions))) return false;
    if (!reg.ReadInteger(QStringLiteral("OnePassword"), value)) return false;
    Pwd->OnePassword = SettingsFlag(value);
    if (!reg.ReadInteger(QStringLiteral("Expire"), value)) return false;
    Pwd->ExpTime = value;
    if (!reg.ReadInteger(QStringLiteral("OnePerList"), value)) return false;
    OnePerList = SettingsFlag(value);
    if (!reg.ReadInteger(QStringLiteral("ShowCry"), value)) return false;
    ShowCry = SettingsFlag(value);
    if (!reg.ReadInteger(QStringLiteral("ShowTIP"), value)) return false;
    ShowTIP = SettingsFlag(value);
    if (!reg.ReadInteger(QStringLiteral("Method"), value)) return false;
    DefaultMethod = value;

    TKV_MasterPass& master = PwdTable->Master;
    if (!reg.OpenKey(Name(kKeyMasterPass))) return false;
    if (!reg.ReadInteger(QStringLiteral("Store"), value)) return false;
    master.Store = SettingsFlag(value);
    master.Dir = reg.ReadString(QStringLiteral("Dir")).toStdString();
    if (!reg.ReadInteger(QStringLiteral("Expires"), value)) return false;
    master.Expires = SettingsFlag(value);
    if (!reg.ReadInteger(QStringLiteral("ExpTime"), value)) return false;
    master.ExpTime = value;
    return true;
}

bool TMainWin::ReadInterfaceSettings(TKV_SettingsAccess& reg)
{
    qint32 value = 0;
    if (!reg.OpenKey(Name(kKeyMainWin))) return false;
    if (!reg.ReadInteger(QStringLiteral("Width"), value)) return false;
    resize(std::max(1, value), height());
    if (!reg.ReadInteger(QStringLiteral("Height"), value)) return false;
    resize(width(), std::max(1, value));

    if (!ReadColumns(reg, ListKey("Source"), kSourceColumns, *Source_ListView)) return false;
    if (!ReadColumns(reg, ListKey("Crypted"), kCryptedColumns, *Crypted_ListView)) return false;

    for (int n = 1; n <= kBands; ++n) {
        if (!reg.OpenKey(BandKey(n))) return false;
        if (!reg.ReadInteger(QStringLiteral("Break"), value)) return false;
        Status_CoolBar->SetBandBreak(n - 1, SettingsFlag(value));
        if (!reg.ReadInteger(QStringLiteral("Width"), value)) return false;
        Status_CoolBar->SetBandWidth(n - 1, value);
        Status_CoolBar->SetBandControl(n - 1, BandControlNamed(reg.ReadString(QStringLiteral("Control"))));
    }
    return true;
}

void TMainWin::SaveSettings()
{
    Trace("SaveSettings");
    RestoreCommandLineSettings();
    bool saved = false;
    QString location;
    {
        const std::unique_ptr<TKV_SettingsAccess> reg = OpenSettings();
        saved = SaveSettingsTo(*settingsRun_.Writing(*reg));
        location = reg->Location();
    }
    if (!saved) ui_->ErrorBox(Name(kSettingsNotSavedMessage).arg(location));
}

void TMainWin::RememberStartupSettings()
{
    // The values as the exit would write them now: what changes after this is the user's doing.
    SaveSettingsTo(*settingsRun_.Remembering());
}

bool TMainWin::SaveSettingsTo(TKV_SettingsAccess& reg)
{
    // One value that cannot be written must not cost the others: each is tried.
    bool written = WriteInterfaceSettings(reg);

    if (reg.OpenKey(Name(kKeyOptions))) {
        written &= reg.WriteInteger(QStringLiteral("Expire"), Pwd->ExpTime);
        written &= reg.WriteInteger(QStringLiteral("OnePassword"), Pwd->OnePassword ? 1 : 0);
        written &= reg.WriteInteger(QStringLiteral("OnePerList"), OnePerList ? 1 : 0);
        written &= reg.WriteInteger(QStringLiteral("ShowCry"), ShowCry ? 1 : 0);
        written &= reg.WriteInteger(QStringLiteral("ShowTIP"), ShowTIP ? 1 : 0);
        written &= reg.WriteInteger(QStringLiteral("Method"), DefaultMethod);
    }

    const TKV_MasterPass& master = PwdTable->Master;
    if (reg.OpenKey(Name(kKeyMasterPass))) {
        written &= reg.WriteInteger(QStringLiteral("Store"), master.Store ? 1 : 0);
        written &= reg.WriteString(QStringLiteral("Dir"), QString::fromStdString(master.Dir));
        written &= reg.WriteInteger(QStringLiteral("Expires"), master.Expires ? 1 : 0);
        written &= reg.WriteInteger(QStringLiteral("ExpTime"), master.ExpTime);
    }
    const bool closed = reg.CloseKey();
    return written && closed;
}

bool TMainWin::WriteInterfaceSettings(TKV_SettingsAccess& reg)
{
    // A maximized window keeps the size it will come back to.
    const QSize size = isMaximized() || isFullScreen() ? normalGeometry().size() : this->size();
    bool written = true;
    if (reg.OpenKey(Name(kKeyMainWin))) {
        written &= reg.WriteInteger(QStringLiteral("Height"), size.height());
        written &= reg.WriteInteger(QStringLiteral("Width"), size.width());
    }
    written &= WriteColumns(reg, ListKey("Source"), kSourceColumns, *Source_ListView);
    written &= WriteColumns(reg, ListKey("Crypted"), kCryptedColumns, *Crypted_ListView);

    for (int n = 1; n <= kBands; ++n) {
        if (!reg.OpenKey(BandKey(n))) continue;
        const QWidget* control = Status_CoolBar->BandControl(n - 1);
        written &= reg.WriteInteger(QStringLiteral("Break"), Status_CoolBar->BandBreak(n - 1) ? 1 : 0);
        written &= reg.WriteInteger(QStringLiteral("Width"), Status_CoolBar->BandWidth(n - 1));
        written &= reg.WriteString(QStringLiteral("Control"), control != nullptr ? control->objectName() : QString());
    }
    return written;
}

void TMainWin::RememberCommandLineSettings()
{
    CommandLineSaved = {true, DefaultMethod, PwdTable->Master.Store};
}

void TMainWin::RestoreCommandLineSettings()
{
    if (!CommandLineSaved.Active) return;
    DefaultMethod = CommandLineSaved.DefaultMethod;
    PwdTable->Master.Store = CommandLineSaved.Store;
    CommandLineSaved.Active = false;
}
