// SPDX-License-Identifier: GPL-3.0-or-later
// Starting the user's own application for a file, the way the desktop would: the default
// application of the file's type for "open", the printing system for "print". The program keeps a
// real handle on what it started, so that it can tell when the application has ended.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QObject;
class QProcess;

struct TKV_Launch
{
    // The started child, parented to the `parent` given to Launch; null when nothing was started.
    // A child that ends at once may have handed the file to an instance already running.
    QProcess* Process = nullptr;
    // Why nothing was started, as the user reads it; empty on success.
    QString Error;
};

class TKV_AppLauncher
{
public:
    virtual ~TKV_AppLauncher() = default;
    // `verb` is "open" or "print"; `file` a full path.
    virtual TKV_Launch Launch(const QString& file, const QString& verb, QObject* parent) = 0;
};

// The freedesktop.org way: mimeapps.list and the desktop entries of the XDG data and config folders
// for "open", `lp` for "print" of the types the printing system takes. The XDG variables are read on
// every launch, so a changed association counts at once.
std::unique_ptr<TKV_AppLauncher> MakeDesktopLauncher();

// The program and arguments that a desktop entry's Exec value (as written in the file, string
// escapes included) runs for one file: quoting undone, field codes expanded (%f %F the path, %u %U
// its file:// URL, %i "--icon" and `icon`, %c `name`, %k `entryPath`, %% a percent sign; the
// deprecated ones dropped), the file appended when no field code takes it. Empty when the value is
// malformed (an open quote) or names no program.
QStringList ExpandDesktopExec(const QString& exec, const QString& file, const QString& name = QString(),
                              const QString& icon = QString(), const QString& entryPath = QString());

// The full path of the desktop entry that "open" starts for files of `mimeType`; empty when none.
QString DefaultDesktopEntry(const QString& mimeType);
