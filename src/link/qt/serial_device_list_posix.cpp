// SPDX-License-Identifier: MIT
// The settings dialog's devices on POSIX systems: Qt SerialPort's list,
// which knows each adapter's maker and serial number, with udev's stable
// by-id names looked up.
#include "serial_device_list.h"

#include "link/serial_devices.h"

#include <QSerialPortInfo>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace tavelin::link {

std::vector<SerialDeviceInfo> SystemSerialDeviceList::Devices() const
{
    std::vector<SerialDeviceInfo> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SerialDeviceInfo device;
        device.systemLocation = info.systemLocation();
        device.path = QString::fromStdString(StableDeviceName(device.systemLocation.toStdString()));
        device.description = info.description();
        device.manufacturer = info.manufacturer();
        device.serialNumber = info.serialNumber();
        if (info.hasVendorIdentifier() && info.hasProductIdentifier())
            device.vidPid = QStringLiteral("%1:%2")
                                .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                                .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
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

} // namespace tavelin::link
