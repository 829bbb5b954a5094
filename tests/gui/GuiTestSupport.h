// SPDX-License-Identifier: GPL-3.0-or-later
// Shared helpers of the window tests: settings files in a temporary folder, a store that records
// every call in order, and a window built on them.
#pragma once

#include "MainWin.h"
#include "ScriptedInteraction.h"
#include "SettingsStore.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>
#include <QtTest/QTest>

#include <functional>
#include <memory>

// The defaults the installation ships, as the build tree has them.
inline QString DefaultSettingsText()
{
    QFile file(QStringLiteral(KELVANE_DEFAULT_SETTINGS));
    if (!file.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(file.readAll());
}

// The address of "page.html#anchor", or of a page alone, among the help pages of the build tree, which
// the default settings name.
inline QUrl BuildTreeHelp(const QString& pageAndAnchor)
{
    const qsizetype hash = pageAndAnchor.indexOf(QLatin1Char('#'));
    QUrl url = QUrl::fromLocalFile(QStringLiteral(KELVANE_BUILD_HELP "/") + pageAndAnchor.left(hash));
    if (hash >= 0) url.setFragment(pageAndAnchor.mid(hash + 1));
    return url;
}

// Replaces the value of `name` in section `section` of INI text.
inline QString WithValue(QString text, const QString& section, const QString& name, const QString& value)
{
    const qsizetype start = text.indexOf(QLatin1Char('[') + section + QLatin1Char(']'));
    if (start < 0) return text;
    const QRegularExpression line(QStringLiteral("\\n") + QRegularExpression::escape(name) +
                                  QStringLiteral("=[^\\n]*"));
    const QRegularExpressionMatch match = line.match(text, start);
    if (!match.hasMatch()) return text;
    text.replace(match.capturedStart(), match.capturedLength(), QLatin1Char('\n') + name + QLatin1Char('=') + value);
    return text;
}

// Removes a whole section, header and values.
inline QString WithoutSection(QString text, const QString& section)
{
    const qsizetype start = text.indexOf(QLatin1Char('[') + section + QLatin1Char(']'));
    if (start < 0) return text;
    qsizetype end = text.indexOf(QStringLiteral("\n["), start);
    end = end < 0 ? text.size() : end + 1;
    text.remove(start, end - start);
    return text;
}

// Removes one value line.
inline QString WithoutValue(QString text, const QString& section, const QString& name)
{
    const qsizetype start = text.indexOf(QLatin1Char('[') + section + QLatin1Char(']'));
    if (start < 0) return text;
    const QRegularExpression line(QStringLiteral("\\n") + QRegularExpression::escape(name) +
                                  QStringLiteral("=[^\\n]*"));
    const QRegularExpressionMatch match = line.match(text, start);
    if (match.hasMatch()) text.remove(match.capturedStart(), match.capturedLength());
    return text;
}

inline QString WriteFile(const QString& path, const QString& text)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(text.toUtf8());
    return path;
}

inline QString ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The value of `name` in `section` of the file, as the program reads it.
inline QString StoredString(const QString& path, const QString& section, const QString& name)
{
    TKV_IniSettings settings(path);
    if (!settings.OpenKey(QStringLiteral("\\crypt file\\") + section)) return QStringLiteral("<no key>");
    return settings.ReadString(name);
}

inline qint32 StoredInteger(const QString& path, const QString& section, const QString& name)
{
    TKV_IniSettings settings(path);
    qint32 value = -12345;
    if (settings.OpenKey(QStringLiteral("\\crypt file\\") + section)) settings.ReadInteger(name, value);
    return value;
}

// Passes every call on to another store and writes it down, in order.
class TKV_RecordingSettings : public TKV_SettingsAccess
{
public:
    TKV_RecordingSettings(std::unique_ptr<TKV_SettingsAccess> inner, QStringList& log)
        : inner_(std::move(inner)), log_(log)
    {
    }

    bool OpenKey(const QString& key) override
    {
        log_.append(QStringLiteral("open ") + key);
        return inner_->OpenKey(key);
    }
    bool ReadInteger(const QString& name, qint32& value) override
    {
        log_.append(QStringLiteral("read ") + name);
        return inner_->ReadInteger(name, value);
    }
    QString ReadString(const QString& name) override
    {
        log_.append(QStringLiteral("read ") + (name.isEmpty() ? QStringLiteral("(default)") : name));
        return inner_->ReadString(name);
    }
    bool WriteInteger(const QString& name, qint32 value) override
    {
        log_.append(QStringLiteral("write ") + name);
        return inner_->WriteInteger(name, value);
    }
    bool WriteString(const QString& name, const QString& value) override
    {
        log_.append(QStringLiteral("write ") + name);
        return inner_->WriteString(name, value);
    }
    bool CloseKey() override
    {
        log_.append(QStringLiteral("close"));
        return inner_->CloseKey();
    }
    QString Location() const override { return inner_->Location(); }

private:
    std::unique_ptr<TKV_SettingsAccess> inner_;
    QStringList& log_;
};

// A window on the settings file `path`, answering through `ui`; `ui` must outlive it.
inline std::unique_ptr<TMainWin> MakeWindow(TKV_ScriptedInteraction& ui, const QString& path,
                                            std::function<void(const QString&)> trace = {},
                                            QStringList* settingsLog = nullptr,
                                            std::function<int(const std::string&)> wipe = {},
                                            const std::function<void(TMainWinSetup&)>& adjust = {})
{
    TMainWinSetup setup;
    setup.Interaction = &ui;
    setup.OpenSettings = [path, settingsLog]() -> std::unique_ptr<TKV_SettingsAccess> {
        auto file = std::make_unique<TKV_IniSettings>(path);
        if (settingsLog == nullptr) return file;
        return std::make_unique<TKV_RecordingSettings>(std::move(file), *settingsLog);
    };
    setup.Trace = std::move(trace);
    setup.WipeFile = std::move(wipe);
    if (adjust) adjust(setup);
    return std::make_unique<TMainWin>(std::move(setup));
}

// The item `item` of the window's menu `menu`, both by their texts ("&Help", "&Contents"), as the user
// finds them; null when there is none.
inline QAction* MenuItem(QMainWindow* window, const QString& menu, const QString& item)
{
    for (QAction* top : window->menuBar()->actions()) {
        if (top->text() != menu || top->menu() == nullptr) continue;
        for (QAction* action : top->menu()->actions())
            if (action->text() == item) return action;
    }
    return nullptr;
}

// The widget that has the keyboard focus, by object name ("<none>" without one, the class name when
// it has no name).
inline QString FocusName()
{
    const QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr) return QStringLiteral("<none>");
    return focus->objectName().isEmpty() ? QString::fromLatin1(focus->metaObject()->className()) : focus->objectName();
}

// A key as the user gives it: to whatever has the focus, or to `window` when nothing has.
inline void PressKey(QWidget* window, Qt::Key key)
{
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus != nullptr ? focus : window, key);
}

// Text typed as the user types it: into whatever has the focus, or to `window` when nothing has.
inline void TypeText(QWidget* window, const QString& text)
{
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClicks(focus != nullptr ? focus : window, text);
}

// Where the keyboard focus goes in `window`, which must be shown: the widget that has it once the
// window is active, then one more per Tab until it is back there (`maxTabs` Tabs at most).
inline QStringList TabWalk(QWidget* window, int maxTabs = 12)
{
    if (!QTest::qWaitForWindowActive(window)) return {QStringLiteral("<not active>")};
    const QWidget* start = QApplication::focusWidget();
    QStringList walked = {FocusName()};
    for (int tab = 0; tab < maxTabs && start != nullptr; ++tab) {
        PressKey(window, Qt::Key_Tab);
        walked.append(FocusName());
        if (QApplication::focusWidget() == start) break;
    }
    return walked;
}
