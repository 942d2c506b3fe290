// SPDX-License-Identifier: MIT
// The program's port on POSIX systems, on Qt SerialPort
// (system_serial_port.h), and the settings dialog's devices
// (serial_device_list.h): the kernel's list, the one a port's "no such
// device" message gives (link/system/serial_devices.h), each by udev's
// stable by-id name, with what Qt SerialPort knows of it (maker, serial
// number, VID:PID). Qt's own list is not the list: where udev is missing it
// names every ttyS that has a device node, a UART fitted or not.
#include "serial_device_list.h"
#include "system_serial_port.h"

#include "qt_serial_port.h"

#include "link/system/serial_devices.h"

#include <QSerialPortInfo>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace tavelin::link {

std::vector<SerialDeviceInfo> SystemSerialDeviceList::Devices() const
{
    const QList<QSerialPortInfo> known = QSerialPortInfo::availablePorts();
    std::vector<SerialDeviceInfo> devices;
    for (const std::string& name : SystemSerialDevices()) {
        SerialDeviceInfo device;
        device.systemLocation = QString::fromStdString(name);
        device.path = QString::fromStdString(StableDeviceName(name));
        const auto info = std::find_if(known.begin(), known.end(), [&](const QSerialPortInfo& each) {
            return each.systemLocation() == device.systemLocation;
        });
        if (info != known.end()) {
            device.description = info->description();
            device.manufacturer = info->manufacturer();
            device.serialNumber = info->serialNumber();
            if (info->hasVendorIdentifier() && info->hasProductIdentifier())
                device.vidPid = QStringLiteral("%1:%2")
                                    .arg(info->vendorIdentifier(), 4, 16, QLatin1Char('0'))
                                    .arg(info->productIdentifier(), 4, 16, QLatin1Char('0'));
        }
        devices.push_back(device);
    }
    std::sort(devices.begin(), devices.end(),
              [](const SerialDeviceInfo& a, const SerialDeviceInfo& b) { return a.path < b.path; });
    return devices;
}

bool DevicePresent(const std::string& path, const std::vector<SerialDeviceInfo>&)
{
    std::error_code error;
    return std::filesystem::exists(std::filesystem::path(path), error);
}

std::unique_ptr<SerialPort> MakeSystemSerialPort(EventPump& pump, const settings::DeviceChoices& choices)
{
    auto port = std::make_unique<QtSerialPort>(pump);
    port->UseDeviceChoices(choices);
    return port;
}

} // namespace tavelin::link
