// SPDX-License-Identifier: MIT
#include "pc_file_rules.h"

#include "settings/paths.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace tavelin::transfer {

namespace fs = std::filesystem;

namespace {

bool IsReservedDeviceName(std::string_view name)
{
    // Windows maps these to devices whatever the extension: "NUL.DAT" is NUL.
    std::string stem(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    std::transform(stem.begin(), stem.end(), stem.begin(), [](unsigned char c) { return std::toupper(c); });
    static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
    if (std::find(kPlain.begin(), kPlain.end(), stem) != kPlain.end())
        return true;
    const bool numbered = stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT"));
    return numbered && stem[3] >= '1' && stem[3] <= '9';
}

// The next start removes a file of that name as a copy a killed run staged.
bool IsStagedCopyLike(std::string_view name)
{
    constexpr std::string_view kSuffix = ".~TMP";
    if (name.size() < kSuffix.size())
        return false;
    std::string tail(name.substr(name.size() - kSuffix.size()));
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return tail == kSuffix;
}

bool IsForbiddenChar(unsigned char c)
{
    static constexpr std::string_view kForbidden = "/\\:*?\"<>|";
    return c < 0x20 || c == 0x7F || kForbidden.find(static_cast<char>(c)) != std::string_view::npos;
}

#ifdef _WIN32
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
#else
bool IsHiddenName(const fs::path& path)
{
    const auto name = path.filename().native();
    return !name.empty() && name.front() == '.';
}
#endif

} // namespace

bool IsSafePcFileName(std::string_view utf8Name)
{
    if (utf8Name.empty() || utf8Name == "." || utf8Name == "..")
        return false;
    if (std::any_of(utf8Name.begin(), utf8Name.end(), [](char c) { return IsForbiddenChar(static_cast<unsigned char>(c)); }))
        return false;
    return !IsReservedDeviceName(utf8Name) && !IsStagedCopyLike(utf8Name);
}

bool IsProgramFileName(std::string_view utf8Name)
{
    std::string name(utf8Name);
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    static constexpr std::array<std::string_view, 12> kOwn = {
        "RSPRM.DAT", "HHTPRM.DAT", "DIRPRM.DAT", "ENDPRM.DAT", "RESULT.DAT",
        "HISTORY.DAT", "TAV0001.INF", "TAV0001.INF.NEW", "DATA.TMP",
        "RSPRM.DAT.NEW", "HHTPRM.DAT.NEW", "DIRPRM.DAT.NEW"};
    return std::find(kOwn.begin(), kOwn.end(), name) != kOwn.end() || name.starts_with("UPTMP.");
}

bool IsSameDirectory(const std::string& a, const std::string& b)
{
#ifdef _WIN32
    // The library's equivalent() goes by what the C runtime's stat() says,
    // and that refuses "C:\WORK\" with its trailing separator, the form the
    // program keeps directories in: the work directory was not itself.
    const auto first = FileIdentity(settings::FsPath(a));
    return first && first == FileIdentity(settings::FsPath(b));
#else
    std::error_code error;
    const bool same = fs::equivalent(settings::FsPath(a), settings::FsPath(b), error);
    return !error && same;
#endif
}

bool IsRefusedUploadName(const std::string& utf8Name, const std::string& directory, const std::string& workDir)
{
    return !IsSafePcFileName(utf8Name) || (IsProgramFileName(utf8Name) && IsSameDirectory(directory, workDir));
}

bool PlainFileExists(const fs::path& path)
{
#ifdef _WIN32
    const DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES &&
           (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
#else
    std::error_code error;
    return fs::is_regular_file(path, error) && !IsHiddenName(path);
#endif
}

bool IsProtectedPcFile(const fs::path& path)
{
#ifdef _WIN32
    const DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES &&
           (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
#else
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    if (error || !fs::exists(status))
        return false;
    if (!fs::is_regular_file(status))
        return true;
    // Read-only for its owner, or for this user (another's file, a
    // read-only mount): the program may not write it either way.
    const bool readOnly = (status.permissions() & fs::perms::owner_write) == fs::perms::none ||
                          ::access(path.c_str(), W_OK) != 0;
    return readOnly || IsHiddenName(path);
#endif
}

void RemoveQuietly(const fs::path& path)
{
    std::error_code error;
    fs::remove(path, error);
}

} // namespace tavelin::transfer
