// SPDX-License-Identifier: MIT
// This PC's serial devices on Windows: the COM ports the system lists.
#include "serial_devices.h"

#include "com_port_list.h"

namespace tavelin::link {

std::vector<std::string> SystemSerialDevices()
{
    std::vector<std::string> names;
    for (const win32::ComPort& port : win32::SystemComPorts())
        names.push_back(port.name);
    return names;
}

// A COM name is the one name a port has.
std::string StableDeviceName(const std::string& device, const std::string&) { return device; }

} // namespace tavelin::link
