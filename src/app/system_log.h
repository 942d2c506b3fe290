// SPDX-License-Identifier: MIT
// One entry per batch run in the system's own log, so a site watches its
// PCs with the tools it already has: the run's RESULT.DAT line and its exit
// status, as information when the run went well and as a warning or an
// error otherwise (see RunEventKind). Windows writes it to the Application
// log under the source "Tavelin" (system_log_win32.cpp); elsewhere the
// service manager's journal already keeps the run's output, and nothing is
// written (system_log_posix.cpp). Logging is best effort: a log that cannot
// be written never changes the run's outcome.
#pragma once

#include <string>

namespace tavelin::app {

enum class RunEventKind { Information, Warning, Error };

struct RunEvent {
    RunEventKind kind = RunEventKind::Information;
    std::string text; // UTF-8, lines ending in CR LF
};

// The kind for an exit status (exit_status.h): 0 information; 4 (a stop
// asked for) and 6 (the run ended, some files failed) warnings; every other
// status an error, for the run did not do its work.
RunEventKind RunEventKindFor(int status);

// `resultLine` the RESULT.DAT line this run wrote (or tried to write); empty
// when it wrote none.
RunEvent DescribeBatchRun(const std::string& resultLine, int status);

// Per system: writes the event; failures are ignored.
void WriteToSystemLog(const RunEvent& event);

} // namespace tavelin::app
