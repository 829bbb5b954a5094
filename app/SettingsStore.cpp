// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <limits>

namespace {

// The INI spelling of a registry key's unnamed default value, as in .reg files.
const QString kDefaultValueName = QStringLiteral("@");

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The section of `key`: its path below "\crypt file". Null for a key outside that root.
QString SectionOf(const QString& key)
{
    const QString root = QString::fromLatin1(kSettingsRootKey) + QLatin1Char('\\');
    if (!key.startsWith(root, Qt::CaseInsensitive)) return QString();
    return key.mid(root.size());
}

bool IsQuoted(const QString& text)
{
    return text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"'));
}

// Reading trims a value's line, so a value with blanks at either end is written in double quotes,
// and so is one that is itself in quotes, so that each reads back as it was written.
bool NeedsQuotes(const QString& value)
{
    return value != value.trimmed() || IsQuoted(value);
}

} // namespace

TKV_IniSettings::TKV_IniSettings(QString fileName) : fileName_(std::move(fileName))
{
    QFile file(fileName_);
    if (!file.open(QIODevice::ReadOnly)) return;
    QString content = QString::fromUtf8(file.readAll());
    if (content.startsWith(QChar(0xFEFF))) content.remove(0, 1);
    QStringList texts = content.split(QLatin1Char('\n'));
    if (!texts.isEmpty() && texts.back().isEmpty()) texts.removeLast();
    for (QString& text : texts) {
        if (text.endsWith(QLatin1Char('\r'))) text.chop(1);
        Line line{text, QString(), QString(), QString(), false};
        const QString trimmed = text.trimmed();
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']')) && trimmed.size() > 2) {
            line.Section = trimmed.mid(1, trimmed.size() - 2).trimmed();
        } else if (!trimmed.startsWith(QLatin1Char(';')) && !trimmed.startsWith(QLatin1Char('#'))) {
            const qsizetype equals = trimmed.indexOf(QLatin1Char('='));
            if (equals > 0) {
                line.Name = trimmed.left(equals).trimmed();
                const QString value = trimmed.mid(equals + 1).trimmed();
                line.Quoted = IsQuoted(value);
                line.Value = line.Quoted ? value.mid(1, value.size() - 2) : value;
            }
        }
        lines_.append(line);
    }
}

bool TKV_IniSettings::OpenKey(const QString& key)
{
    section_ = -1;
    const QString section = SectionOf(key);
    if (section.isEmpty()) return false;
    for (int i = 0; i < lines_.size(); ++i) {
        if (SameName(lines_[i].Section, section)) {
            section_ = i;
            return true;
        }
    }
    return false;
}

int TKV_IniSettings::FindValue(const QString& name) const
{
    if (section_ < 0) return -1;
    const QString wanted = name.isEmpty() ? kDefaultValueName : name;
    for (int i = section_ + 1; i < lines_.size() && lines_[i].Section.isEmpty(); ++i) {
        if (!lines_[i].Name.isEmpty() && SameName(lines_[i].Name, wanted)) return i;
    }
    return -1;
}

bool TKV_IniSettings::ReadInteger(const QString& name, qint32& value)
{
    const int index = FindValue(name);
    // A value in quotes is text, as a string value in the registry is never a double word.
    if (index < 0 || lines_[index].Quoted) return false;
    bool ok = false;
    const qlonglong number = lines_[index].Value.toLongLong(&ok, 10);
    // A registry double word holds 0..4294967295; the program reads it as a signed 32-bit integer.
    if (!ok || number < std::numeric_limits<qint32>::min() || number > std::numeric_limits<quint32>::max())
        return false;
    value = static_cast<qint32>(static_cast<quint32>(number));
    return true;
}

QString TKV_IniSettings::ReadString(const QString& name)
{
    const int index = FindValue(name);
    return index < 0 ? QString() : lines_[index].Value;
}

bool TKV_IniSettings::WriteInteger(const QString& name, qint32 value)
{
    return Write(name, QString::number(value));
}

bool TKV_IniSettings::WriteString(const QString& name, const QString& value)
{
    return Write(name, value);
}

bool TKV_IniSettings::Write(const QString& name, const QString& value)
{
    if (section_ < 0) return false;
    // One line per value: a line break would split the value, and a NUL would end it early.
    if (value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')) || value.contains(QChar(0)))
        return false;
    const QString valueName = name.isEmpty() ? kDefaultValueName : name;
    const bool quoted = NeedsQuotes(value);
    const QString text = quoted ? QLatin1Char('"') + value + QLatin1Char('"') : value;
    int index = FindValue(name);
    if (index >= 0) {
        Line& line = lines_[index];
        if (line.Value == value && line.Quoted == quoted) return true;
        line.Value = value;
        line.Quoted = quoted;
        line.Text = line.Name + QLatin1Char('=') + text;
    } else {
        // A new value goes after the last non-blank line of its key.
        int after = section_;
        for (int i = section_ + 1; i < lines_.size() && lines_[i].Section.isEmpty(); ++i) {
            if (!lines_[i].Text.trimmed().isEmpty()) after = i;
        }
        lines_.insert(after + 1, Line{valueName + QLatin1Char('=') + text, QString(), valueName, value, quoted});
        // Later section headers moved down by one; the current one did not.
    }
    changed_ = true;
    return true;
}

bool TKV_IniSettings::CloseKey()
{
    section_ = -1;
    if (!changed_) return true;
    QSaveFile file(fileName_);
    if (!file.open(QIODevice::WriteOnly)) return false;
    QByteArray content;
    for (const Line& line : lines_)
        content += line.Text.toUtf8() + '\n';
    if (file.write(content) != content.size()) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) return false;
    changed_ = false;
    return true;
}

namespace {

class TKV_ReadingSettings : public TKV_SettingsAccess
{
public:
    TKV_ReadingSettings(TKV_SettingsAccess& inner, TKV_SettingsRun& run) : inner_(inner), run_(run) {}

    bool OpenKey(const QString& key) override
    {
        key_ = inner_.OpenKey(key) ? key : QString();
        return !key_.isEmpty();
    }
    bool ReadInteger(const QString& name, qint32& value) override
    {
        if (!inner_.ReadInteger(name, value)) return false;
        run_.MarkRead(key_, name);
        return true;
    }
    QString ReadString(const QString& name) override
    {
        QString value = inner_.ReadString(name);
        if (!key_.isEmpty()) run_.MarkRead(key_, name);
        return value;
    }
    bool WriteInteger(const QString& name, qint32 value) override { return inner_.WriteInteger(name, value); }
    bool WriteString(const QString& name, const QString& value) override { return inner_.WriteString(name, value); }
    bool CloseKey() override { return inner_.CloseKey(); }
    QString Location() const override { return inner_.Location(); }

private:
    TKV_SettingsAccess& inner_;
    TKV_SettingsRun& run_;
    QString key_;
};

class TKV_RememberingSettings : public TKV_SettingsAccess
{
public:
    explicit TKV_RememberingSettings(TKV_SettingsRun& run) : run_(run) {}

    bool OpenKey(const QString& key) override
    {
        key_ = key;
        return true;
    }
    bool ReadInteger(const QString&, qint32&) override { return false; }
    QString ReadString(const QString&) override { return QString(); }
    bool WriteInteger(const QString& name, qint32 value) override
    {
        run_.Remember(key_, name, QVariant(value));
        return true;
    }
    bool WriteString(const QString& name, const QString& value) override
    {
        run_.Remember(key_, name, QVariant(value));
        return true;
    }
    bool CloseKey() override { return true; }
    QString Location() const override { return QString(); }

private:
    TKV_SettingsRun& run_;
    QString key_;
};

class TKV_WritingSettings : public TKV_SettingsAccess
{
public:
    TKV_WritingSettings(TKV_SettingsAccess& inner, const TKV_SettingsRun& run) : inner_(inner), run_(run) {}

    bool OpenKey(const QString& key) override
    {
        key_ = key;
        return inner_.OpenKey(key);
    }
    bool ReadInteger(const QString& name, qint32& value) override { return inner_.ReadInteger(name, value); }
    QString ReadString(const QString& name) override { return inner_.ReadString(name); }
    bool WriteInteger(const QString& name, qint32 value) override
    {
        return !Wanted(name, QVariant(value)) || inner_.WriteInteger(name, value);
    }
    bool WriteString(const QString& name, const QString& value) override
    {
        return !Wanted(name, QVariant(value)) || inner_.WriteString(name, value);
    }
    bool CloseKey() override { return inner_.CloseKey(); }
    QString Location() const override { return inner_.Location(); }

private:
    bool Wanted(const QString& name, const QVariant& value) const
    {
        return run_.WasRead(key_, name) || run_.Changed(key_, name, value);
    }

    TKV_SettingsAccess& inner_;
    const TKV_SettingsRun& run_;
    QString key_;
};

} // namespace

std::unique_ptr<TKV_SettingsAccess> TKV_SettingsRun::Reading(TKV_SettingsAccess& reg)
{
    return std::make_unique<TKV_ReadingSettings>(reg, *this);
}

std::unique_ptr<TKV_SettingsAccess> TKV_SettingsRun::Remembering()
{
    remembered_.clear();
    return std::make_unique<TKV_RememberingSettings>(*this);
}

std::unique_ptr<TKV_SettingsAccess> TKV_SettingsRun::Writing(TKV_SettingsAccess& reg)
{
    return std::make_unique<TKV_WritingSettings>(reg, *this);
}

void TKV_SettingsRun::MarkRead(const QString& key, const QString& name)
{
    read_.insert(Id(key, name));
}

void TKV_SettingsRun::Remember(const QString& key, const QString& name, const QVariant& value)
{
    remembered_.insert(Id(key, name), value);
}

bool TKV_SettingsRun::WasRead(const QString& key, const QString& name) const
{
    return read_.contains(Id(key, name));
}

bool TKV_SettingsRun::Changed(const QString& key, const QString& name, const QVariant& value) const
{
    const auto found = remembered_.constFind(Id(key, name));
    return found == remembered_.constEnd() || *found != value;
}

QString TKV_SettingsRun::Id(const QString& key, const QString& name)
{
    // Names match without regard to letter case, in the registry and in the file alike.
    return (key + QLatin1Char('\n') + name).toCaseFolded();
}

QString HelpFileFromIcon(const QString& iconLocation)
{
    qsizetype cut = std::max(iconLocation.lastIndexOf(QLatin1Char('/')), iconLocation.lastIndexOf(QLatin1Char('\\')));
#ifdef Q_OS_WIN
    cut = std::max(cut, iconLocation.lastIndexOf(QLatin1Char(':')));
#endif
    // A path spelled the Windows way goes on in that spelling.
    const bool backslashes = cut >= 0 && iconLocation.at(cut) != QLatin1Char('/');
    return iconLocation.left(cut + 1) +
           (backslashes ? QStringLiteral("help\\index.html") : QStringLiteral("help/index.html"));
}

QString ResolveSettingsFile(const QString& named, const QString& userFile, const QStringList& installedDefaults)
{
    if (!named.isEmpty()) return named;
    if (QFileInfo::exists(userFile)) return userFile;
    for (const QString& defaults : installedDefaults) {
        if (!QFileInfo(defaults).isFile()) continue;
        QDir().mkpath(QFileInfo(userFile).absolutePath());
        if (QFile::copy(defaults, userFile)) {
            // The installed file may be read-only; the user's copy is the user's to write.
            QFile::setPermissions(userFile, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                                QFileDevice::ReadOther);
            return userFile;
        }
        return defaults;
    }
    return userFile;
}

QStringList InstalledDefaultsCandidates()
{
    const QString relative = QStringLiteral("kelvane/") + QString::fromLatin1(kSettingsFileName);
    QStringList candidates;
    candidates.append(
        QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/") + relative));
    for (const QString& found : QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, relative)) {
        if (!candidates.contains(QDir::cleanPath(found))) candidates.append(QDir::cleanPath(found));
    }
    return candidates;
}

QString UserSettingsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/kelvane/") +
           QString::fromLatin1(kSettingsFileName);
}

std::unique_ptr<TKV_SettingsAccess> OpenSettingsStore()
{
    const QString named = qEnvironmentVariable(kSettingsEnvironment);
#ifdef Q_OS_WIN
    if (named.isEmpty()) return OpenRegistrySettings();
#endif
    return std::make_unique<TKV_IniSettings>(
        ResolveSettingsFile(named, UserSettingsFile(), InstalledDefaultsCandidates()));
}
