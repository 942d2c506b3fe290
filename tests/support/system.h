// SPDX-License-Identifier: MIT
// What the window tests need to know of the system under them, answered
// here once (system_posix.cpp, system_win32.cpp) instead of in each test.
#pragma once

#include <string>
#include <vector>

namespace tavelin::testing {

// The variables naming the folder of the user's own that holds the one-copy
// lock: the runtime folder on Linux, the temporary folder on Windows.
std::vector<std::string> UserRuntimeFolderVariables();

// Whether a folder watcher hears of the removal of the folder it watches
// (Wine's does not).
bool WatcherSeesItsFolderRemoved();

// Whether XDG_CONFIG_HOME names the folder of this user's settings file
// (Windows keeps it in the user's application data).
bool SettingsFileFollowsXdgConfigHome();

// Whether a serial device is a file that is there or not (POSIX), rather
// than a name the system's list of COM ports has or lacks (Windows).
bool SerialDevicesAreFiles();

// The system's own Japanese UI faces, best first, where it has them
// (Windows: it lists them for Japanese, and one of them is preferred to any
// other); empty elsewhere, where the font system matches the free faces
// under any name.
std::vector<std::string> SystemJapaneseUiFaces();

} // namespace tavelin::testing
