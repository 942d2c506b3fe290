// SPDX-License-Identifier: MIT
// What the system says of a PC file, by its own rules on each system
// (pc_file_attributes_posix.cpp, pc_file_attributes_win32.cpp): whether a
// listing shows it, whether the program may replace it, and whether two
// directory texts name the same directory. Hidden means a dot file on POSIX,
// the hidden or system attribute on Windows.
#pragma once

#include <filesystem>
#include <string>

namespace tavelin::transfer {

// True when both texts name the same existing directory.
bool IsSameDirectory(const std::string& a, const std::string& b);

// A file that a directory search with no attribute filter would show: it
// exists, is no directory and is neither hidden nor a system file.
bool PlainFileExists(const std::filesystem::path& path);

// Something exists there that the program must not replace: a read-only,
// hidden or system file, one this user may not write, or anything that is
// not a regular file. The one rule for uploads, batch and manual alike.
bool IsProtectedPcFile(const std::filesystem::path& path);

} // namespace tavelin::transfer
