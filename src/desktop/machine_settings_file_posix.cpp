// SPDX-License-Identifier: MIT
// Fixed rather than the first entry of XDG_CONFIG_DIRS: a run under cron or
// another account would see another list, and the point of the file is that
// every user's run reads the same one.
#include "machine_settings_file.h"

namespace tavelin::desktop {

QString SystemMachineSettingsFolder() { return QStringLiteral("/etc/xdg/tavelin"); }

} // namespace tavelin::desktop
