// SPDX-License-Identifier: MIT
// Reading the latency timer of the USB serial adapter behind an open port
// (link/adapter_latency.h says what it means): Linux's sysfs
// (adapter_timer_posix.cpp) or the FTDI driver's entry in the Windows
// registry (adapter_timer_win32.cpp).
#pragma once

#include "link/adapter_latency.h"

#include <filesystem>
#include <optional>
#include <string>

namespace tavelin::link {

// The adapter behind the device the port opened; nothing where there is no
// such timer or it cannot be read.
std::optional<AdapterLatency> ReadAdapterLatency(const std::string& devicePath);

// POSIX builds: the timer of `devicePath` (a /dev/serial/by-id link is
// followed to its ttyUSBn) in `sysRoot`/bus/usb-serial/devices/ttyUSBn/.
std::optional<int> SysfsLatencyTimer(const std::filesystem::path& sysRoot, const std::string& devicePath);

} // namespace tavelin::link
