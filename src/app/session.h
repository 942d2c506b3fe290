// SPDX-License-Identifier: MIT
// One run of the program once the QApplication is up: the start-up sequence
// on a 10 ms timer once the event loop runs, then the mode window it chose,
// until that window closes. A stop signal quits the automatic window's run
// as ENDPRM.DAT "2" does, or closes the manual window as its close button
// does; one that comes before the start-up is applied to its window.
#pragma once

#include "options.h"
#include "single_instance.h"
#include "work_folder.h"

#include "desktop/user_settings.h"

#include <optional>
#include <string>

namespace tavelin::app {

// `user` the user's settings, read at the start; `workDir` the current
// directory, named; `desktop` the folder of a desktop start; `instance` the
// folder's lock this copy holds, whose window start comes forward when
// started again there (window_handover.h); `screen` whether windows can be
// shown. The exit status (exit_status.h): that of the start-up or the
// window, kExitAlreadyRunning when the run's serial device was in use, or
// kExitLogNotWritten when a log misses what the run wrote.
int RunSession(const Options& options, desktop::UserSettings& user, const std::optional<DesktopFolder>& desktop,
               const std::string& workDir, const SingleInstance& instance, bool screen);

} // namespace tavelin::app
