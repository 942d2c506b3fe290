// SPDX-License-Identifier: MIT
// Which device a COM name opens on Linux: /dev/ttyS0 for COM1 unless the
// variable or a choice names another, and the stable by-id name udev gives
// a device.
#include "link/port_names.h"
#include "link/system/serial_devices.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace tavelin::testing {
namespace {

using namespace tavelin::link;

TEST(PortDevice, VariableThenChoiceThenStandardDevice)
{
    settings::DeviceChoices choices;
    choices.chosen[1] = "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0";
    ::unsetenv("TAVELIN_COM2");
    ::unsetenv("TAVELIN_COM3");

    const PortDevice chosen = ResolvePortDevice(2, choices);
    EXPECT_EQ(chosen.path, choices.chosen[1]);
    EXPECT_EQ(chosen.source, DeviceSource::Chosen);
    const PortDevice standard = ResolvePortDevice(3, choices);
    EXPECT_EQ(standard.path, "/dev/ttyS2");
    EXPECT_EQ(standard.source, DeviceSource::Default);

    ::setenv("TAVELIN_COM2", "/dev/pts/9", 1);
    const PortDevice variable = ResolvePortDevice(2, choices);
    EXPECT_EQ(variable.path, "/dev/pts/9");
    EXPECT_EQ(variable.source, DeviceSource::Environment);
    // An empty variable names nothing: the choice stands.
    ::setenv("TAVELIN_COM2", "", 1);
    EXPECT_EQ(ResolvePortDevice(2, choices).source, DeviceSource::Chosen);
    ::unsetenv("TAVELIN_COM2");

    // Numbers outside COM1..COM4 have no choice to look up.
    EXPECT_EQ(choices.For(0), "");
    EXPECT_EQ(choices.For(5), "");
    EXPECT_EQ(ResolvePortDevice(5, choices).path, "/dev/ttyS4");
}

TEST(PortDevice, TableSaysWhichDeviceEachComNameGotAndWhy)
{
    settings::DeviceChoices choices;
    choices.chosen[0] = "/dev/ttyUSB0";
    choices.chosen[2] = "/dev/ttyACM0";
    ::setenv("TAVELIN_COM3", "/dev/pts/4", 1);
    ::unsetenv("TAVELIN_COM1");
    ::unsetenv("TAVELIN_COM2");
    ::unsetenv("TAVELIN_COM4");
    EXPECT_EQ(PortDeviceTable(choices), "  COM1  /dev/ttyUSB0  (chosen in 設定)\n"
                                        "  COM2  /dev/ttyS1  (default)\n"
                                        "  COM3  /dev/pts/4  (TAVELIN_COM3)\n"
                                        "  COM4  /dev/ttyS3  (default)\n");
    ::unsetenv("TAVELIN_COM3");
    EXPECT_EQ(PortFailureLine(1, choices, ""), "COM1 (/dev/ttyUSB0): cannot be opened");
}

// udev's by-id names are links to the device; a device reached through
// another link still finds its by-id name, and one without any keeps its own.
TEST(PortDevice, StableNameIsTheFirstByIdLinkToTheSameDevice)
{
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("tavelin-byid-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "by-id");
    std::ofstream(root / "ttyUSB0").put('x');
    std::ofstream(root / "ttyUSB1").put('x');
    fs::create_symlink(root / "ttyUSB0", root / "by-id" / "usb-B_adapter-if01-port0");
    fs::create_symlink("../ttyUSB0", root / "by-id" / "usb-A_adapter-if00-port0"); // relative, as udev makes them
    fs::create_symlink(root / "ttyUSB0", root / "alias");
    fs::create_symlink(root / "gone", root / "by-id" / "usb-dangling");
    const std::string byId = (root / "by-id").string();

    EXPECT_EQ(StableDeviceName((root / "ttyUSB0").string(), byId), (root / "by-id/usb-A_adapter-if00-port0").string());
    EXPECT_EQ(StableDeviceName((root / "alias").string(), byId), (root / "by-id/usb-A_adapter-if00-port0").string());
    EXPECT_EQ(StableDeviceName((root / "ttyUSB1").string(), byId), (root / "ttyUSB1").string());
    EXPECT_EQ(StableDeviceName((root / "missing").string(), byId), (root / "missing").string());
    EXPECT_EQ(StableDeviceName((root / "ttyUSB0").string(), (root / "no-such-dir").string()),
              (root / "ttyUSB0").string());
    fs::remove_all(root);
}

} // namespace
} // namespace tavelin::testing
