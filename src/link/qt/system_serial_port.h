// SPDX-License-Identifier: MIT
// The serial port of the real program on this system: Qt SerialPort where
// Qt has it, the Win32 communications adapter on Windows, where our Qt is
// built without it. Both take the event pump and the device choices.
#pragma once

#ifdef _WIN32
#include "link/win32/win32_serial_port.h"
#else
#include "link/qt/qt_serial_port.h"
#endif

namespace tavelin::link {

#ifdef _WIN32
using SystemSerialPort = Win32SerialPort;
#else
using SystemSerialPort = QtSerialPort;
#endif

} // namespace tavelin::link
