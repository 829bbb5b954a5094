// SPDX-License-Identifier: GPL-3.0-or-later
// Where the settings live. Keys and value names are those of the Windows registry below
// "\crypt file"; on Linux they are sections and names of the INI file "crypt file.ini", on Windows
// the registry itself. The store never creates a key: the installation does.
#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

inline constexpr char kSettingsRootKey[] = "\\crypt file";
inline constexpr char kKeyMainWin[] = "\\crypt file\\Settings\\MainWin";
inline constexpr char kKeyListView[] = "\\crypt file\\Settings\\ListView";
inline constexpr char kKeyCoolBands[] = "\\crypt file\\Settings\\CoolBands";
inline constexpr char kKeyDefaultIcon[] = "\\crypt file\\DefaultIcon";
inline constexpr char kKeyOptions[] = "\\crypt file\\Settings\\Options";
inline constexpr char kKeyMasterPass[] = "\\crypt file\\Settings\\MasterPass";

inline constexpr char kSettingsFileName[] = "crypt file.ini";
inline constexpr char kSettingsEnvironment[] = "KELVANE_SETTINGS";

// One session with the store, in the manner of a registry accessor: open a key, read or write its
// values, open the next one, close at the end.
class TKV_SettingsAccess
{
public:
    virtual ~TKV_SettingsAccess() = default;

    // Makes an existing key current. False, and no key current, when it does not exist. `key` is
    // absolute, for example "\crypt file\Settings\Options".
    virtual bool OpenKey(const QString& key) = 0;
    // False when the value is missing or does not hold an integer.
    virtual bool ReadInteger(const QString& name, qint32& value) = 0;
    // A missing value reads as the empty string. The empty name is the key's default value.
    virtual QString ReadString(const QString& name) = 0;
    // False when nothing could be written (no key current, or a value the store cannot hold).
    virtual bool WriteInteger(const QString& name, qint32 value) = 0;
    virtual bool WriteString(const QString& name, const QString& value) = 0;
    // Ends the session; what was written reaches the store here. False when it could not.
    virtual bool CloseKey() = 0;
    // The file or registry key, for messages.
    virtual QString Location() const = 0;
};

// Settings in an INI file: one section per key, named by its path below "\crypt file"
// ("[Settings\Options]"), "name=value" lines, "@" for a key's default value. Key and value names
// match without regard to letter case, as in the registry. Blanks around a value are not part of
// it; a value in double quotes is the text between them, and is text, never an integer: that is how
// a value with blanks at its ends is kept. A value with a line break or a NUL cannot be written.
// Lines the store does not understand, comments among them, are kept as they are. Writing replaces
// the whole file at CloseKey, through a temporary file renamed over it, so a failed write leaves the
// old file whole. A file that does not exist has no keys, and CloseKey then creates nothing.
class TKV_IniSettings : public TKV_SettingsAccess
{
public:
    explicit TKV_IniSettings(QString fileName);

    bool OpenKey(const QString& key) override;
    bool ReadInteger(const QString& name, qint32& value) override;
    QString ReadString(const QString& name) override;
    bool WriteInteger(const QString& name, qint32 value) override;
    bool WriteString(const QString& name, const QString& value) override;
    bool CloseKey() override;
    QString Location() const override { return fileName_; }

private:
    struct Line
    {
        QString Text;    // as read, or as written for a changed value
        QString Section; // set on a section header
        QString Name;    // set on a value line
        QString Value;   // without the quotes it may stand in
        bool Quoted;     // it stood in double quotes: text, never an integer
    };

    int FindValue(const QString& name) const;
    bool Write(const QString& name, const QString& value);

    QString fileName_;
    QList<Line> lines_;
    int section_ = -1; // header line of the current key
    bool changed_ = false;
};

// What one run did with the stored values. At exit a value is written only when the run read it at
// start-up or has changed it since: a value the loading never reached (it stopped at a damaged one)
// keeps what the store holds, instead of being overwritten by the value from before loading.
class TKV_SettingsRun
{
public:
    // Passes every call on to `reg` and counts each value that could be read: an integer that was
    // there, a string of a key that exists.
    std::unique_ptr<TKV_SettingsAccess> Reading(TKV_SettingsAccess& reg);
    // A store of its own that keeps nothing but the values written to it, as the values of the run
    // to compare with at exit. Every key opens.
    std::unique_ptr<TKV_SettingsAccess> Remembering();
    // Passes every call on to `reg`, except that a value neither read nor changed since it was
    // remembered is not written (and counts as written).
    std::unique_ptr<TKV_SettingsAccess> Writing(TKV_SettingsAccess& reg);

    void MarkRead(const QString& key, const QString& name);
    void Remember(const QString& key, const QString& name, const QVariant& value);
    bool WasRead(const QString& key, const QString& name) const;
    // True too for a value that was never remembered.
    bool Changed(const QString& key, const QString& name, const QVariant& value) const;

private:
    static QString Id(const QString& key, const QString& name);

    QSet<QString> read_;
    QHash<QString, QVariant> remembered_;
};

#ifdef Q_OS_WIN
// The registry under HKEY_CLASSES_ROOT\crypt file, through QSettings' native format.
std::unique_ptr<TKV_SettingsAccess> OpenRegistrySettings();
#endif

// Lowest byte only, non-zero is on: how the stored flags have always been read.
constexpr bool SettingsFlag(qint32 value) noexcept
{
    return (value & 0xFF) != 0;
}

// The help's first page beside the icon that "DefaultIcon" names: the directory part of `iconLocation`
// (up to and including its last separator) followed by help/index.html.
QString HelpFileFromIcon(const QString& iconLocation);

// Which settings file to use. `named` (the KELVANE_SETTINGS variable) wins and is used as it is.
// Otherwise the user's file; when it does not exist yet, the first of `installedDefaults` that exists
// is copied to it (the per-user part of the installation). When the copy cannot be made the installed
// defaults are read directly. With nothing found, the user's file name comes back; it does not exist
// and the caller reports the installation as incomplete.
QString ResolveSettingsFile(const QString& named, const QString& userFile, const QStringList& installedDefaults);

// Where the program looks for the defaults that the installation ships: beside the program
// (../share/kelvane, which also serves the build tree), then the system's data folders.
QStringList InstalledDefaultsCandidates();

// The user's settings file in the user's configuration folder.
QString UserSettingsFile();

// The store the program uses: the file KELVANE_SETTINGS names, else the registry on Windows, else
// the user's INI file.
std::unique_ptr<TKV_SettingsAccess> OpenSettingsStore();
