// SPDX-License-Identifier: GPL-3.0-or-later
// ListDirectory on Windows: FindFirstFileExW tells a reparse point by its attributes without
// following it, which std::filesystem of this compiler does not.
#include "DirectoryWalk.h"

#include "FileSystem.h"
#include "WinText.h"

#include "WindowsHeader.h"
#include <system_error>

bool ListDirectory(const std::string& path, WalkDirectory& listing, std::vector<std::string>& links,
                   std::string& reason)
{
    listing.Files.clear();
    listing.Subdirectories.clear();
    links.clear();
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileExW(WidePath(JoinPath(path.empty() ? "." : path, "*")).c_str(), FindExInfoBasic,
                                       &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        reason = std::system_category().message(static_cast<int>(::GetLastError()));
        return false;
    }
    DWORD error = ERROR_SUCCESS;
    for (;;) {
        const std::wstring wide = found.cFileName;
        if (wide != L"." && wide != L"..") {
            const std::string name = NarrowToUtf8(wide);
            const DWORD attributes = found.dwFileAttributes;
            if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                if (attributes & FILE_ATTRIBUTE_DIRECTORY)
                    links.push_back(name);
                else
                    listing.Files.push_back(name); // the work on files refuses it by name
            } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
                listing.Subdirectories.push_back(name);
            } else {
                listing.Files.push_back(name);
            }
        }
        if (!::FindNextFileW(search, &found)) {
            error = ::GetLastError();
            break;
        }
    }
    ::FindClose(search);
    if (error != ERROR_NO_MORE_FILES) {
        reason = std::system_category().message(static_cast<int>(error));
        return false;
    }
    SortWalkNames(listing.Files);
    SortWalkNames(listing.Subdirectories);
    SortWalkNames(links);
    return true;
}
