// SPDX-License-Identifier: MIT
// The three parameter files read from arbitrary bytes. The first byte
// chooses the file (RSPRM.DAT, HHTPRM.DAT or DIRPRM.DAT) and, for HHTPRM.DAT,
// whether a failed check reads on (manual mode) or stops (automatic mode).
// A record that passed its checks must hold values in range, and what a
// reader took must survive the writer: written and read again it is the same.
#include "fuzz_support.h"

#include "settings/numeric.h"
#include "settings/param_files.h"

using namespace tavelin;
using settings::Settings;

namespace {

void CheckRsPrm(const std::string& workDir)
{
    Settings s;
    s.WorkDir = workDir;
    const auto outcome = settings::ReadRsPrm(s);
    FUZZ_CHECK(outcome.opened);
    if (outcome.checkFailed || outcome.readFailed)
        return;
    FUZZ_CHECK(s.BaudCode.size() == 1 && s.BaudCode[0] >= '0' && s.BaudCode[0] <= '5');
    FUZZ_CHECK(s.ParityCode.size() == 1 && s.ParityCode[0] >= '0' && s.ParityCode[0] <= '2');
    FUZZ_CHECK(s.DataBitsCode.size() == 1 && s.DataBitsCode[0] >= '0' && s.DataBitsCode[0] <= '1');
    FUZZ_CHECK(s.StopBitsCode.size() == 1 && s.StopBitsCode[0] >= '0' && s.StopBitsCode[0] <= '1');
    FUZZ_CHECK(s.ComPortCode.size() == 1 && s.ComPortCode[0] >= '0' && s.ComPortCode[0] <= '3');
    FUZZ_CHECK(s.PortKindCode.size() == 1 && s.PortKindCode[0] >= '0' && s.PortKindCode[0] <= '3');
    FUZZ_CHECK(s.PollTimeout >= 50 && s.PollTimeout <= 999 && s.CommTimeout >= 500 && s.CommTimeout <= 5000);

    FUZZ_CHECK(settings::WriteRsPrm(s));
    Settings again;
    again.WorkDir = workDir;
    const auto second = settings::ReadRsPrm(again);
    FUZZ_CHECK(!second.checkFailed && !second.readFailed);
    FUZZ_CHECK(again.BaudCode == s.BaudCode && again.ParityCode == s.ParityCode &&
               again.DataBitsCode == s.DataBitsCode && again.StopBitsCode == s.StopBitsCode &&
               again.ComPortCode == s.ComPortCode && again.PortKindCode == s.PortKindCode &&
               again.PollTimeout == s.PollTimeout && again.CommTimeout == s.CommTimeout);
}

void CheckHhtPrm(const std::string& workDir, bool readOn)
{
    Settings s;
    s.WorkDir = workDir;
    const auto outcome = settings::ReadHhtPrm(s, [readOn] { return readOn; });
    FUZZ_CHECK(outcome.opened && outcome.failedChecks >= 0);
    for (int k = 0; k < settings::kMaxHhtId; ++k)
        FUZZ_CHECK(s.HhtIdOn[k] == "0" || s.HhtIdOn[k] == "1");
    settings::AppState state;
    state.settings = s;
    settings::InitPollRange(state);
    FUZZ_CHECK(state.FirstPollId >= -1 && state.FirstPollId <= state.LastPollId && state.LastPollId < settings::kMaxHhtId);
    if (outcome.failedChecks != 0)
        return;
    for (const auto& range : s.HhtIdRange) {
        if (range.IdFrom.empty() && range.IdTo.empty())
            continue;
        const double from = settings::NumericValue(range.IdFrom), to = settings::NumericValue(range.IdTo);
        FUZZ_CHECK(from >= 1 && to <= settings::kMaxHhtId && from <= to);
    }

    FUZZ_CHECK(settings::WriteHhtPrm(s));
    Settings again;
    again.WorkDir = workDir;
    FUZZ_CHECK(settings::ReadHhtPrm(again, [] { return true; }).failedChecks == 0);
    FUZZ_CHECK(std::equal(s.HhtIdOn.begin(), s.HhtIdOn.begin() + settings::kMaxHhtId, again.HhtIdOn.begin()));
}

void CheckDirPrm(const std::string& workDir)
{
    Settings s;
    s.WorkDir = workDir;
    const auto outcome = settings::ReadDirPrm(s);
    FUZZ_CHECK(outcome.opened);
    FUZZ_CHECK(s.UploadMode >= 1 && s.UploadMode <= 3 && s.HistoryMode >= 1 && s.HistoryMode <= 3);
    for (const std::string* path : {&s.ApFile, &s.DownDir, &s.UpDir})
        FUZZ_CHECK(fuzz::IsUtf8(*path) && !fuzz::Contains(*path, "\r") && !fuzz::Contains(*path, "\n"));

    // Written and read back, the record is the same, but for characters the
    // code page cannot hold, which are written as "?".
    FUZZ_CHECK(settings::WriteDirPrm(s));
    Settings again;
    again.WorkDir = workDir;
    FUZZ_CHECK(!settings::ReadDirPrm(again).readFailed);
    FUZZ_CHECK(again.UploadMode == s.UploadMode && again.HistoryMode == s.HistoryMode &&
               again.AutoPollCount == s.AutoPollCount);
    for (auto [read, reread] : {std::pair{&s.ApFile, &again.ApFile}, {&s.DownDir, &again.DownDir}, {&s.UpDir, &again.UpDir}})
        FUZZ_CHECK(*read == *reread || fuzz::Contains(*read, "\xEF\xBF\xBD"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const fuzz::Sandbox sandbox("params");
    if (size == 0)
        return 0;
    const std::string workDir = sandbox.FreshDir("work");
    static constexpr const char* kFiles[] = {"RSPRM.DAT", "HHTPRM.DAT", "DIRPRM.DAT"};
    const int which = data[0] % 3;
    fuzz::WriteFile(settings::FsPath(workDir + kFiles[which]), fuzz::AsString(std::span(data + 1, size - 1)));
    switch (which) {
    case 0: CheckRsPrm(workDir); break;
    case 1: CheckHhtPrm(workDir, (data[0] & 0x80) != 0); break;
    default: CheckDirPrm(workDir); break;
    }
    return 0;
}
