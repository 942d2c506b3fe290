// SPDX-License-Identifier: MIT
// The standard device for a COM name and a device's rights on Windows: a COM
// name is the system's own.
#include "port_names.h"

namespace tavelin::link {

std::string StandardDevice(int commPort) { return "\\\\.\\COM" + std::to_string(commPort); }

// The device namespace form opens COM10 and above too; a name already in it
// (or any other \\ path) is opened as given.
std::string SystemDeviceName(const std::string& name)
{
    return name.rfind("\\\\", 0) == 0 ? name : "\\\\.\\" + name;
}

// A COM port has no group of its own to name.
std::string DeviceGroup(const std::string&) { return ""; }

// A COM port has no per-user rights: Windows refuses a port that another
// program holds open with "access denied".
OpenError TellDeniedApart(const std::string&) { return OpenError::InUse; }

} // namespace tavelin::link
