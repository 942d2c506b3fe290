// SPDX-License-Identifier: MIT
// TAV0001.INF: what the manual window remembers between runs, two lines in
// the work directory: the hand-held ID as it stood in the ID box, and the PC
// directory shown. Rewritten whole at every close, through a temporary file
// and a rename, so a crash never leaves half a file behind.
#pragma once

#include "status.h"

#include <optional>
#include <string>

namespace tavelin::settings {

struct ManualMemory {
    std::string hhtId;     // as typed or chosen, normally "001".."128"
    std::string directory; // full path; empty when the file had no second line
};

// Nothing when the file is missing or cannot be read.
std::optional<ManualMemory> ReadTavInf(const std::string& workDir);

// Failed when the file could not be written (the system's words, when it
// gave any); an older file then stays as it was.
Status WriteTavInf(const std::string& workDir, const ManualMemory& memory);

} // namespace tavelin::settings
