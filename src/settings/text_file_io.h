// SPDX-License-Identifier: MIT
// The system calls under text_file.cpp, one file per system
// (text_file_io_posix.cpp, text_file_io_win32.cpp). Only a regular file is
// read or written: a directory, FIFO or device in the file's place counts as
// a file that cannot be opened, and nothing waits on one.
#pragma once

#include "text_file.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace tavelin::settings {

// The file's bytes, at most `limit` of them; nothing when it is no regular
// file or cannot be read, and then `error` holds the system's error number
// of the open or read that failed (0 when the file was no regular file).
std::optional<std::string> ReadRegularFile(const std::filesystem::path& path, std::size_t limit, int& error);

// Writes the bytes over the file's content, or after it (on a line of its
// own: CR LF goes first when the file's last line has none), and brings them
// to the disk. False when the file could not be opened, written or flushed.
bool WriteRegularFile(const std::filesystem::path& path, std::string bytes, WriteMode mode);

// Writes the bytes to a new file of that name, on the disk and not only in a
// buffer, ready to be renamed over its target. False when that failed.
bool WriteDurably(const std::filesystem::path& path, const std::string& bytes);

} // namespace tavelin::settings
