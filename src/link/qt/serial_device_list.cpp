// SPDX-License-Identifier: MIT
#include "serial_device_list.h"

#include "settings/texts.h"

#include <QStringList>

namespace tavelin::link {

namespace {

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

} // namespace

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
