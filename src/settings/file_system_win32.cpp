// SPDX-License-Identifier: MIT
#include "file_system.h"

#include <stdio.h>
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

// Nothing to flush on Windows: NTFS keeps its directory entries in its own
// journal.
void FlushDirectory(const fs::path& directory) { (void)directory; }

bool RenameNoReplace(const fs::path& from, const fs::path& to)
{
    return _wrename(from.c_str(), to.c_str()) == 0; // never replaces on Windows
}

} // namespace tavelin::settings
