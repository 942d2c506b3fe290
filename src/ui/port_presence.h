// SPDX-License-Identifier: MIT
// Whether the device a COM name opens is there, for the settings dialog's
// tooltips. On Windows a port is a name in the system's list of COM ports,
// not a file; elsewhere it is a device file. port_presence_posix.cpp and
// port_presence_win32.cpp hold each system's rule.
#pragma once

#include "link/qt/serial_device_list.h"

#include <string>
#include <vector>

namespace tavelin::ui {

// `devicePath` as link::ResolvePortDevice gives it; `systemDevices` the
// serial devices the system lists now.
bool PortDevicePresent(const std::string& devicePath, const std::vector<link::SerialDeviceInfo>& systemDevices);

} // namespace tavelin::ui
