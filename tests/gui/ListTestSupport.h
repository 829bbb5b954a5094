// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers of the list, main-window and progress tests: a scratch directory made the current one for
// the test's time, files written into it, and a window on the default settings that shows it.
#pragma once

#include "FileListModel.h"
#include "GuiTestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// The process's current directory moved to a fresh scratch directory, and back afterwards.
class TKV_ScratchDirectory
{
public:
    TKV_ScratchDirectory() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~TKV_ScratchDirectory() { QDir::setCurrent(previous_); }
    TKV_ScratchDirectory(const TKV_ScratchDirectory&) = delete;
    TKV_ScratchDirectory& operator=(const TKV_ScratchDirectory&) = delete;

    bool IsValid() const { return dir_.isValid(); }
    QString Path() const { return QDir(dir_.path()).canonicalPath(); }
    QString FilePath(const QString& name) const { return dir_.filePath(name); }

    // Writes `bytes` to `name`; with `time` > 0 the file's last write is set to that many seconds
    // since 1970.
    QString Write(const QString& name, const QByteArray& bytes, qint64 time = 0) const
    {
        const QString path = FilePath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            file.write(bytes);
            file.flush();
            if (time > 0)
                file.setFileTime(QDateTime::fromSecsSinceEpoch(time, Qt::UTC), QFileDevice::FileModificationTime);
        }
        return path;
    }

private:
    QString previous_;
    QTemporaryDir dir_;
};

// What the list and window tests start from: a scratch directory made the current one, a folder for
// the settings file, the scripted answers and, once Open is called, a window on them. Members are
// destroyed in reverse: the window first (it saves its settings), the scratch directory last.
struct TKV_ListFixture
{
    TKV_ScratchDirectory Scratch;
    QTemporaryDir Settings;
    TKV_ScriptedInteraction Ui;
    std::unique_ptr<TMainWin> Window;

    // The settings file the windows read and write.
    QString SettingsPath() const { return Settings.filePath(QStringLiteral("crypt file.ini")); }

    // A window on the default settings (ShowCry as given at the first opening, no tip); files and
    // directories the test needs before the window exists are written first. Opening again is a
    // restart: the window before closes and saves its settings, and the next one reads what it left.
    TMainWin* Open(bool showCry = false, TMainWinSetup* extra = nullptr)
    {
        const bool restart = Window != nullptr;
        Window.reset();
        if (!restart) {
            QString text = DefaultSettingsText();
            text = WithValue(text, QStringLiteral("Settings\\Options"), QStringLiteral("ShowTIP"), QStringLiteral("0"));
            text = WithValue(text, QStringLiteral("Settings\\Options"), QStringLiteral("ShowCry"),
                             showCry ? QStringLiteral("1") : QStringLiteral("0"));
            WriteFile(SettingsPath(), text);
        }
        TMainWinSetup setup = extra != nullptr ? *extra : TMainWinSetup{};
        setup.Interaction = &Ui;
        setup.OpenSettings = [path = SettingsPath()]() -> std::unique_ptr<TKV_SettingsAccess> {
            return std::make_unique<TKV_IniSettings>(path);
        };
        Window = std::make_unique<TMainWin>(std::move(setup));
        return Window.get();
    }
};

inline QStringList Captions(const TKV_FileListModel* model)
{
    return model->Captions();
}
