// SPDX-License-Identifier: MIT
// The per-user settings file, tavelin.conf, and the one code that opens it:
// Qt's settings in INI form under the user's configuration folder
// (tavelin/tavelin.conf). Its groups: "ports" (this PC's device for each COM
// name, keys COM1..COM4), "workdir" (the folder used last and the recent
// ones) and "window" (where the manual window stood). A window and a batch
// run from cron read the same file.
//
// The same file for all users of the PC (MachineSettingsFile) holds only the
// group "ports": the device each COM name opens for a user who chose none.
// It is read with the same checks, and only when no other user could have
// written it, and written only by the settings dialog, when the operator
// may write there.
//
// The settings dialog (src/ui) saves the device choices here; the program's
// own uses (work folders, the window's place) are in user_settings.h.
//
// The key "version" says the file's layout, written with every save; a file
// without it is layout 1, this one. A later layout raises
// kUserSettingsLayout and moves the older keys to their new place when the
// file is read, before anything else reads it. A file of a newer layout than
// this program's is read for the keys it knows and keeps its version.
#pragma once

#include "settings/device_choices.h"

#include <QByteArray>
#include <QSettings>
#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace tavelin::desktop {

inline constexpr int kUserSettingsLayout = 1;

// $XDG_CONFIG_HOME/tavelin/tavelin.conf (~/.config/... when unset), INI form;
// on Windows %LOCALAPPDATA%\tavelin-settings\tavelin.conf (user_settings_file.h).
QString UserSettingsFile();

// Moves this user's file from where an earlier version kept it, once, when
// nothing is at its place yet; said on standard error either way. Made
// before anything reads the file: the store's constructor calls it.
void MoveFormerUserSettings();

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

// The per-machine file: TAVELIN_MACHINE_CONF when set (a test's, or a site's
// that keeps it elsewhere), else tavelin.conf in the system's folder for all
// users (machine_settings_file.h).
QString MachineSettingsFile();
// As CheckUserSettingsFile; the file belongs to an administrator as a rule,
// so its owner is no reason not to write it. But the runs of every user
// take their devices from it: one that anybody else than an administrator
// or this user could have written (open to every user, in a folder that is,
// another user's, or a link to such a file; file_owner.h) is refused as
// one that cannot be read, with the reason.
UserSettingsFileCheck CheckMachineSettingsFile();
// "the settings file for all users of this PC PATH " and `problem`.
std::string MachineSettingsFileProblem(const std::string& problem);

// This user's choices and this PC's; a file that is there but cannot be
// read gives none, with DeviceChoices::unreadable (or machineUnreadable)
// saying why. A run reads them once, with the rest (UserSettingsStore).
settings::DeviceChoices LoadDeviceChoices();

// Writes every entry of `choices.chosen`, removing the keys of those without
// a choice; false when the file could not be written or must not be (a
// link, unreadable).
bool SaveDeviceChoices(const settings::DeviceChoices& choices);

// The same for `choices.machine` into the per-machine file, its folder made
// when missing; false when this user may not write there (as a rule only an
// administrator may) or the file must not be written.
bool SaveMachineDeviceChoices(const settings::DeviceChoices& choices);

// Both files, read once when made: the device choices of this user and of
// this PC (as LoadDeviceChoices), and the groups "workdir" and "window"
// of this user's. A file that cannot
// be read is not handed to Qt at all: nothing is read from it and nothing
// written to it; one that is a link is read but never written. Before each
// write the file is checked again (it may have been replaced since), and
// standard error says once why it is not written.
class UserSettingsStore {
public:
    UserSettingsStore();
    const settings::DeviceChoices& Devices() const { return devices_; }
    std::optional<std::string> LastWorkFolder() const;
    std::vector<std::string> RecentWorkFolders() const;
    void SaveWorkFolders(const std::string& last, const std::vector<std::string>& recent);
    QByteArray WindowGeometry() const;
    void SaveWindowGeometry(const QByteArray& geometry);

private:
    bool MayWrite();
    void Sync();

    UserSettingsFileCheck read_; // as the file was when it was read
    QSettings settings_;
    settings::DeviceChoices devices_;
    bool toldUnwritable_ = false;
};

} // namespace tavelin::desktop
