// SPDX-License-Identifier: MIT
// The serial devices the system has, as the settings dialog offers them:
// behind a small interface, so that a test can offer devices of its own.
// This PC's list is link/system/serial_devices.h, the one a port's "no such
// device" message gives too: platform_posix.cpp adds what Qt SerialPort
// knows of each adapter, platform_win32.cpp takes the COM ports as they
// are; the build picks one.
#pragma once

#include <QString>

#include <string>
#include <vector>

namespace tavelin::link {

struct SerialDeviceInfo {
    QString path;           // the stable /dev/serial/by-id name where there is one, else the device itself
    QString systemLocation; // the device itself (/dev/ttyUSB0; COM3, as on Windows the path too)
    QString description;
    QString manufacturer;
    QString serialNumber;
    QString vidPid; // "0403:6001", empty when unknown
    bool operator==(const SerialDeviceInfo&) const = default;
};

class SerialDeviceList {
public:
    virtual ~SerialDeviceList() = default;
    virtual std::vector<SerialDeviceInfo> Devices() const = 0; // sorted by path; COM ports by number
};

// This PC's devices, with the by-id names looked up and, where Qt SerialPort
// is built, each adapter's details; on Windows the COM ports the system lists.
class SystemSerialDeviceList final : public SerialDeviceList {
public:
    std::vector<SerialDeviceInfo> Devices() const override;
};

// Whether the system has `path`, a device a COM name opens: a file there on
// POSIX systems; on Windows a port (\\.\COM3 or COM3) among `devices`, the
// system's list, as a COM port is no file.
bool DevicePresent(const std::string& path, const std::vector<SerialDeviceInfo>& devices);

// The tooltip lines of a device: description, maker, serial number, VID:PID
// and the device behind a by-id name; those unknown are left out.
QString DeviceToolTip(const SerialDeviceInfo& device);

} // namespace tavelin::link
