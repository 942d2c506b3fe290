// SPDX-License-Identifier: MIT
// The three parameter files of the work directory and their defaults:
// RSPRM.DAT (communication), HHTPRM.DAT (hand-held ID ranges) and DIRPRM.DAT
// (paths and modes). Readers fill the settings record and report what went
// wrong, so the start-up can choose its message and result code; writers
// rewrite a file from the record (used by the settings dialog), each through
// a temporary file and a rename, so a failed write leaves the old file whole.
#pragma once

#include "app_state.h"
#include "status.h"

#include <functional>
#include <optional>
#include <string>

namespace tavelin::settings {

// Each reader takes the defaults when its file is missing, and also when it
// is there but cannot be read; `unreadable` then says why (text_file.h), as
// only a truly missing file may stand for the defaults.
struct RsPrmOutcome {
    bool opened = false;     // false: the defaults were taken
    bool checkFailed = false; // some value out of range
    bool readFailed = false;  // the file ended early
    std::string unreadable;
};
RsPrmOutcome ReadRsPrm(Settings& settings);

// The communication settings of a missing RSPRM.DAT: 19200 baud, no parity,
// 8 data bits, 1 stop bit, COM1, 50 ms and 800 ms, RS-232C cable.
void ApplyCommDefaults(Settings& settings);

// Called once for each failed check of an ID pair; returns true to read on
// (manual mode) or false to stop at once (automatic mode).
using IdErrorHandler = std::function<bool()>;

struct HhtPrmOutcome {
    bool opened = false;
    int failedChecks = 0;
    std::string unreadable;
};
HhtPrmOutcome ReadHhtPrm(Settings& settings, const IdErrorHandler& onIdError);

struct DirPrmOutcome {
    bool opened = false;
    bool readFailed = false; // fewer than six lines
    int lines = 0;           // how many lines it had, at most six
    std::string unreadable;
};
DirPrmOutcome ReadDirPrm(Settings& settings);

// FirstPollId and LastPollId: 0-based indexes of the lowest and highest
// configured ID (-1 and 127 when none is configured).
void InitPollRange(AppState& state);

// Failed when the file could not be replaced (the system's words, when it
// gave any); it then holds what it held.
Status WriteRsPrm(const Settings& settings);
Status WriteHhtPrm(const Settings& settings);
Status WriteDirPrm(const Settings& settings);

// Puts back the bytes a parameter file (`name`, in the work directory) held
// before a save that failed half way, the same way it was replaced; nothing:
// it was not there and is removed. Done once the result is back on the disk.
Status RestoreParamFile(const Settings& settings, const char* name, const std::optional<std::string>& bytes);

// The words of DIRPRM.DAT lines 4 and 5 for a mode value.
const char* UploadModeWord(int uploadMode);
const char* HistoryModeWord(int historyMode);

} // namespace tavelin::settings
