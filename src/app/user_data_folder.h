// SPDX-License-Identifier: MIT
// The user's own data folder, under which a desktop start makes its
// tavelin folder: $XDG_DATA_HOME, else $HOME/.local/share on Linux (the XDG
// rule, work_folder.h); the user's local application data on Windows
// (%LOCALAPPDATA%), which needs no HOME
// (user_data_folder_posix.cpp, user_data_folder_win32.cpp).
#pragma once

#include "work_folder.h"

namespace tavelin::app {

// The folder, or (dir empty) why this user has none.
DataFolder UserDataFolder();

} // namespace tavelin::app
