// SPDX-License-Identifier: MIT
#include "pc_file_attributes.h"

#include "settings/paths.h"

#include <array>
#include <optional>
#include <windows.h>

namespace tavelin::transfer {

namespace fs = std::filesystem;

namespace {

DWORD Attributes(const fs::path& path) { return GetFileAttributesW(path.c_str()); }

// The volume and file index of what the path names, a directory too.
std::optional<std::array<DWORD, 3>> FileIdentity(const fs::path& path)
{
    const HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    if (!known)
        return std::nullopt;
    return std::array<DWORD, 3>{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

} // namespace

bool IsSameDirectory(const std::string& a, const std::string& b)
{
    // The library's equivalent() goes by what the C runtime's stat() says,
    // and that refuses "C:\WORK\" with its trailing separator, the form the
    // program keeps directories in: the work directory was not itself.
    const auto first = FileIdentity(settings::FsPath(a));
    return first && first == FileIdentity(settings::FsPath(b));
}

bool PlainFileExists(const fs::path& path)
{
    const DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES &&
           (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
}

bool IsProtectedPcFile(const fs::path& path)
{
    const DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES &&
           (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
}

} // namespace tavelin::transfer
