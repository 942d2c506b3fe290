// SPDX-License-Identifier: MIT
// The program's exit statuses, as the help text lists them for the scripts
// and schedulers that start it.
#pragma once

#include "settings/app_state.h"

namespace tavelin::app {

enum ExitStatus {
    kExitOk = 0,
    kExitStartupFailed = 1, // also a run that ended with an error code in RESULT.DAT
    kExitNoDisplay = 2,
    kExitUsage = 2,         // an unknown option
    kExitAlreadyRunning = 3,
    kExitSignal = 4,        // a signal ended the run or closed the manual window
    kExitLogNotWritten = 5, // RESULT.DAT or HISTORY.DAT does not hold what the run wrote
    kExitFilesFailed = 6,   // a batch run ended normally, but a file of it failed (HISTORY.DAT says which)
};

// The status of a batch run whose window closed: kExitStartupFailed when
// RESULT.DAT holds an error, kExitSignal when a signal ended it, else
// kExitFilesFailed when a file failed (said on standard error: RESULT.DAT
// counts hand-helds and cannot tell), else kExitOk.
int AutomaticRunStatus(bool failed, bool signalled, const settings::AppState& state);

// A caller reads the outcome from RESULT.DAT and HISTORY.DAT: when either
// misses what the run wrote, a status of 0 or 1 would vouch for old lines.
// Then says which on standard error and gives kExitLogNotWritten; else
// `status` as it is.
int ReportLogWriteFailures(int status, const settings::AppState& state);

} // namespace tavelin::app
