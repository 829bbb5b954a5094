// SPDX-License-Identifier: GPL-3.0-or-later
// Shared helpers of the file workflow tests: a window whose lists show a temporary folder, files
// written and read back, and the captions and selection of a list.
#pragma once

#include "Forms.h"
#include "GuiTestSupport.h"
#include "StatusBar.h"
#include "TKV_DirCryptor.h"
#include "TKV_PrgState.h"
#include "TKV_Pwd.h"
#include "Wipe.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QPointer>
#include <QTimer>
#include <QTreeView>

#include <functional>
#include <memory>

#include <sys/stat.h>

// Makes `path` the process's current directory for the life of the guard: the lists show the current
// directory.
class TKV_CurrentDirectory
{
public:
    explicit TKV_CurrentDirectory(const QString& path) : previous_(QDir::currentPath()) { QDir::setCurrent(path); }
    ~TKV_CurrentDirectory() { QDir::setCurrent(previous_); }
    TKV_CurrentDirectory(const TKV_CurrentDirectory&) = delete;
    TKV_CurrentDirectory& operator=(const TKV_CurrentDirectory&) = delete;

private:
    QString previous_;
};

inline bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

inline QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// The permission bits as the file layer sees them, without following a link.
inline unsigned ModeOf(const QString& path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return 0xFFFFFFFFu;
    return st.st_mode & 07777u;
}

inline bool Exists(const QString& path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

// Names left in `dir` by a wipe that did not finish.
inline QStringList TildeNames(const QString& dir)
{
    QStringList names;
    for (const QString& name : QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (name.startsWith(QLatin1Char('~'))) names.append(name);
    return names;
}

inline QStringList Captions(const QAbstractItemView* view)
{
    QStringList captions;
    const QAbstractItemModel* model = view->model();
    for (int row = 0; row < model->rowCount(); ++row)
        captions.append(model->index(row, 0).data(Qt::DisplayRole).toString());
    return captions;
}

// Selects the entries with these captions, nothing else.
inline void Select(QAbstractItemView* view, const QStringList& captions)
{
    QItemSelectionModel* selection = view->selectionModel();
    selection->clearSelection();
    const QAbstractItemModel* model = view->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        if (captions.contains(model->index(row, 0).data(Qt::DisplayRole).toString()))
            selection->select(model->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

// Once a modal dialog runs, hands it to `act`. Looks again at every turn of the message loop until
// one does (the engine lets the loop turn while it works), so no timing is involved.
inline void WhenModal(QObject* context, std::function<void(QWidget*)> act)
{
    auto look = std::make_shared<std::function<void()>>();
    *look = [context, act, look] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            act(modal);
            *look = nullptr; // ends the cycle the lambda holds on itself
            return;
        }
        QTimer::singleShot(0, context, *look);
    };
    QTimer::singleShot(0, context, *look);
}

// While it lives, hands every modal window to `act` each time it is shown, once it runs. A modal
// window shown from inside `act` comes to `act` too, so a wrong step ends in a failed check rather
// than in a test waiting for a user.
class TKV_ModalAnswerer : public QObject
{
public:
    explicit TKV_ModalAnswerer(std::function<void(QWidget*)> act) : act_(std::move(act))
    {
        qApp->installEventFilter(this);
    }
    ~TKV_ModalAnswerer() override { qApp->removeEventFilter(this); }
    TKV_ModalAnswerer(const TKV_ModalAnswerer&) = delete;
    TKV_ModalAnswerer& operator=(const TKV_ModalAnswerer&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            if (widget->isWindow() && widget->isModal()) {
                QTimer::singleShot(0, this, [this, shown = QPointer<QWidget>(widget)] {
                    if (shown && shown->isVisible()) act_(shown);
                });
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void(QWidget*)> act_;
};

inline QString StatusText(const TMainWin& window)
{
    return window.StatusBar3->PanelText(0);
}

// One window over a temporary folder of its own. The folder is the current directory and the
// operation's directory; the engine holds `password`; the lists show the folder as it is when
// Reread() runs.
class TKV_WorkflowWindow
{
public:
    // `adjust` changes the setup (command line, launcher) and `settings` the settings text before the
    // window is made; the files the command line names must be written by `prepare`, which runs in
    // the window's folder first.
    explicit TKV_WorkflowWindow(TKV_ScriptedInteraction& ui, bool showCry = false,
                                const QString& password = QStringLiteral("secret"),
                                const std::function<void(TMainWinSetup&)>& adjust = {},
                                const std::function<QString(QString)>& settings = {},
                                const std::function<void()>& prepare = {})
        : here_(dir_.path())
    {
        if (prepare) prepare();
        QString text = DefaultSettingsText();
        if (settings) text = settings(text);
        text = WithValue(text, QStringLiteral("Settings\\Options"), QStringLiteral("ShowTIP"), QStringLiteral("0"));
        text = WithValue(text, QStringLiteral("Settings\\Options"), QStringLiteral("ShowCry"),
                         showCry ? QStringLiteral("1") : QStringLiteral("0"));
        settings_.reset(new QTemporaryDir);
        window = MakeWindow(
            ui, WriteFile(settings_->filePath(QStringLiteral("crypt file.ini")), text), {}, nullptr,
            [this](const std::string& path) { return Wipe ? Wipe(path) : WipeFile(path); }, adjust);
        CreateForms(*window);
        window->show();
        window->FormActivate();
        window->Pwd->SetPassword(password.toStdString());
        window->Pwd->Entered = true;
        window->DirCryptor->Directory = QDir::currentPath();
    }

    QString Path(const QString& name) const { return QDir::currentPath() + QLatin1Char('/') + name; }
    QString Directory() const { return QDir::currentPath(); }

    void Reread() { window->ReadFLists(); }

    QStringList Plain() const { return Captions(window->Source_ListView); }
    QStringList Crypted() const { return Captions(window->Crypted_ListView); }

    // Writes `name` as a container of `content` under the window's password, by the engine itself.
    bool WriteContainer(const QString& name, const QByteArray& content)
    {
        const QString plain = Path(name.left(name.size() - 4));
        if (!WriteBytes(plain, content)) return false;
        const bool ok = window->Pwd->EncryptFile(QFile::encodeName(plain).toStdString(), window->DefaultMethod) == 0;
        QFile::remove(plain);
        // The engine names it in lower case; other spellings of the extension are renamed to.
        const QString made = plain + QStringLiteral(".cry");
        return ok && (made == Path(name) || QFile::rename(made, Path(name)));
    }

    // Takes the place of the secure wipe while set.
    std::function<int(const std::string& path)> Wipe;

private:
    QTemporaryDir dir_;
    TKV_CurrentDirectory here_;
    std::unique_ptr<QTemporaryDir> settings_;

public:
    std::unique_ptr<TMainWin> window;
};

// A window that shows the real dialogs and message boxes, over a temporary folder of its own that
// is the current directory. Its dialogs are created; it is neither shown nor activated.
class TKV_RealDialogsWindow
{
public:
    TKV_RealDialogsWindow() : here_(dir_.path())
    {
        QString text = DefaultSettingsText();
        text = WithValue(text, QStringLiteral("Settings\\Options"), QStringLiteral("ShowTIP"), QStringLiteral("0"));
        const QString path = WriteFile(settings_.filePath(QStringLiteral("crypt file.ini")), text);
        TMainWinSetup setup;
        setup.OpenSettings = [path]() -> std::unique_ptr<TKV_SettingsAccess> {
            return std::make_unique<TKV_IniSettings>(path);
        };
        window = std::make_unique<TMainWin>(std::move(setup));
        CreateForms(*window);
    }

    // As the window names it: below the current directory.
    QString Path(const QString& name) const { return QDir::current().filePath(name); }

private:
    QTemporaryDir dir_;
    TKV_CurrentDirectory here_;
    QTemporaryDir settings_;

public:
    std::unique_ptr<TMainWin> window;
};
