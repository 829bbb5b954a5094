// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppLauncher.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QMimeType>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTextStream>
#include <QUrl>

#include <optional>
#include <vector>

namespace {

// How long a child may take to be running; exec either succeeds or fails almost at once.
constexpr int kStartTimeoutMs = 5000;

QString EnvPath(const char* name, const QString& fallback)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

QStringList EnvPathList(const char* name, const QString& fallback)
{
    QStringList dirs;
    for (const QString& dir : EnvPath(name, fallback).split(QLatin1Char(':'), Qt::SkipEmptyParts))
        dirs.append(QDir::cleanPath(dir));
    return dirs;
}

// The folders the desktop looks in, from the XDG variables or their documented defaults.
struct TKV_XdgDirs
{
    QString DataHome;
    QString ConfigHome;
    QStringList DataDirs;
    QStringList ConfigDirs;
    QStringList Desktops; // XDG_CURRENT_DESKTOP, lowercased, in its order

    static TKV_XdgDirs FromEnvironment()
    {
        const QString home = QDir::homePath();
        TKV_XdgDirs dirs;
        dirs.DataHome = QDir::cleanPath(EnvPath("XDG_DATA_HOME", home + QStringLiteral("/.local/share")));
        dirs.ConfigHome = QDir::cleanPath(EnvPath("XDG_CONFIG_HOME", home + QStringLiteral("/.config")));
        dirs.DataDirs = EnvPathList("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"));
        dirs.ConfigDirs = EnvPathList("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
        for (const QString& desktop :
             qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts))
            dirs.Desktops.append(desktop.toLower());
        return dirs;
    }

    QStringList ApplicationDirs() const
    {
        QStringList result{DataHome + QStringLiteral("/applications")};
        for (const QString& dir : DataDirs)
            result.append(dir + QStringLiteral("/applications"));
        return result;
    }

    // Every mimeapps.list in the order of precedence, the desktop's own before the common one.
    QStringList MimeAppsLists() const
    {
        QStringList folders{ConfigHome};
        folders.append(ConfigDirs);
        folders.append(DataHome + QStringLiteral("/applications"));
        for (const QString& dir : DataDirs)
            folders.append(dir + QStringLiteral("/applications"));
        QStringList files;
        for (const QString& folder : folders) {
            for (const QString& desktop : Desktops)
                files.append(folder + QLatin1Char('/') + desktop + QStringLiteral("-mimeapps.list"));
            files.append(folder + QStringLiteral("/mimeapps.list"));
        }
        return files;
    }
};

// The groups of a key file (desktop entry or mimeapps.list): unlocalised keys with their values as
// written; localised keys are not needed here.
using TKV_KeyGroups = QHash<QString, QHash<QString, QString>>;

TKV_KeyGroups ReadKeyFile(const QString& path)
{
    TKV_KeyGroups groups;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return groups;
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    QString group;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            group = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0 || group.isEmpty()) continue;
        const QString key = line.left(eq).trimmed();
        if (key.contains(QLatin1Char('['))) continue;
        auto& keys = groups[group];
        // The first occurrence of a key counts.
        if (!keys.contains(key)) keys.insert(key, line.mid(eq + 1).trimmed());
    }
    return groups;
}

// A list value ("a;b;c;"), with "\;" standing for a semicolon inside an item.
QStringList SplitList(const QString& value)
{
    QStringList items;
    QString item;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == QLatin1Char('\\') && i + 1 < value.size() && value[i + 1] == QLatin1Char(';')) {
            item += QLatin1Char(';');
            ++i;
        } else if (c == QLatin1Char(';')) {
            if (!item.trimmed().isEmpty()) items.append(item.trimmed());
            item.clear();
        } else {
            item += c;
        }
    }
    if (!item.trimmed().isEmpty()) items.append(item.trimmed());
    return items;
}

// The escapes of a string value: \s \n \t \r \\ .
QString UnescapeString(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != QLatin1Char('\\') || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
        case 's':
            out += QLatin1Char(' ');
            break;
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        case '\\':
            out += QLatin1Char('\\');
            break;
        default:
            // Not a string escape: left for the quoting rules of Exec.
            out += QLatin1Char('\\');
            out += next;
        }
    }
    return out;
}

// Splits an unescaped Exec value into arguments: blanks separate, double quotes group (with \" \`
// \$ \\ inside), single quotes group literally, a backslash outside quotes takes the next character.
std::optional<QStringList> SplitExec(const QString& exec)
{
    QStringList args;
    QString current;
    bool inArgument = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
            if (inArgument) args.append(current);
            current.clear();
            inArgument = false;
        } else if (c == QLatin1Char('"')) {
            inArgument = true;
            for (++i;; ++i) {
                if (i >= exec.size()) return std::nullopt;
                const QChar q = exec[i];
                if (q == QLatin1Char('"')) break;
                if (q == QLatin1Char('\\') && i + 1 < exec.size() && QStringLiteral("\"`$\\").contains(exec[i + 1])) {
                    current += exec[++i];
                } else {
                    current += q;
                }
            }
        } else if (c == QLatin1Char('\'')) {
            inArgument = true;
            const qsizetype end = exec.indexOf(QLatin1Char('\''), i + 1);
            if (end < 0) return std::nullopt;
            current += exec.mid(i + 1, end - i - 1);
            i = end;
        } else if (c == QLatin1Char('\\') && i + 1 < exec.size()) {
            inArgument = true;
            current += exec[++i];
        } else {
            inArgument = true;
            current += c;
        }
    }
    if (inArgument) args.append(current);
    return args;
}

QString FileUrl(const QString& file)
{
    return QString::fromLatin1(QUrl::fromLocalFile(file).toEncoded());
}

// One Exec-capable desktop entry, by its desktop-file ID.
struct TKV_DesktopEntry
{
    QString Id;
    QString Path;
    QHash<QString, QString> Keys;

    QString Value(const char* key) const { return Keys.value(QLatin1String(key)); }
    bool Flag(const char* key) const { return Value(key) == QLatin1String("true"); }
};

// The installed desktop entries: desktop-file ID → path, the first folder that holds an ID winning
// (an entry in a subfolder has an ID with '-' for each '/'), and the IDs in that order of precedence.
struct TKV_ApplicationIndex
{
    QHash<QString, QString> Paths;
    QStringList Ordered;

    static TKV_ApplicationIndex Scan(const TKV_XdgDirs& dirs)
    {
        TKV_ApplicationIndex index;
        for (const QString& folder : dirs.ApplicationDirs()) {
            QStringList here;
            QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files | QDir::Readable,
                            QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
            while (it.hasNext()) {
                const QString path = it.next();
                QString id = QDir(folder).relativeFilePath(path);
                id.replace(QLatin1Char('/'), QLatin1Char('-'));
                if (index.Paths.contains(id)) continue;
                index.Paths.insert(id, path);
                here.append(id);
            }
            here.sort();
            index.Ordered.append(here);
        }
        return index;
    }
};

bool FoundExecutable(const QString& program)
{
    if (program.contains(QLatin1Char('/'))) {
        const QFileInfo info(program);
        return info.isFile() && info.isExecutable();
    }
    return !QStandardPaths::findExecutable(program).isEmpty();
}

// Whether running the entry would start this program again: a plain file handed to the window's
// own entry would come straight back as a file to open.
bool RunsThisProgram(const QString& program)
{
    const QString base = QFileInfo(program).fileName();
    if (base == QLatin1String("kelvane")) return true;
    const QString resolved = program.contains(QLatin1Char('/')) ? program : QStandardPaths::findExecutable(program);
    const QString self = QCoreApplication::applicationFilePath();
    return !resolved.isEmpty() && !self.isEmpty() &&
           QFileInfo(resolved).canonicalFilePath() == QFileInfo(self).canonicalFilePath();
}

// Debian's name for the user's terminal emulator, which takes the command after -e.
QString TerminalEmulator()
{
    return QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
}

// The entry under `id`, when it can open a file: an application, not deleted (Hidden), with an
// Exec line that parses, its TryExec present, a terminal for it when it needs one, and not this
// program. NoDisplay entries count: they are hidden from menus, not from file associations.
std::optional<TKV_DesktopEntry> UsableEntry(const TKV_ApplicationIndex& index, const QString& id)
{
    const QString path = index.Paths.value(id);
    if (path.isEmpty()) return std::nullopt;
    TKV_DesktopEntry entry{id, path, ReadKeyFile(path).value(QStringLiteral("Desktop Entry"))};
    if (entry.Value("Type") != QLatin1String("Application") || entry.Flag("Hidden")) return std::nullopt;
    const QString exec = entry.Value("Exec");
    const QStringList argv = ExpandDesktopExec(exec, QStringLiteral("/x"));
    if (argv.isEmpty()) return std::nullopt;
    const QString tryExec = UnescapeString(entry.Value("TryExec"));
    if (!tryExec.isEmpty() && !FoundExecutable(tryExec)) return std::nullopt;
    if (entry.Flag("Terminal") && TerminalEmulator().isEmpty()) return std::nullopt;
    if (id == QLatin1String("kelvane.desktop") || RunsThisProgram(argv.front())) return std::nullopt;
    return entry;
}

// The type, its ancestors, and text/plain for any text type; octet-stream only when it is the type
// itself, since a program that claims it claims every file.
QStringList TypeChain(const QString& mimeType)
{
    QStringList chain{mimeType};
    const QMimeType type = QMimeDatabase().mimeTypeForName(mimeType);
    if (type.isValid()) {
        if (type.name() != mimeType) chain.append(type.name());
        for (const QString& ancestor : type.allAncestors())
            if (ancestor != QLatin1String("application/octet-stream")) chain.append(ancestor);
    }
    if (mimeType.startsWith(QLatin1String("text/"))) chain.append(QStringLiteral("text/plain"));
    chain.removeDuplicates();
    return chain;
}

// The entry that opens files of `mimeType`: the defaults of the mimeapps.list files for the type or
// any ancestor; then the added associations not removed by a list of higher precedence, and the
// entries whose MimeType names the type, unless removed.
std::optional<TKV_DesktopEntry> ChooseEntry(const QString& mimeType)
{
    const TKV_XdgDirs dirs = TKV_XdgDirs::FromEnvironment();
    const TKV_ApplicationIndex index = TKV_ApplicationIndex::Scan(dirs);
    std::vector<TKV_KeyGroups> lists;
    for (const QString& path : dirs.MimeAppsLists())
        lists.push_back(ReadKeyFile(path));
    const QStringList chain = TypeChain(mimeType);

    for (const QString& type : chain) {
        for (const TKV_KeyGroups& list : lists) {
            for (const QString& id : SplitList(list.value(QStringLiteral("Default Applications")).value(type)))
                if (auto entry = UsableEntry(index, id)) return entry;
        }
    }

    // The MimeType keys of all installed entries, in the order of their folders' precedence.
    QHash<QString, QStringList> claimedBy;
    for (const QString& id : index.Ordered) {
        const TKV_KeyGroups groups = ReadKeyFile(index.Paths.value(id));
        for (const QString& type :
             SplitList(groups.value(QStringLiteral("Desktop Entry")).value(QStringLiteral("MimeType"))))
            claimedBy[type].append(id);
    }

    for (const QString& type : chain) {
        QSet<QString> removed;
        for (const TKV_KeyGroups& list : lists) {
            for (const QString& id : SplitList(list.value(QStringLiteral("Added Associations")).value(type)))
                if (!removed.contains(id))
                    if (auto entry = UsableEntry(index, id)) return entry;
            for (const QString& id : SplitList(list.value(QStringLiteral("Removed Associations")).value(type)))
                removed.insert(id);
        }
        for (const QString& id : claimedBy.value(type))
            if (!removed.contains(id))
                if (auto entry = UsableEntry(index, id)) return entry;
    }
    return std::nullopt;
}

TKV_Launch Start(const QString& program, const QStringList& arguments, const QString& file, QObject* parent)
{
    auto* process = new QProcess(parent);
    process->setProgram(program);
    process->setArguments(arguments);
    process->setWorkingDirectory(QFileInfo(file).absolutePath());
    // The application talks to the terminal we were started from, as when the desktop starts it, and
    // nothing piles up unread in our memory.
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    process->start();
    if (!process->waitForStarted(kStartTimeoutMs)) {
        const QString reason = process->errorString();
        delete process;
        return {nullptr,
                QCoreApplication::translate("AppLauncher", "%1 could not be started: %2").arg(program, reason)};
    }
    return {process, QString()};
}

// The types the printing system takes as they are.
bool Printable(const QMimeType& type)
{
    const QString name = type.name();
    return name.startsWith(QLatin1String("text/")) || name.startsWith(QLatin1String("image/")) ||
           type.inherits(QStringLiteral("text/plain")) || type.inherits(QStringLiteral("application/pdf")) ||
           type.inherits(QStringLiteral("application/postscript"));
}

class TKV_DesktopLauncher : public TKV_AppLauncher
{
public:
    TKV_Launch Launch(const QString& file, const QString& verb, QObject* parent) override
    {
        const QMimeType type = QMimeDatabase().mimeTypeForFile(file);
        if (verb == QLatin1String("print")) return Print(file, type, parent);
        if (verb != QLatin1String("open"))
            return {nullptr, QCoreApplication::translate("AppLauncher", "Unknown action %1.").arg(verb)};

        const std::optional<TKV_DesktopEntry> entry = ChooseEntry(type.name());
        if (!entry)
            return {nullptr,
                    QCoreApplication::translate("AppLauncher", "No application is set up to open files of type %1.")
                        .arg(type.name())};
        QStringList argv = ExpandDesktopExec(entry->Value("Exec"), file, UnescapeString(entry->Value("Name")),
                                             UnescapeString(entry->Value("Icon")), entry->Path);
        if (entry->Flag("Terminal")) {
            // A terminal program needs a window of its own to run in.
            argv.prepend(QStringLiteral("-e"));
            argv.prepend(TerminalEmulator());
        }
        const QString program = argv.takeFirst();
        return Start(program, argv, file, parent);
    }

private:
    static TKV_Launch Print(const QString& file, const QMimeType& type, QObject* parent)
    {
        if (!Printable(type))
            return {nullptr,
                    QCoreApplication::translate("AppLauncher", "Files of type %1 cannot be printed.").arg(type.name())};
        const QString lp = QStandardPaths::findExecutable(QStringLiteral("lp"));
        if (lp.isEmpty())
            return {nullptr, QCoreApplication::translate("AppLauncher", "The printing command lp was not found.")};
        // "--" so that a file name beginning with '-' is never read as an option.
        return Start(lp, {QStringLiteral("--"), file}, file, parent);
    }
};

} // namespace

QStringList ExpandDesktopExec(const QString& exec, const QString& file, const QString& name, const QString& icon,
                              const QString& entryPath)
{
    const std::optional<QStringList> split = SplitExec(UnescapeString(exec));
    if (!split || split->isEmpty()) return {};

    QStringList argv;
    bool fileTaken = false;
    for (const QString& arg : *split) {
        if (arg == QLatin1String("%f") || arg == QLatin1String("%F")) {
            argv.append(file);
            fileTaken = true;
            continue;
        }
        if (arg == QLatin1String("%u") || arg == QLatin1String("%U")) {
            argv.append(FileUrl(file));
            fileTaken = true;
            continue;
        }
        if (arg == QLatin1String("%i")) {
            if (!icon.isEmpty()) argv << QStringLiteral("--icon") << icon;
            continue;
        }
        QString expanded;
        bool hadCode = false;
        for (qsizetype i = 0; i < arg.size(); ++i) {
            if (arg[i] != QLatin1Char('%') || i + 1 == arg.size()) {
                expanded += arg[i];
                continue;
            }
            hadCode = true;
            switch (arg[++i].unicode()) {
            case 'f':
            case 'F':
                expanded += file;
                fileTaken = true;
                break;
            case 'u':
            case 'U':
                expanded += FileUrl(file);
                fileTaken = true;
                break;
            case 'c':
                expanded += name;
                break;
            case 'k':
                expanded += entryPath;
                break;
            case 'i':
                expanded += icon;
                break;
            case '%':
                expanded += QLatin1Char('%');
                break;
            default:
                // Deprecated (%d %D %n %N %v %m) and unknown codes stand for nothing.
                break;
            }
        }
        // A code that expanded to nothing leaves no empty argument behind.
        if (hadCode && expanded.isEmpty()) continue;
        argv.append(expanded);
    }
    if (argv.isEmpty()) return {};
    if (!fileTaken) argv.append(file);
    return argv;
}

QString DefaultDesktopEntry(const QString& mimeType)
{
    const std::optional<TKV_DesktopEntry> entry = ChooseEntry(mimeType);
    return entry ? entry->Path : QString();
}

std::unique_ptr<TKV_AppLauncher> MakeDesktopLauncher()
{
    return std::make_unique<TKV_DesktopLauncher>();
}
