// SPDX-License-Identifier: MIT
// Files this system keeps out of a listing, marked as it marks them: a
// leading dot on POSIX; the hidden and system attributes on Windows, where
// a dot means nothing.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tavelin::testing {

// Puts such files holding `bytes` into `dir`; returns their names.
std::vector<std::string> PutHiddenFiles(const std::filesystem::path& dir, const std::string& bytes);

} // namespace tavelin::testing
