// SPDX-License-Identifier: MIT
// The device behind COM1..COM4: the Windows device name, or on other systems
// the path in TAVELIN_COMn, else the n-th standard serial device. Also the
// one wording of why a port would not open, for standard error and for the
// manual window's message details.
#pragma once

#include "serial_port.h"

#include <string>
#include <vector>

namespace tavelin::link {

std::string PortDeviceName(int commPort);

// The serial devices the system has (/dev/ttyS* with a UART behind it, USB
// and other adapters), sorted; empty where that cannot be told.
std::vector<std::string> SystemSerialDevices();

// The group that owns `device`, or empty when it cannot be told.
std::string DeviceGroup(const std::string& device);

// Qt reports a port locked by another program (its lock file, or TIOCEXCL
// refusing with EBUSY) as a permission error. A device this user may read
// and write cannot have refused for permission, so it is in use. On Windows
// a refused COM port is always one in use.
OpenError TellDeniedApart(const std::string& device);

// What went wrong opening `device` of COM`commPort` and what to do about it,
// one sentence after "COMn (device): ". `systemWords` is the operating
// system's own text; `systemDevices` the devices to offer when it is missing.
std::string PortOpenFailureText(OpenError error, int commPort, const std::string& device,
                                const std::string& systemWords, const std::vector<std::string>& systemDevices);

// "COMn (device): reason", the one line that says which port failed and why;
// an empty reason reads "cannot be opened".
std::string PortFailureLine(int commPort, const std::string& reason);

} // namespace tavelin::link
