// SPDX-License-Identifier: MIT
// What may stand where the program expects a regular file, as far as this
// system lets an ordinary user make it, each with the words the file calls
// use for it: a folder everywhere; a FIFO, a device and a symbolic link to
// nothing on POSIX (Windows has no FIFOs and lets only a privileged user
// make links).
#pragma once

#include <filesystem>
#include <vector>

namespace tavelin::testing {

struct NotAFile {
    const char* kind;
    void (*make)(const std::filesystem::path&);
    const char* why;
};

std::vector<NotAFile> NotAFileKinds();

// A FIFO at `path`; false where there are none.
bool MakeFifo(const std::filesystem::path& path);

// A symbolic link at `link` to `target`; false where an ordinary user may make none.
bool MakeLink(const std::filesystem::path& target, const std::filesystem::path& link);

} // namespace tavelin::testing
