// SPDX-License-Identifier: MIT
// The per-user file that keeps this PC's device for each COM name: Qt's
// settings in INI form under the user's configuration folder
// (tavelin/tavelin.conf), group "ports", keys COM1..COM4. A window and a
// batch run from cron read the same file.
#pragma once

#include "settings/device_choices.h"

#include <QString>

#include <string>

namespace tavelin::link {

// $XDG_CONFIG_HOME/tavelin/tavelin.conf (~/.config/... when unset), INI form;
// other parts of the program keep their own groups in it.
QString UserSettingsFile();

// What may be done with the settings file, found out before Qt's settings
// touch it: Qt would wait for ever reading a FIFO, and its save replaces
// whatever file a symbolic link leads to.
struct UserSettingsFileCheck {
    // Why the file there cannot be read ("is a folder, not a file"); empty
    // when it can, or when there is none (nothing to read, nothing lost).
    std::string unreadable;
    // Why the program must not replace it though it reads it ("is a symbolic
    // link"); empty when it may.
    std::string unwritable;
    bool Readable() const { return unreadable.empty(); }
    bool Writable() const { return unreadable.empty() && unwritable.empty(); }
};
UserSettingsFileCheck CheckUserSettingsFile();

// "the settings file PATH " and `problem`, the path quoted for a log line.
std::string UserSettingsFileProblem(const std::string& problem);

// The choices, or none with DeviceChoices::unreadable saying why when the
// file is there but cannot be read.
settings::DeviceChoices LoadDeviceChoices();

// Writes every entry, removing the keys of those without a choice; false
// when the file could not be written or must not be (a link, unreadable).
bool SaveDeviceChoices(const settings::DeviceChoices& choices);

} // namespace tavelin::link
