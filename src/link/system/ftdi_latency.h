// SPDX-License-Identifier: MIT
// The FTDI driver's latency timer of a COM port, from the registry: each port
// the driver made has SYSTEM\CurrentControlSet\Enum\FTDIBUS\<device>\<instance>
// \Device Parameters in HKEY_LOCAL_MACHINE, with its PortName ("COM3") and
// its LatencyTimer (REG_DWORD, milliseconds) as the Advanced port settings
// set it. Reading needs no rights beyond an ordinary user's.
#pragma once

#include <optional>
#include <string>

namespace tavelin::link::win32 {

enum class RegistryRoot { LocalMachine, CurrentUser };

inline constexpr const wchar_t* kFtdiEnumKey = L"SYSTEM\\CurrentControlSet\\Enum\\FTDIBUS";

// The timer of the port named `portName` (case does not matter) among the
// devices under `root`\`enumKey`; nothing when no such port is there or its
// value is missing or no DWORD.
std::optional<int> FtdiLatencyTimer(RegistryRoot root, const std::wstring& enumKey, const std::string& portName);

// "COM3" from "\\.\COM3" or "COM3"; the device path the port opened.
std::string PortNameOf(const std::string& devicePath);

} // namespace tavelin::link::win32
