// SPDX-License-Identifier: MIT
#include "tav_inf.h"

#include "text_file.h"

namespace tavelin::settings {

namespace {
constexpr const char* kFileName = "TAV0001.INF";
}

std::optional<ManualMemory> ReadTavInf(const std::string& workDir)
{
    const auto text = ReadTextFile(workDir + kFileName);
    if (!text)
        return std::nullopt;
    LineReader lines(*text);
    ManualMemory memory;
    memory.hhtId = lines.Read().value_or("");
    memory.directory = lines.Read().value_or("");
    return memory;
}

Status WriteTavInf(const std::string& workDir, const ManualMemory& memory)
{
    return WriteTextLinesAtomically(workDir + kFileName, {memory.hhtId, memory.directory});
}

} // namespace tavelin::settings
