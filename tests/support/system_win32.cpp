// SPDX-License-Identifier: MIT
#include "support/system.h"

namespace tavelin::testing {

std::vector<std::string> UserRuntimeFolderVariables() { return {"TMP", "TEMP"}; }

bool WatcherSeesItsFolderRemoved() { return false; }

bool SettingsFileFollowsXdgConfigHome() { return false; }

bool SerialDevicesAreFiles() { return false; }

std::vector<std::string> SystemJapaneseUiFaces() { return {"Yu Gothic UI", "Meiryo UI", "MS UI Gothic"}; }

} // namespace tavelin::testing
