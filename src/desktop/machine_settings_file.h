// SPDX-License-Identifier: MIT
// Where this system keeps settings for all users of the PC, the folder of
// the per-machine tavelin.conf: /etc/xdg/tavelin on POSIX systems (the first
// of XDG's standard configuration folders, written by an administrator) and
// %ProgramData%\tavelin on Windows (platform_posix.cpp, platform_win32.cpp).
// user_settings_store.h adds the file name and the override for tests.
#pragma once

#include <QString>

namespace tavelin::desktop {

QString SystemMachineSettingsFolder();

} // namespace tavelin::desktop
