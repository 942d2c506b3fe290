// SPDX-License-Identifier: MIT
// The COM ports this Windows PC has, as the system lists them under
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM (each driver enters the ports it serves
// while they are present): for the settings dialog's choice of a device and
// for the reason a missing port gives.
#pragma once

#include <string>
#include <vector>

namespace tavelin::link::win32 {

struct ComPort {
    std::string name; // "COM3"
    std::string path; // "\\.\COM3": the form that opens COM10 and above too
};

// Sorted by number (COM2 before COM10); empty when the key is missing or
// cannot be read.
std::vector<ComPort> SystemComPorts();

// The list of port names as the registry holds them, made into ports:
// names trimmed, empty ones and repeats dropped, sorted by number.
std::vector<ComPort> ComPortsFromNames(const std::vector<std::string>& names);

} // namespace tavelin::link::win32
