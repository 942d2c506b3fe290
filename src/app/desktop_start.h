// SPDX-License-Identifier: MIT
// Entering the work folder at start, as --workdir and --desktop ask
// (work_folder.h decides which folder); each step says on standard error
// why the run cannot go on, and then nothing was read or written.
#pragma once

#include "work_folder.h"

#include <optional>
#include <string>

namespace tavelin::app {

// --workdir DIR: entered before the lock and every file, so the run is the
// one it would be if started there. False when there is no such folder.
bool EnterNamedWorkFolder(const std::string& dir);

// --desktop: the folder, decided only (from the folder used last, as the
// user's settings have it, and the user's data folder). It is made once
// this copy holds the lock, so a copy that gives way leaves nothing behind.
// Nothing when there is none.
std::optional<DesktopFolder> ChooseDesktopStartFolder(const std::optional<std::string>& lastWorkFolder);

// Once the lock is held: makes the folder chosen where needed, says what is
// news about it, and enters it. False when it cannot be had or entered.
bool EnterDesktopStartFolder(DesktopFolder& folder);

} // namespace tavelin::app
