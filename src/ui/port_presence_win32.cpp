// SPDX-License-Identifier: MIT
#include "port_presence.h"

#include <QString>

#include <algorithm>

namespace tavelin::ui {

// "\\.\COM3" is there when the system lists COM3, in any case.
bool PortDevicePresent(const std::string& devicePath, const std::vector<link::SerialDeviceInfo>& systemDevices)
{
    const QString name = QString::fromStdString(devicePath).section(QLatin1Char('\\'), -1);
    return std::any_of(systemDevices.begin(), systemDevices.end(), [&](const link::SerialDeviceInfo& system) {
        return system.systemLocation.compare(name, Qt::CaseInsensitive) == 0;
    });
}

} // namespace tavelin::ui
