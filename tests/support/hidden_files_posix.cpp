// SPDX-License-Identifier: MIT
#include "support/hidden_files.h"

#include <fstream>

namespace tavelin::testing {

std::vector<std::string> PutHiddenFiles(const std::filesystem::path& dir, const std::string& bytes)
{
    std::ofstream(dir / ".HID.DAT", std::ios::binary) << bytes;
    return {".HID.DAT"};
}

} // namespace tavelin::testing
