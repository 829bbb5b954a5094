// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeysCommand.h"

#include "CliPasswordUi.h"
#include "FileCryptor.h"
#include "FileSystem.h"
#include "TKV_PwdTable.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;

void Say(const std::string& text)
{
    std::fprintf(stderr, "kelvane-cli: %s\n", text.c_str());
}

// "<state>\t<name>": the state first, so that any name, spaces and all, is the rest of the line.
void PrintLine(const char* state, const std::string& name)
{
    std::fputs(state, stdout);
    std::fputc('\t', stdout);
    std::fwrite(name.data(), 1, name.size(), stdout);
    std::fputc('\n', stdout);
}

const char* StateText(ContainerState state)
{
    switch (state) {
    case ContainerState::Present:
        return "present";
    case ContainerState::Missing:
        return "missing";
    case ContainerState::Unknown:
        break;
    }
    return "unknown";
}

// True for a full path: "/..." on POSIX; on Windows "X:\..." or "X:/..." and "\\server\share\...".
bool IsFullPath(const std::string& name)
{
#if defined(_WIN32)
    const auto separator = [&](std::size_t i) { return i < name.size() && (name[i] == '\\' || name[i] == '/'); };
    const bool drive = name.size() > 1 && ((name[0] | 0x20) >= 'a' && (name[0] | 0x20) <= 'z') && name[1] == ':';
    return (drive && separator(2)) || (separator(0) && separator(1));
#else
    return !name.empty() && name.front() == '/';
#endif
}

// The database keys a file by its absolute path; a relative NAME means the file below the current
// directory. A full path is taken as written, as `keys list` prints it: a database may hold names
// in other spellings than ours (a Windows one "C:/docs/a.txt", as an older program stored it),
// which normalising would never match.
std::string StoredNameOf(const std::string& name)
{
    return IsFullPath(name) ? name : DatabaseName(name);
}

int List(TKV_PwdTable& table, CliPasswordUi& ui)
{
    std::vector<StoredName> names;
    if (table.ListStoredNames(names) != kResultOk) {
        ui.ShowDatabaseError(table.FailureDetail());
        return kExitFailed;
    }
    if (names.empty()) Say("no password is stored in " + table.Master.Dir);
    for (const StoredName& stored : names)
        PrintLine(StateText(stored.Container), stored.Name);
    return kExitOk;
}

int Remove(TKV_PwdTable& table, CliPasswordUi& ui, const std::vector<std::string>& given, bool prune)
{
    NameRemoval removal;
    std::vector<std::string> names;
    for (const std::string& name : given)
        names.push_back(StoredNameOf(name));
    const int code = prune ? table.PruneStoredNames(removal) : table.RemoveStoredNames(names, removal);
    if (code != kResultOk) {
        ui.ShowDatabaseError(table.FailureDetail());
        Say("nothing was removed");
        return kExitFailed;
    }
    for (const std::string& name : removal.Removed)
        PrintLine("removed", name);
    for (const std::string& name : removal.NotFound)
        Say(name + ": no password is stored under this name");
    for (const std::string& name : removal.Unchecked)
        Say(name + ": cannot tell whether its container is there; its entry stays");
    if (prune && removal.Removed.empty()) Say("no entry of a missing container");
    return removal.NotFound.empty() ? kExitOk : kExitFailed;
}

} // namespace

int RunKeys(const Options& options, const std::atomic<bool>* stop)
{
    const std::string db = DatabaseName(*options.keyfile);
    // Asking for a master password would make no sense: any would do for a database not there yet.
    if (GetFileKind(db) == FileKind::Missing) {
        Say(db + ": no password database there");
        return kExitFailed;
    }
    CliPasswordUi ui(options.masterPasswordFile, stop);
    TKV_PwdTable table(ui);
    table.Master.Dir = db;
    table.Master.Store = true;
    if (!table.PromptForMasterPassword()) {
        if (!ui.WrongPassword()) Say("the password database cannot be used without its master password");
        return kExitFailed;
    }
    if (options.keysAction == "list") return List(table, ui);
    return Remove(table, ui, options.files, options.keysAction == "prune");
}
