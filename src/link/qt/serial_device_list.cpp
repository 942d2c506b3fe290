// SPDX-License-Identifier: MIT
#include "serial_device_list.h"

#include "link/port_names.h"
#include "settings/texts.h"

#include <QStringList>

#ifdef Q_OS_WIN
#include "link/win32/com_port_list.h"
#else
#include <QSerialPortInfo>
#endif

#include <algorithm>

namespace tavelin::link {

namespace {

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

} // namespace

#ifdef Q_OS_WIN
// The COM ports the system lists, by name; Windows keeps no maker or serial
// number there. The list comes sorted by number (COM2 before COM10).
std::vector<SerialDeviceInfo> SystemSerialDeviceList::Devices() const
{
    std::vector<SerialDeviceInfo> devices;
    for (const win32::ComPort& port : win32::SystemComPorts()) {
        SerialDeviceInfo device;
        device.path = device.systemLocation = QString::fromStdString(port.name);
        devices.push_back(device);
    }
    return devices;
}
#else
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
#endif

QString DeviceToolTip(const SerialDeviceInfo& device)
{
    QStringList lines;
    const auto add = [&](std::string_view label, const QString& value) {
        if (!value.isEmpty())
            lines << Q(label) + value;
    };
    add(texts::kDeviceTipDescription, device.description);
    add(texts::kDeviceTipMaker, device.manufacturer);
    add(texts::kDeviceTipSerial, device.serialNumber);
    add(texts::kDeviceTipVidPid, device.vidPid);
    if (device.systemLocation != device.path)
        add(texts::kDeviceTipDevice, device.systemLocation);
    return lines.isEmpty() ? device.path : lines.join(QLatin1Char('\n'));
}

} // namespace tavelin::link
