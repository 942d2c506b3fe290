// SPDX-License-Identifier: MIT
// Writes of RESULT.DAT and HISTORY.DAT that failed during a run. A run goes
// on when its logs cannot be written, but it must not end as if they had
// been: the program reads this record (kept in AppState) at its end, says
// what failed and ends with a status of its own. The writers fill it in.
#pragma once

namespace tavelin::settings {

struct LogWriteFailures {
    bool result = false;      // the latest RESULT.DAT write failed: the file holds no outcome of this run
    int historyLines = 0;     // HISTORY.DAT lines that could not be written
    bool historyKept = false; // a HISTORY.DAT of earlier runs could be neither removed nor emptied
    bool Any() const { return result || historyLines > 0 || historyKept; }
};

} // namespace tavelin::settings
