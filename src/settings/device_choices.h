// SPDX-License-Identifier: MIT
// The device each COM name opens on this PC, as the operator chose it in the
// settings dialog: for this user, or for all users of the PC (so that a
// scheduled run under another account opens the same port). Both are kept
// apart from RSPRM.DAT (which holds only the COM number and travels between
// PCs). This user's choice comes before the PC's. An empty entry means no
// choice, and the next one stands, unless the file that keeps the choices is
// there but could not be read: then nobody can tell what was chosen, and a
// COM name without a choice before that file opens none.
#pragma once

#include <array>
#include <string>

namespace tavelin::settings {

constexpr int kComNames = 4; // COM1..COM4

struct DeviceChoices {
    std::array<std::string, kComNames> chosen{}; // this user's; index = COM number - 1
    std::array<std::string, kComNames> machine{}; // for all users of this PC
    // Why the file with this user's choices could not be read ("the settings
    // file ... is a folder, not a file"); empty when it was read or is not
    // there. machineUnreadable likewise for the PC's file.
    std::string unreadable;
    std::string machineUnreadable;

    // The device chosen for COM`commPort`, or empty (also for a number
    // outside 1..4).
    std::string For(int commPort) const
    {
        return commPort >= 1 && commPort <= kComNames ? chosen[std::size_t(commPort - 1)] : std::string();
    }
    std::string MachineFor(int commPort) const
    {
        return commPort >= 1 && commPort <= kComNames ? machine[std::size_t(commPort - 1)] : std::string();
    }
    // Why a COM name without a choice before the unreadable file opens
    // nothing: this user's file first, as it is read first.
    const std::string& WhyUnknown() const { return unreadable.empty() ? machineUnreadable : unreadable; }
    bool operator==(const DeviceChoices&) const = default;
};

} // namespace tavelin::settings
