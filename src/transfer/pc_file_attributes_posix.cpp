// SPDX-License-Identifier: MIT
#include "pc_file_attributes.h"

#include "settings/paths.h"

#include <system_error>
#include <unistd.h>

namespace tavelin::transfer {

namespace fs = std::filesystem;

namespace {

bool IsHiddenName(const fs::path& path)
{
    const auto name = path.filename().native();
    return !name.empty() && name.front() == '.';
}

} // namespace

bool IsSameDirectory(const std::string& a, const std::string& b)
{
    std::error_code error;
    const bool same = fs::equivalent(settings::FsPath(a), settings::FsPath(b), error);
    return !error && same;
}

bool PlainFileExists(const fs::path& path)
{
    std::error_code error;
    return fs::is_regular_file(path, error) && !IsHiddenName(path);
}

bool IsProtectedPcFile(const fs::path& path)
{
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
}

} // namespace tavelin::transfer
