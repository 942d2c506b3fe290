// SPDX-License-Identifier: MIT
// The latency timer in a sample sysfs tree, reached from the device the port
// opens: a ttyUSB device itself, or a /dev/serial/by-id link to it.
#include "link/system/adapter_timer.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace tavelin::link {
namespace {

namespace fs = std::filesystem;

class SysfsLatencyTest : public ::testing::Test {
protected:
    SysfsLatencyTest()
    {
        fs::create_directories(dir.Path() / "dev" / "serial" / "by-id");
        for (const char* name : {"ttyUSB0", "ttyUSB1", "ttyUSB2", "ttyACM0"})
            dir.Put((fs::path("dev") / name).string(), "");
        Timer("ttyUSB0", "16\n");
        Timer("ttyUSB1", "1\n");
        Timer("ttyUSB2", "sixteen\n");
    }
    void Timer(const std::string& device, const std::string& text)
    {
        const fs::path folder = dir.Path() / "sys" / "bus" / "usb-serial" / "devices" / device;
        fs::create_directories(folder);
        dir.Put((fs::relative(folder, dir.Path()) / "latency_timer").string(), text);
    }
    std::optional<int> Read(const std::string& device) const
    {
        return SysfsLatencyTimer(dir.Path() / "sys", (dir.Path() / "dev" / device).string());
    }

    testing::TempDir dir;
};

TEST_F(SysfsLatencyTest, ReadsTheTimerOfTheDeviceOrOfTheDeviceALinkNames)
{
    EXPECT_EQ(Read("ttyUSB0"), 16);
    EXPECT_EQ(Read("ttyUSB1"), 1);
    fs::create_symlink("../../ttyUSB0", dir.Path() / "dev" / "serial" / "by-id" / "usb-FTDI_FT232R-if00-port0");
    EXPECT_EQ(Read("serial/by-id/usb-FTDI_FT232R-if00-port0"), 16);
}

TEST_F(SysfsLatencyTest, NoTimerWhereTheDeviceHasNoneOrItIsNoNumber)
{
    EXPECT_EQ(Read("ttyACM0"), std::nullopt); // a modem-class adapter has no such timer
    EXPECT_EQ(Read("ttyUSB2"), std::nullopt);
    EXPECT_EQ(Read("ttyUSB9"), std::nullopt); // no such device
    fs::create_symlink("ttyUSB9", dir.Path() / "dev" / "dangling");
    EXPECT_EQ(Read("dangling"), std::nullopt);
    Timer("ttyUSB1", "300\n");
    EXPECT_EQ(Read("ttyUSB1"), std::nullopt);
    Timer("ttyUSB1", "");
    EXPECT_EQ(Read("ttyUSB1"), std::nullopt);
}

} // namespace
} // namespace tavelin::link
