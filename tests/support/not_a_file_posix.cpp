// SPDX-License-Identifier: MIT
#include "support/not_a_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace tavelin::testing {

namespace fs = std::filesystem;

std::vector<NotAFile> NotAFileKinds()
{
    return {
        {"folder", [](const fs::path& p) { fs::create_directory(p); }, "is a folder, not a file"},
        {"FIFO", [](const fs::path& p) { ASSERT_TRUE(MakeFifo(p)); },
         "is not a regular file (a FIFO, socket or device)"},
        {"device", [](const fs::path& p) { fs::create_symlink("/dev/null", p); },
         "is not a regular file (a FIFO, socket or device)"},
        {"dangling link", [](const fs::path& p) { fs::create_symlink(p.string() + ".gone", p); },
         "is a symbolic link to nothing"},
    };
}

bool MakeFifo(const fs::path& path) { return mkfifo(path.c_str(), 0600) == 0; }

bool MakeLink(const fs::path& target, const fs::path& link)
{
    fs::create_symlink(target, link);
    return true;
}

} // namespace tavelin::testing
