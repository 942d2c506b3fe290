// SPDX-License-Identifier: MIT
// Directory texts as the program keeps them: UTF-8, ending in the platform's
// separator, joined to file names by plain concatenation.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tavelin::settings {

// The system's directory separator: '\\' on Windows, '/' elsewhere
// (platform_win32.cpp, platform_posix.cpp).
extern const char kDirSeparator;

// True for a character the system takes as a directory separator. Windows
// takes "/" as a separator too, and people type it.
bool IsDirSeparator(char c);

// The text with the separator appended when it does not already end in one
// (on Windows "C:\DATA/" already does).
std::string WithTrailingSeparator(std::string directory);

// A file-system path from a UTF-8 text.
std::filesystem::path FsPath(std::string_view utf8);

// The current directory as UTF-8 text, ending in the separator.
std::string CurrentDirectory();

// The same, or nothing when the system cannot name it (it was removed, or
// lies out of this process's reach): an empty or relative text would make
// every file name relative to somewhere else, "/" among them.
std::optional<std::string> ResolvedCurrentDirectory();

} // namespace tavelin::settings
