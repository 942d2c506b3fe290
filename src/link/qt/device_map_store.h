// SPDX-License-Identifier: MIT
// The per-user file that keeps this PC's device for each COM name: Qt's
// settings in INI form under the user's configuration folder
// (tavelin/tavelin.conf), group "ports", keys COM1..COM4. A window and a
// batch run from cron read the same file.
#pragma once

#include "settings/device_choices.h"

#include <QString>

namespace tavelin::link {

// $XDG_CONFIG_HOME/tavelin/tavelin.conf (~/.config/... when unset), INI form;
// other parts of the program keep their own groups in it.
QString UserSettingsFile();

settings::DeviceChoices LoadDeviceChoices();

// Writes every entry, removing the keys of those without a choice; false
// when the file could not be written.
bool SaveDeviceChoices(const settings::DeviceChoices& choices);

} // namespace tavelin::link
