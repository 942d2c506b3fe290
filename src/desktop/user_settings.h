// SPDX-License-Identifier: MIT
// What this user's desktop remembers between starts, in the per-user
// settings file (user_settings_store.h, which alone opens it): the
// work folders used lately and where the manual window stood. The parameter
// files stay the settings of a work folder; these belong to the person at
// this PC. A file there that cannot be read is left alone: nothing is read
// from it and nothing written to it; one that is a link is read but never
// written. The program makes one at its start, which reads this file and
// the one for all users of the PC once (the devices of the COM names too).
#pragma once

#include "user_settings_store.h"

#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace tavelin::desktop {

// The names the desktop knows the program by: its settings file, and the
// desktop entry its windows group with.
void NameTheApplication();

class UserSettings {
public:
    const settings::DeviceChoices& Devices() const { return store_.Devices(); }
    std::optional<std::string> LastWorkFolder() const { return store_.LastWorkFolder(); }
    std::vector<std::string> RecentWorkFolders() const { return store_.RecentWorkFolders(); }
    void RememberWorkFolder(const std::string& dir); // the last one, at the head of the recent ones
    void RestoreWindow(QWidget& window) const;
    void SaveWindow(const QWidget& window);

private:
    UserSettingsStore store_;
};

} // namespace tavelin::desktop
