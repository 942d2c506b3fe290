// SPDX-License-Identifier: MIT
#include "file_system.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace tavelin::settings {

namespace fs = std::filesystem;

bool FlushToDisk(const fs::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return false;
    const bool flushed = ::fsync(fd) == 0;
    ::close(fd);
    return flushed;
}

void FlushDirectory(const fs::path& directory)
{
    const int fd = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool ReplaceByRename(const fs::path& from, const fs::path& to, std::error_code& error)
{
    fs::rename(from, to, error);
    if (error)
        return false;
    FlushDirectory(to.parent_path());
    return true;
}

bool RenameNoReplace(const fs::path& from, const fs::path& to)
{
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the flag: look first, then rename.
    std::error_code error;
    if (fs::exists(fs::symlink_status(to, error)) && !fs::equivalent(from, to, error))
        return false;
    fs::rename(from, to, error);
    return !error;
}

} // namespace tavelin::settings
