// SPDX-License-Identifier: MIT
// The serial port of the real program on this system: Qt SerialPort where Qt
// has it (platform_posix.cpp, qt_serial_port.h), the Win32 communications
// adapter on Windows (platform_win32.cpp, link/win32/win32_serial_port.h),
// where our Qt is built without it.
#pragma once

#include "link/event_pump.h"
#include "link/serial_port.h"
#include "settings/device_choices.h"

#include <memory>

namespace tavelin::link {

// A closed port that opens the devices `choices` name (link/port_names.h);
// the choices are read at each open, so the settings dialog's changes count,
// and must outlive the port.
std::unique_ptr<SerialPort> MakeSystemSerialPort(EventPump& pump, const settings::DeviceChoices& choices);

} // namespace tavelin::link
