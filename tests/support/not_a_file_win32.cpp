// SPDX-License-Identifier: MIT
#include "support/not_a_file.h"

namespace tavelin::testing {

namespace fs = std::filesystem;

std::vector<NotAFile> NotAFileKinds()
{
    return {{"folder", [](const fs::path& p) { fs::create_directory(p); }, "is a folder, not a file"}};
}

bool MakeFifo(const fs::path&) { return false; }

bool MakeLink(const fs::path&, const fs::path&) { return false; }

} // namespace tavelin::testing
