// SPDX-License-Identifier: GPL-3.0-or-later
// The stored names: which files have a password in the database, and removing entries by name or
// because their container is gone. The passwords themselves never leave the table.
#include "TKV_PwdTable.h"

#include "PasswordMessages.h"
#include "PwdDbLock.h"
#include "PwdTableOperation.h"
#include "ResultCodes.h"

#include <cerrno>
#include <new>

#if defined(_WIN32)
#include "WinText.h"

#include "WindowsHeader.h"
#else
#include <sys/stat.h>
#endif

namespace {

constexpr char kNoMasterText[] = "no master password was given";

// The text before the first "=" of a line; false for a line without one, which names nothing.
bool NameOfLine(std::string_view line, std::string_view& name) noexcept
{
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return false;
    name = line.substr(0, equals);
    return true;
}

} // namespace

ContainerState ContainerOf(const std::string& name)
{
#if defined(_WIN32)
    // A name an older program wrote in the ANSI code page is no UTF-8 and cannot be looked up as
    // written; told as missing, a prune would take the password of a file that is there.
    if (!name.empty() && ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(),
                                               static_cast<int>(name.size()), nullptr, 0) == 0)
        return ContainerState::Unknown;
    // Names are compared without regard to letter case here: one spelling says it.
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (::GetFileAttributesExW(WidePath(name + ".cry").c_str(), GetFileExInfoStandard, &data))
        return ContainerState::Present;
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME
               ? ContainerState::Missing
               : ContainerState::Unknown;
#else
    // The window also decrypts containers named with ".CRY" or ".Cry"; each spelling is looked for.
    bool unknown = false;
    for (int upper = 0; upper < 8; ++upper) {
        std::string path = name;
        path += (upper & 1) != 0 ? ".C" : ".c";
        path += (upper & 2) != 0 ? 'R' : 'r';
        path += (upper & 4) != 0 ? 'Y' : 'y';
        struct stat st;
        if (::lstat(path.c_str(), &st) == 0) return ContainerState::Present;
        // Only "no such file" says it is not there; no permission to look says nothing.
        if (errno != ENOENT && errno != ENOTDIR && errno != ENAMETOOLONG) unknown = true;
    }
    return unknown ? ContainerState::Unknown : ContainerState::Missing;
#endif
}

int TKV_PwdTable::ListStoredNames(std::vector<StoredName>& names)
{
    names.clear();
    Operation operation(*this);
    if (!operation) return Failed(kResultTableBusy, DatabaseFailureText(kResultTableBusy));
    if (!Master.Entered) return Failed(kResultWrongPassword, kNoMasterText);
    ClearTable();
    const int loaded = Load(true);
    if (loaded != kResultOk) return loaded;
    try {
        for (std::size_t i = 0; i < Entries.Count(); ++i) {
            std::string_view name;
            if (!NameOfLine(Entries[i], name)) continue;
            // Lines of one name stand together in the sorted table; the name is shown once.
            if (!names.empty() && CompareText(names.back().Name, name) == 0) continue;
            names.push_back({std::string(name), ContainerState::Missing});
        }
    } catch (const std::bad_alloc&) {
        ClearTable();
        names.clear();
        return Failed(kResultNoMemory, DatabaseFailureText(kResultNoMemory));
    }
    ClearTable();
    // Looked at once the table is wiped: the file system may take its time.
    for (StoredName& stored : names)
        stored.Container = ContainerOf(stored.Name);
    return kResultOk;
}

int TKV_PwdTable::RemoveStoredNames(const std::vector<std::string>& names, NameRemoval& removal)
{
    removal = {};
    Operation operation(*this);
    if (!operation) return Failed(kResultTableBusy, DatabaseFailureText(kResultTableBusy));
    return ChangeUnderLock([&] {
        removal = {};
        for (const std::string& name : names) {
            bool found = false;
            for (long i = Entries.IndexOfName(name); i != PwdEntryList::kNotFound; i = Entries.IndexOfName(name, i)) {
                std::string_view stored;
                NameOfLine(Entries[static_cast<std::size_t>(i)], stored);
                if (!found) removal.Removed.emplace_back(stored);
                found = true;
                Entries.Delete(static_cast<std::size_t>(i));
            }
            if (!found) removal.NotFound.push_back(name);
        }
        return !removal.Removed.empty();
    });
}

int TKV_PwdTable::PruneStoredNames(NameRemoval& removal)
{
    removal = {};
    Operation operation(*this);
    if (!operation) return Failed(kResultTableBusy, DatabaseFailureText(kResultTableBusy));
    return ChangeUnderLock([&] {
        removal = {};
        std::size_t i = 0;
        while (i < Entries.Count()) {
            std::string_view name;
            if (!NameOfLine(Entries[i], name)) {
                ++i;
                continue;
            }
            const std::string stored(name);
            const ContainerState state = ContainerOf(stored);
            if (state != ContainerState::Missing) {
                if (state == ContainerState::Unknown &&
                    (removal.Unchecked.empty() || CompareText(removal.Unchecked.back(), stored) != 0))
                    removal.Unchecked.push_back(stored);
                ++i;
                continue;
            }
            if (removal.Removed.empty() || CompareText(removal.Removed.back(), stored) != 0)
                removal.Removed.push_back(stored);
            Entries.Delete(i);
        }
        return !removal.Removed.empty();
    });
}

int TKV_PwdTable::ChangeUnderLock(const std::function<bool()>& change)
{
    if (!Master.Entered) return Failed(kResultWrongPassword, kNoMasterText);
    // A database that is not there, or not under this master password, is told before any wait for
    // the lock, and no lock file is left beside a path that holds no database.
    if (const int checked = Load(false); checked != kResultOk) return checked;
    // Held from the reading to the saving, so that a change another process saves meanwhile is read
    // and kept, not overwritten.
    PwdDbLock lock;
    if (const int locked = LockForUpdate(lock); locked != kResultOk) return locked;
    ClearTable();
    const int loaded = Load(true);
    if (loaded != kResultOk) return loaded;
    bool changed = false;
    try {
        changed = change();
    } catch (const std::bad_alloc&) {
        ClearTable();
        return Failed(kResultNoMemory, DatabaseFailureText(kResultNoMemory));
    }
    const int saved = changed ? Save() : kResultOk;
    ClearTable();
    return saved;
}
