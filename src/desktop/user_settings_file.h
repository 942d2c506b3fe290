// SPDX-License-Identifier: MIT
// Where this system keeps this user's tavelin.conf, apart from the work
// data: $XDG_CONFIG_HOME/tavelin (~/.config/tavelin) on POSIX systems, the
// data being under ~/.local/share; on Windows %LOCALAPPDATA%\tavelin-settings,
// beside %LOCALAPPDATA%\tavelin, the folder --desktop works in, whose file
// list the operator renames and deletes in. Also where earlier versions
// kept it: on Windows that very work folder; elsewhere nowhere else
// (platform_posix.cpp, platform_win32.cpp). user_settings_store.h moves a
// former file to its place.
#pragma once

#include <QString>

namespace tavelin::desktop {

QString SystemUserSettingsFile();

// Empty where the file has always been where it is.
QString FormerUserSettingsFile();

} // namespace tavelin::desktop
