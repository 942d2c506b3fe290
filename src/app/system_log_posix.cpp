// SPDX-License-Identifier: MIT
// The journal (or cron's mail) already holds what a batch run prints.
#include "system_log.h"

namespace tavelin::app {

void WriteToSystemLog(const RunEvent&) {}

} // namespace tavelin::app
