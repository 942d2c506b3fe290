// SPDX-License-Identifier: MIT
// The program's state in one object: the settings record filled at start-up,
// the shared flags and the hand-held now addressed. The app owns one instance
// and hands it by reference to whoever needs it; a test makes a fresh one.
#pragma once

#include "device_choices.h"
#include "log_failures.h"

#include <array>
#include <cstdint>
#include <string>

namespace tavelin::settings {

// Flags hold 0 (false) or -1 (true), as the result codes and files expect.
using Flag = std::int16_t;
constexpr Flag kTrue = -1;
constexpr Flag kFalse = 0;

struct IdRange {
    std::string IdFrom; // decimal text exactly as read or typed; empty when unused
    std::string IdTo;
};

constexpr int kMaxHhtId = 128;
constexpr int kDefaultLineWaitSeconds = 300;

struct Settings {
    std::string WorkDir; // ends in the platform's directory separator
    std::int16_t RunMode = 0;

    std::string BaudCode;
    std::string ParityCode;
    std::string DataBitsCode;
    std::string StopBitsCode;
    std::string ComPortCode;
    std::int16_t PollTimeout = 0;
    std::int16_t CommTimeout = 0;
    std::string PortKindCode;

    std::array<IdRange, 6> HhtIdRange{}; // entries 0..4 used
    std::array<std::string, kMaxHhtId + 1> HhtIdOn{}; // "1"/"0"; index = ID - 1

    std::string ApFile;
    std::string DownDir;
    std::string UpDir;
    std::int16_t UploadMode = 0;  // 1 OVER, 2 ADD, 3 NON
    std::int16_t HistoryMode = 0; // 1 NEWHISTORY, 2 ADDHISTORY, 3 NONHISTORY
    std::int16_t AutoPollCount = 0;
    std::int16_t PollInterval = 0;
};

struct SharedFlags {
    Flag StopRequest = kFalse;
    Flag QuitRequest = kFalse;
    Flag RxTimedOut = kFalse;
};

struct AppState {
    Settings settings;
    SharedFlags flags;
    std::string CurHhtId = "001";
    std::int16_t FirstPollId = 0;
    std::int16_t LastPollId = 0;
    LogWriteFailures logFailures;
    // The latest RESULT.DAT line of this run, written or not (empty: none),
    // for the system log's entry of a batch run.
    std::string resultLine;
    // History lines of this run whose file failed: any result but 0 and -2
    // (a stop that was asked for). A batch run that had any ends with a
    // status of its own, as RESULT.DAT counts the hand-helds served only.
    int failedFiles = 0;
    DeviceChoices devices; // this PC's device for each COM name, read at start-up
    // How long a run waits for a device that went away to come back (0: the
    // run ends at once). Five minutes outlast a hub's reset or a cable
    // plugged in again, and still end a night's run whose adapter is gone.
    int lineWaitSeconds = kDefaultLineWaitSeconds;
    // A quiet batch run says only what went wrong: no line of its start, and
    // of the history only the lines of files that failed, on standard error.
    bool quiet = false;
};

} // namespace tavelin::settings
