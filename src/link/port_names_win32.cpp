// SPDX-License-Identifier: MIT
// The COM name → device rule and a device's rights on Windows: a COM name is
// the system's own, and no variable stands in for it.
#include "port_names.h"

namespace tavelin::link {

// No variable is read here: the dialog is the one place.
std::string DeviceVariable(int) { return ""; }

PortDevice ResolvePortDevice(int commPort, const settings::DeviceChoices& choices)
{
    const std::string chosen = choices.For(commPort);
    // The device namespace form opens COM10 and above too.
    if (!chosen.empty())
        return {chosen.rfind("\\\\", 0) == 0 ? chosen : "\\\\.\\" + chosen, DeviceSource::Chosen};
    if (!choices.unreadable.empty())
        return {"", DeviceSource::SettingsUnreadable};
    return {"\\\\.\\COM" + std::to_string(commPort), DeviceSource::Default};
}

// A COM port has no group of its own to name.
std::string DeviceGroup(const std::string&) { return ""; }

// A COM port has no per-user rights: Windows refuses a port that another
// program holds open with "access denied".
OpenError TellDeniedApart(const std::string&) { return OpenError::InUse; }

} // namespace tavelin::link
