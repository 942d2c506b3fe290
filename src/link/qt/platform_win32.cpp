// SPDX-License-Identifier: MIT
// The program's port on Windows, the Win32 adapter (system_serial_port.h),
// and the settings dialog's devices (serial_device_list.h): the COM ports
// the system lists, by name (Qt SerialPort is not built there). Windows
// keeps no maker or serial number there. The list comes sorted by number
// (COM2 before COM10).
#include "serial_device_list.h"
#include "system_serial_port.h"

#include "link/system/serial_devices.h"
#include "link/win32/win32_serial_port.h"

#include <algorithm>

namespace tavelin::link {

std::vector<SerialDeviceInfo> SystemSerialDeviceList::Devices() const
{
    std::vector<SerialDeviceInfo> devices;
    for (const std::string& name : SystemSerialDevices()) {
        SerialDeviceInfo device;
        device.path = device.systemLocation = QString::fromStdString(name);
        devices.push_back(device);
    }
    return devices;
}

bool DevicePresent(const std::string& path, const std::vector<SerialDeviceInfo>& devices)
{
    const QString name = QString::fromStdString(path).section(QLatin1Char('\\'), -1);
    return std::any_of(devices.begin(), devices.end(), [&](const SerialDeviceInfo& system) {
        return system.systemLocation.compare(name, Qt::CaseInsensitive) == 0;
    });
}

std::unique_ptr<SerialPort> MakeSystemSerialPort(EventPump& pump, const settings::DeviceChoices& choices)
{
    auto port = std::make_unique<Win32SerialPort>(pump);
    port->UseDeviceChoices(choices);
    return port;
}

} // namespace tavelin::link
