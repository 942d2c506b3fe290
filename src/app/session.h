// SPDX-License-Identifier: MIT
// One run of the program once the QApplication is up: the start-up sequence
// on a 10 ms timer once the event loop runs, then the mode window it chose,
// until that window closes. A stop signal quits the automatic window's run
// as ENDPRM.DAT "2" does, or closes the manual window as its close button
// does; one that comes before the start-up is applied to its window.
#pragma once

#include "options.h"
#include "work_folder.h"

#include "desktop/user_settings.h"

#include <optional>
#include <string>

namespace tavelin::app {

// `user` the user's settings, read at the start; `workDir` the current
// directory, named; `desktop` the folder of a desktop start; `lockPath` the one-copy lock this copy holds; `screen`
// whether windows can be shown. The exit status
// (exit_status.h): that of the start-up or the window, or
// kExitLogNotWritten when a log misses what the run wrote.
int RunSession(const Options& options, desktop::UserSettings& user, const std::optional<DesktopFolder>& desktop,
               const std::string& workDir, const std::string& lockPath, bool screen);

} // namespace tavelin::app
