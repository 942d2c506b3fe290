// SPDX-License-Identifier: MIT
#include "system_serial_port.h"

#include "link/win32/win32_serial_port.h"

namespace tavelin::link {

std::unique_ptr<SerialPort> MakeSystemSerialPort(EventPump& pump, const settings::DeviceChoices& choices)
{
    auto port = std::make_unique<Win32SerialPort>(pump);
    port->UseDeviceChoices(choices);
    return port;
}

} // namespace tavelin::link
