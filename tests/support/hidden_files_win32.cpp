// SPDX-License-Identifier: MIT
#include "support/hidden_files.h"

#include <gtest/gtest.h>

#include <fstream>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace tavelin::testing {

std::vector<std::string> PutHiddenFiles(const std::filesystem::path& dir, const std::string& bytes)
{
    const std::pair<const char*, DWORD> files[] = {{"HID.DAT", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE},
                                                   {"SYS.DAT", FILE_ATTRIBUTE_SYSTEM}};
    std::vector<std::string> names;
    for (const auto& [name, attributes] : files) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        EXPECT_NE(SetFileAttributesW((dir / name).c_str(), attributes), 0) << name;
        names.emplace_back(name);
    }
    return names;
}

} // namespace tavelin::testing
