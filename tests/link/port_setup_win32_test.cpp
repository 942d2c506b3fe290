// SPDX-License-Identifier: MIT
// The COM names of Windows: the device namespace form, the registry's
// ports, and a refusal to open read as "in use".
#include "link/port_names.h"
#include "link/port_setup.h"
#include "link/system/serial_devices.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace tavelin::testing {
namespace {

using namespace tavelin::link;

// The device namespace form opens COM10 and above too, which the bare name
// cannot; a scheduled task names its port with the variable, as elsewhere.
TEST(PortNames, ComPortsAreWindowsDevicesAndARefusalMeansInUse)
{
    _putenv_s("TAVELIN_COM1", "COM9");
    EXPECT_EQ(PortDeviceName(1, {}), "\\\\.\\COM9");
    EXPECT_EQ(ResolvePortDevice(1, {}).source, DeviceSource::Environment);
    _putenv_s("TAVELIN_COM1", "\\\\.\\COM11");
    EXPECT_EQ(PortDeviceName(1, {}), "\\\\.\\COM11");
    _putenv_s("TAVELIN_COM1", "");
    EXPECT_EQ(PortDeviceName(1, {}), "\\\\.\\COM1");
    EXPECT_EQ(PortDeviceName(4, {}), "\\\\.\\COM4");
    EXPECT_EQ(PortDeviceName(12, {}), "\\\\.\\COM12");
    _putenv_s("TAVELIN_COM1", "");
    // A port chosen in the settings dialog, by its bare name or already in
    // the device namespace.
    settings::DeviceChoices choices;
    choices.chosen[0] = "COM7";
    choices.chosen[1] = "\\\\.\\COM12";
    EXPECT_EQ(PortDeviceName(1, choices), "\\\\.\\COM7");
    EXPECT_EQ(PortDeviceName(2, choices), "\\\\.\\COM12");
    EXPECT_EQ(ResolvePortDevice(2, choices).source, DeviceSource::Chosen);

    // The system's devices are its COM ports, by name.
    for (const auto& device : SystemSerialDevices())
        EXPECT_EQ(device.rfind("COM", 0), 0u) << device;
    EXPECT_EQ(TellDeniedApart(PortDeviceName(1, {})), OpenError::InUse);
    EXPECT_EQ(PortOpenFailureText(OpenError::InUse, 1, PortDeviceName(1, {}), "", {}, DeviceSource::Default),
              "in use by another program; end that program or choose another port");
    EXPECT_EQ(PortOpenFailureText(OpenError::NoPermission, 2, PortDeviceName(2, {}), "", {}, DeviceSource::Default),
              "permission denied: this user may not read and write the device");
    // A missing port points to the dialog and to the variable.
    EXPECT_EQ(PortOpenFailureText(OpenError::NotFound, 3, PortDeviceName(3, {}), "", {"COM1", "COM5"},
                                  DeviceSource::Default),
              "no such device; the system's serial devices are COM1, COM5 (choose the device COM3 opens in 設定 (通信条件) "
              "or set TAVELIN_COM3)");
}

} // namespace
} // namespace tavelin::testing
