// SPDX-License-Identifier: MIT
// The serial port of the real program on this system, SystemSerialPort: Qt
// SerialPort where Qt has it (qt_serial_port.h), the Win32 communications
// adapter on Windows (link/win32/win32_serial_port.h), where our Qt is built
// without it. Both take the event pump and the device choices. The build
// names the header (src/link/qt/CMakeLists.txt), and each header names its
// class SystemSerialPort too.
#pragma once

#include TAVELIN_SYSTEM_SERIAL_PORT_H
