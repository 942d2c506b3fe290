// SPDX-License-Identifier: MIT
// The device each COM name opens on this PC, as the operator chose it in the
// settings dialog: a per-user setting of the PC, kept apart from RSPRM.DAT
// (which holds only the COM number and travels between PCs). An empty entry
// means no choice, and the standard device stands, unless the file that keeps
// the choices is there but could not be read: then nobody can tell what was
// chosen, and a COM name without another device opens none.
#pragma once

#include <array>
#include <string>

namespace tavelin::settings {

constexpr int kComNames = 4; // COM1..COM4

struct DeviceChoices {
    std::array<std::string, kComNames> chosen{}; // index = COM number - 1
    // Why the file with the choices could not be read ("the settings file
    // ... is a folder, not a file"); empty when it was read or is not there.
    std::string unreadable;

    // The device chosen for COM`commPort`, or empty (also for a number
    // outside 1..4).
    std::string For(int commPort) const
    {
        return commPort >= 1 && commPort <= kComNames ? chosen[std::size_t(commPort - 1)] : std::string();
    }
    bool operator==(const DeviceChoices&) const = default;
};

} // namespace tavelin::settings
