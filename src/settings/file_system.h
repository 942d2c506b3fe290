// SPDX-License-Identifier: MIT
// The steps on files whose system calls differ from one system to the other
// (file_system_posix.cpp, file_system_win32.cpp): bringing a file or a
// directory entry to the disk, a rename that replaces a file and is on the
// disk when it returns, and a rename that never replaces a file.
#pragma once

#include <filesystem>
#include <system_error>

namespace tavelin::settings {

// Writes what the system still holds of the file to the disk. False when
// that cannot be done.
bool FlushToDisk(const std::filesystem::path& path);

// The directory entry of a rename reaches the disk too; a file system that
// cannot say so is no reason to fail, so nothing is reported. An empty path
// is the current directory.
void FlushDirectory(const std::filesystem::path& directory);

// Renames `from` over `to` in one step; once it returns true, the new name is
// on the disk too, so a caller may say the file is saved. False, and why in
// `error`, when the rename failed (another volume among the reasons).
bool ReplaceByRename(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& error);

// One step that fails when the target exists, so a file that appears between
// a look and the rename is not replaced either. A change of letter case alone
// on a file system that ignores case renames the same file and works.
bool RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

} // namespace tavelin::settings
