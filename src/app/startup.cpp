// SPDX-License-Identifier: MIT
#include "startup.h"

#include "platform.h"
#include "settings/baud_rules.h"
#include "settings/console_output.h"
#include "settings/history.h"
#include "settings/param_files.h"
#include "settings/paths.h"
#include "settings/result_log.h"
#include "settings/text_file.h"
#include "settings/texts.h"
#include "transfer/commit.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace tavelin::app {

using settings::WriteResult;
namespace texts = tavelin::texts;

namespace {

std::string Upper(std::string_view text)
{
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : char(c); });
    return upper;
}

bool Contains(std::string_view commandLine, std::string_view switchText)
{
    return Upper(commandLine).find(switchText) != std::string::npos;
}

} // namespace

std::int16_t RunModeFromCommandLine(std::string_view commandLine)
{
    if (Contains(commandLine, "/APIN"))
        return 1;
    if (Contains(commandLine, "/DOWN"))
        return 2;
    if (Contains(commandLine, "/UP"))
        return 3;
    return 0;
}

bool HasIconSwitch(std::string_view commandLine) { return Contains(commandLine, "/ICON"); }

std::string WindowCaption(std::int16_t runMode)
{
    std::string caption = std::string(texts::kProductTitle) + std::string(texts::kIdeographicSpace);
    switch (runMode) {
    case 0: return caption + std::string(texts::kCaptionManual);
    case 1: caption += texts::kCaptionAutoApInstall; break;
    case 2: caption += texts::kCaptionAutoDownload; break;
    default: caption += texts::kCaptionAutoUpload; break;
    }
    return caption + std::string(texts::kVersionSuffix);
}

StartupResult Startup::Run(std::string_view commandLine, const std::string& workDir)
{
    const auto& s = state_.settings;
    // The automatic window is created only once the checks have passed, so
    // its timers can never run on a half-read settings record.
    StartupResult result;
    const std::int16_t runMode = RunModeFromCommandLine(commandLine);
    result.minimised = HasIconSwitch(commandLine) && runMode != 0;

    if (!ReadParameterFiles(workDir, runMode))
        return result;
    RemoveLeftovers();
    if (Automatic() && s.HistoryMode == 1)
        settings::ClearHistory(state_);
    InitPollRange(state_);
    if (!PFile_Check(s.RunMode))
        return result;
    result.end = Automatic() ? StartupEnd::ShowAutomatic : StartupEnd::ShowManual;
    return result;
}

bool Startup::ReadForSwitch(const std::string& workDir)
{
    writesResult_ = false;
    bool passed = ReadParameterFiles(workDir, 0);
    if (passed) {
        InitPollRange(state_);
        passed = PFile_Check(0);
    }
    writesResult_ = true;
    return passed;
}

bool Startup::ReadParameterFiles(const std::string& workDir, std::int16_t runMode)
{
    auto& s = state_.settings;
    s.PollInterval = SystemTimerFamily() == TimerFamily::WindowsNt ? 30 : 10;
    s.WorkDir = settings::WithTrailingSeparator(workDir);
    s.RunMode = runMode;
    return ReadCommParams() && ReadHhtIds() && ReadDirParams();
}

void Startup::Fail(std::int16_t code)
{
    if (writesResult_)
        WriteResult(state_, -1, code);
}

// Temporary files of an earlier run that was killed before it could remove
// them: the settings files half replaced, and the copies staged in the
// upload directory. Only their exact names are touched; the one-copy lock
// makes sure no running copy still writes them.
void Startup::RemoveLeftovers()
{
    const auto& s = state_.settings;
    for (const char* name : {"RSPRM.DAT", "HHTPRM.DAT", "DIRPRM.DAT", "TAV0001.INF"})
        settings::RemoveAtomicWriteLeftover(s.WorkDir + name);
    if (!s.UpDir.empty())
        transfer::RemoveStagedCopies(s.UpDir);
}

// A parameter file that is there but cannot be read would pass for a
// missing one, and its defaults would run the batch on COM1 or send the
// work folder to the hand-helds: an automatic start ends with the file's
// code, the window shows the file's message and goes on with the defaults.
bool Startup::Unreadable(std::string_view name, const std::string& problem, std::int16_t code,
                         std::string_view message)
{
    const std::string path = state_.settings.WorkDir + std::string(name);
    if (Automatic()) {
        settings::PrintText(stderr, "tavelin: %s %s; the start ends with code %d in RESULT.DAT\n", path.c_str(),
                            problem.c_str(), code);
        Fail(code);
        return false;
    }
    settings::PrintText(stderr, "tavelin: %s %s; the window starts with the file's defaults\n", path.c_str(),
                        problem.c_str());
    messages_.Show(message);
    return true;
}

bool Startup::ReadCommParams()
{
    const auto outcome = settings::ReadRsPrm(state_.settings);
    if (!outcome.unreadable.empty())
        return Unreadable("RSPRM.DAT", outcome.unreadable, 2, texts::kMsgCommParamFileError);
    if (outcome.checkFailed) {
        Fail(2);
        messages_.Show(texts::kMsgCommParamOutOfRange);
        return false;
    }
    if (outcome.readFailed) {
        if (Automatic()) {
            Fail(2);
            return false;
        }
        messages_.Show(texts::kMsgCommParamFileError);
    }
    return true;
}

bool Startup::ReadHhtIds()
{
    const bool automatic = Automatic();
    const auto outcome = settings::ReadHhtPrm(state_.settings, [&] {
        if (automatic)
            return false;
        messages_.Show(texts::kMsgBadHhtId);
        return true;
    });
    if (!outcome.unreadable.empty())
        return Unreadable("HHTPRM.DAT", outcome.unreadable, 3, texts::kMsgBadHhtId);
    if (automatic && outcome.failedChecks > 0) {
        Fail(3);
        return false;
    }
    return true;
}

bool Startup::ReadDirParams()
{
    const auto outcome = settings::ReadDirPrm(state_.settings);
    if (!outcome.unreadable.empty())
        return Unreadable("DIRPRM.DAT", outcome.unreadable, 4, texts::kMsgDataParamFileError);
    if (!outcome.readFailed)
        return true;
    if (Automatic()) {
        static constexpr const char* kLines[] = {"the application file", "the download folder", "the upload folder",
                                                 "the upload mode", "the history mode", "the number of rounds"};
        const int missing = std::min(outcome.lines, 5);
        settings::PrintText(stderr,
                            "tavelin: %sDIRPRM.DAT has %d of its 6 lines: line %d (%s) is missing; the start ends "
                            "with code 4 in RESULT.DAT\n",
                            state_.settings.WorkDir.c_str(), outcome.lines, missing + 1, kLines[missing]);
        Fail(4);
        return false;
    }
    messages_.Show(texts::kMsgDataParamFileError);
    return true;
}

bool Startup::PFile_Check(std::int16_t runMode)
{
    const auto& s = state_.settings;
    if (s.BaudCode.size() != 1 || settings::ForbiddenBaudCodes(s.PortKindCode, runMode).find(s.BaudCode[0]) == std::string::npos)
        return true;
    Fail(6);
    messages_.Show(texts::kMsgBaudRateOutOfRange);
    return false;
}

} // namespace tavelin::app
