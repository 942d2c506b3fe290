// SPDX-License-Identifier: MIT
#include "support/system.h"

namespace tavelin::testing {

std::vector<std::string> UserRuntimeFolderVariables() { return {"XDG_RUNTIME_DIR"}; }

bool WatcherSeesItsFolderRemoved() { return true; }

bool SettingsFileFollowsXdgConfigHome() { return true; }

bool SerialDevicesAreFiles() { return true; }

std::vector<std::string> SystemJapaneseUiFaces() { return {}; }

} // namespace tavelin::testing
