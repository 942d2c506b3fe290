// SPDX-License-Identifier: MIT
// The serial devices this PC has, by name: the one list both the settings
// dialog (link/qt/serial_device_list.h) and a port's "no such device"
// message offer. One implementation per system, picked by the build:
// serial_devices_posix.cpp reads the kernel's list (without opening a
// device) and udev's stable names; serial_devices_win32.cpp the COM ports
// the registry lists.
#pragma once

#include <string>
#include <vector>

namespace tavelin::link {

// The devices (/dev/ttyS* with a UART behind it, USB and other adapters; on
// Windows COM3...), sorted; empty where that cannot be told.
std::vector<std::string> SystemSerialDevices();

// Where udev keeps a name for each USB serial adapter that stays the same
// whichever ttyUSBn it gets when plugged in again.
inline constexpr const char* kSerialByIdDir = "/dev/serial/by-id";

// The name in `byIdDir` that leads to the same device as `device`, or
// `device` itself when there is none (always on Windows).
std::string StableDeviceName(const std::string& device, const std::string& byIdDir = kSerialByIdDir);

// The devices as a message lists them: each by the name to choose so that
// it stays the same, with the device itself after it where that differs.
inline std::vector<std::string> ListedSerialDevices()
{
    std::vector<std::string> listed;
    for (const std::string& device : SystemSerialDevices()) {
        const std::string stable = StableDeviceName(device);
        listed.push_back(stable == device ? device : stable + " (" + device + ")");
    }
    return listed;
}

} // namespace tavelin::link
