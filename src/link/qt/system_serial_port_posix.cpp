// SPDX-License-Identifier: MIT
#include "system_serial_port.h"

#include "qt_serial_port.h"

namespace tavelin::link {

std::unique_ptr<SerialPort> MakeSystemSerialPort(EventPump& pump, const settings::DeviceChoices& choices)
{
    auto port = std::make_unique<QtSerialPort>(pump);
    port->UseDeviceChoices(choices);
    return port;
}

} // namespace tavelin::link
