// SPDX-License-Identifier: MIT
#include "file_system.h"

#include <windows.h>

namespace tavelin::settings {

namespace fs = std::filesystem;

bool FlushToDisk(const fs::path& path)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool flushed = FlushFileBuffers(file) != 0;
    CloseHandle(file);
    return flushed;
}

// NTFS keeps its directory entries in its journal, which reaches the disk
// only when something flushes it: a flush of the folder's own handle does.
// A rename made here needs none (ReplaceByRename); this is for one made by
// another library, as Qt's save of its settings file.
void FlushDirectory(const fs::path& directory)
{
    const HANDLE folder = CreateFileW(directory.empty() ? L"." : directory.c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder != INVALID_HANDLE_VALUE) {
        FlushFileBuffers(folder);
        CloseHandle(folder);
    }
}

// Without MOVEFILE_WRITE_THROUGH a rename is a change in memory that the lazy
// writer brings to the disk some seconds later; with it, the call returns
// once the new name is there. No copy across volumes: the caller knows a
// safer way.
namespace {

bool Move(const fs::path& from, const fs::path& to, DWORD flags, std::error_code& error)
{
    if (MoveFileExW(from.c_str(), to.c_str(), flags | MOVEFILE_WRITE_THROUGH)) {
        error.clear();
        return true;
    }
    // The portable words where there are some: the system's own come in the
    // ANSI code page, which a UTF-8 log or box would garble.
    error = std::error_code(static_cast<int>(GetLastError()), std::system_category());
    if (const std::error_condition portable = error.default_error_condition();
        portable.category() == std::generic_category())
        error = std::error_code(portable.value(), std::generic_category());
    return false;
}

} // namespace

bool ReplaceByRename(const fs::path& from, const fs::path& to, std::error_code& error)
{
    return Move(from, to, MOVEFILE_REPLACE_EXISTING, error);
}

bool RenameNoReplace(const fs::path& from, const fs::path& to)
{
    std::error_code error;
    return Move(from, to, 0, error); // never replaces without MOVEFILE_REPLACE_EXISTING
}

} // namespace tavelin::settings
