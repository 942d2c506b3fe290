// SPDX-License-Identifier: MIT
// Which device a COM name opens and why: the variable, then this user's
// choice, then the one for all users of the PC, then the standard device;
// and the names refused.
#include "link/port_names.h"
#include "link/system/serial_devices.h"
#include "support/environment.h"

#include <gtest/gtest.h>

namespace tavelin::testing {
namespace {

using namespace tavelin::link;

// The same order on every system; only the standard device and the form a
// name is opened by are the system's own.
TEST(PortDevice, UserChoiceBeforeThePcsBeforeTheStandardDevice)
{
    const std::string standard = StandardDevice(4);
    for (int port = 1; port <= 4; ++port)
        SetVariable(DeviceVariable(port).c_str(), "");
    settings::DeviceChoices choices;
    choices.chosen[0] = SystemDeviceName("COM5");
    choices.machine[0] = SystemDeviceName("COM6");
    choices.machine[1] = SystemDeviceName("COM7");

    EXPECT_EQ(ResolvePortDevice(1, choices).path, choices.chosen[0]);
    EXPECT_EQ(ResolvePortDevice(1, choices).source, DeviceSource::Chosen);
    EXPECT_EQ(ResolvePortDevice(2, choices).path, choices.machine[1]);
    EXPECT_EQ(ResolvePortDevice(2, choices).source, DeviceSource::ChosenForPc);
    EXPECT_EQ(ResolvePortDevice(4, choices).path, standard);
    EXPECT_EQ(ResolvePortDevice(4, choices).source, DeviceSource::Default);
    SetVariable("TAVELIN_COM2", "COM8");
    EXPECT_EQ(ResolvePortDevice(2, choices).path, SystemDeviceName("COM8"));
    EXPECT_EQ(ResolvePortDevice(2, choices).source, DeviceSource::Environment);
    SetVariable("TAVELIN_COM2", "");
    EXPECT_NE(PortDeviceTable(choices).find("  COM2  " + choices.machine[1] + "  (chosen in 設定 for this PC)\n"),
              std::string::npos)
        << PortDeviceTable(choices);
    EXPECT_NE(PortFailureLine(2, choices, "").find(choices.machine[1]), std::string::npos);

    // The PC's file unread: this user's choice still stands, the rest is not
    // known and opens nothing; the reason names the PC's file.
    choices.machine = {};
    choices.machineUnreadable = "the settings file for all users of this PC \"x\" is a folder, not a file";
    EXPECT_EQ(ResolvePortDevice(1, choices).source, DeviceSource::Chosen);
    EXPECT_EQ(ResolvePortDevice(3, choices).source, DeviceSource::SettingsUnreadable);
    EXPECT_EQ(ResolvePortDevice(3, choices).path, "");
    EXPECT_EQ(MayOpenDevice(3, ResolvePortDevice(3, choices), choices).Reason().rfind(choices.machineUnreadable, 0),
              0u);
    EXPECT_NE(PortDeviceTable(choices).find("  COM3  no device  (" + choices.machineUnreadable + ")\n"),
              std::string::npos);
    // This user's file unread as well: even the PC's choice is not used, as
    // this user's may have named another device.
    choices.machineUnreadable.clear();
    choices.machine[2] = SystemDeviceName("COM6");
    choices.chosen = {};
    choices.unreadable = "the settings file \"y\" is a folder, not a file";
    EXPECT_EQ(ResolvePortDevice(3, choices).source, DeviceSource::SettingsUnreadable);
    EXPECT_EQ(PortOpenFailureText(OpenError::NotFound, 2, "COM7", "", {}, DeviceSource::ChosenForPc),
              "no such device; the system has no serial device (the device COM2 opens was chosen in 設定 (通信条件) "
              "for all users of this PC)");
}

// A name is opened as the bytes given or refused with the reason; every
// message quotes it so that it cannot start a line of its own.
TEST(PortDevice, NamesAreRefusedWithTheirReasonAndQuotedInMessages)
{
    const struct {
        std::string name;
        const char* refusal; // empty: opened as given
        const char* quoted;
    } rows[] = {
        {"/dev/serial/by-id/usb-ＦＴＤＩ-if00", "", "/dev/serial/by-id/usb-ＦＴＤＩ-if00"},
        {std::string("/dev/x\0junk", 11), "holds a NUL byte", "/dev/x\\x00junk"},
        {"/dev/pts/1\ntavelin: forged", "holds a control character", "/dev/pts/1\\ntavelin: forged"},
        {"/dev/a\tb\rc\x7f", "holds a control character", "/dev/a\\tb\\rc\\x7F"},
        {"/dev/\xc2\x9b" "2J", "holds a control character", "/dev/\\xC2\\x9B2J"}, // C1 CSI
        {"/dev/tty\xff", "is not valid UTF-8", "/dev/tty\\xFF"},
        {"/dev/\xc0\xaftty", "is not valid UTF-8", "/dev/\\xC0\\xAFtty"}, // overlong '/'
        {"/dev/\xed\xa0\x80", "is not valid UTF-8", "/dev/\\xED\\xA0\\x80"}, // a surrogate
        {"/dev/\xe3\x81", "is not valid UTF-8", "/dev/\\xE3\\x81"},             // cut short
        {"/dev/\xef\xbf\xbd", "is not valid UTF-8", "/dev/\xef\xbf\xbd"}, // what a reader made of such bytes
        {"/dev/" + std::string(300, 'a'), "is too long (305 bytes; at most 250)", nullptr},
        {"/dev/" + std::string(245, 'a'), "", nullptr},
    };
    for (const auto& row : rows) {
        settings::DeviceChoices choices;
        choices.chosen[1] = row.name;
        const Status allowed = MayOpenDevice(2, {row.name, DeviceSource::Chosen}, choices);
        const std::string& refusal = allowed.Reason();
        if (*row.refusal == '\0') {
            EXPECT_TRUE(allowed) << row.name;
        } else {
            EXPECT_FALSE(allowed);
            EXPECT_EQ(refusal.rfind("refused: the device name " + std::string(row.refusal), 0), 0u) << refusal;
        }
        if (row.quoted) {
            EXPECT_EQ(QuotedName(row.name), row.quoted);
        }
        EXPECT_EQ(PortFailureLine(2, choices, refusal).find_first_of(std::string("\n\0", 2)), std::string::npos);
    }
}

} // namespace
} // namespace tavelin::testing
