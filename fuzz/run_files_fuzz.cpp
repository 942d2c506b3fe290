// SPDX-License-Identifier: MIT
// The files other programs and earlier runs leave in the work directory,
// read from arbitrary bytes: the stop request ENDPRM.DAT (the first byte
// chooses the run mode) and the manual window's memory TAV0001.INF (when the
// first byte is 0xFF). Only a first character "1" or "2" may stop a run, and
// only in the modes that look; the memory comes back as two lines, and
// written and read again it is the same.
#include "fuzz_support.h"

#include "settings/end_param.h"
#include "settings/tav_inf.h"

using namespace tavelin;

namespace {

void CheckEndParam(const std::string& workDir, std::int16_t runMode, std::string_view bytes)
{
    settings::AppState state;
    state.settings.WorkDir = workDir;
    state.settings.RunMode = runMode;
    const std::int16_t result = settings::ReadEndParam(state);
    const char first = runMode >= 1 && runMode <= 3 && !bytes.empty() ? bytes[0] : '\0';
    FUZZ_CHECK(result == (first == '1' ? -2 : 0));
    FUZZ_CHECK(state.flags.StopRequest == (first == '1' || first == '2' ? settings::kTrue : settings::kFalse));
    FUZZ_CHECK(state.flags.QuitRequest == (first == '2' ? settings::kTrue : settings::kFalse));
}

void CheckTavInf(const std::string& workDir)
{
    const auto memory = settings::ReadTavInf(workDir);
    FUZZ_CHECK(memory.has_value());
    for (const std::string* line : {&memory->hhtId, &memory->directory})
        FUZZ_CHECK(fuzz::IsUtf8(*line) && !fuzz::Contains(*line, "\r") && !fuzz::Contains(*line, "\n"));
    FUZZ_CHECK(settings::WriteTavInf(workDir, *memory));
    const auto again = settings::ReadTavInf(workDir);
    FUZZ_CHECK(again.has_value());
    constexpr std::string_view kUnknown = "\xEF\xBF\xBD"; // written as "?"
    FUZZ_CHECK(again->hhtId == memory->hhtId || fuzz::Contains(memory->hhtId, kUnknown));
    FUZZ_CHECK(again->directory == memory->directory || fuzz::Contains(memory->directory, kUnknown));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const fuzz::Sandbox sandbox("runfiles");
    if (size == 0)
        return 0;
    const std::string workDir = sandbox.FreshDir("work");
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    if (data[0] == 0xFF) {
        fuzz::WriteFile(settings::FsPath(workDir + "TAV0001.INF"), bytes);
        CheckTavInf(workDir);
    } else {
        fuzz::WriteFile(settings::FsPath(workDir + "ENDPRM.DAT"), bytes);
        CheckEndParam(workDir, static_cast<std::int16_t>(data[0] % 5), bytes);
    }
    return 0;
}
