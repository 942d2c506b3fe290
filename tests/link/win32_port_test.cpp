// SPDX-License-Identifier: MIT
// The Windows port on the Win32 communications API, without a line: what
// opening says of names that are no port or settings that are no settings,
// the state block a settings text makes, the system's list of COM ports, and
// a closed port that answers at once, and the overlapped operations the port
// is built on.
#include "link/port_names.h"
#include "link/virtual_pump.h"
#include "link/system/com_port_list.h"
#include "link/system/ftdi_latency.h"
#include "link/win32/overlapped.h"
#include "link/win32/state_block.h"
#include "link/win32/win32_serial_port.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

namespace tavelin::testing {
namespace {

using namespace tavelin::link;

class Win32PortTest : public ::testing::Test {
protected:
    VirtualPump pump;
    Win32SerialPort port{pump};
    settings::DeviceChoices choices;
};

TEST_F(Win32PortTest, OpenSaysWhatIsWrongAndStaysClosed)
{
    port.UseDeviceChoices(choices);
    port.SetCommPort(2);
    // Settings first: without usable ones nothing is opened at all.
    EXPECT_EQ(port.Open().error, OpenError::BadSettings);
    port.SetSettings("19200,X,8,1");
    EXPECT_EQ(port.Open().error, OpenError::BadSettings);
    port.SetSettings("19200,N,8,1");
    port.SetSettings("19200,N,9,1"); // an unusable text keeps the last usable one

    choices.chosen[1] = "COM219";
    const OpenResult missing = port.Open();
    EXPECT_EQ(missing.error, OpenError::NotFound);
    EXPECT_NE(missing.reason.find("no such device"), std::string::npos) << missing.reason;
    EXPECT_NE(missing.reason.find("COM2 opens was chosen in"), std::string::npos) << missing.reason;
    EXPECT_EQ(PortFailureLine(2, choices, missing.reason).rfind("COM2 (\\\\.\\COM219): no such device", 0), 0u)
        << PortFailureLine(2, choices, missing.reason);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.Lost());

    // A device name that opens something without a state block is no port.
    choices.chosen[1] = "\\\\.\\NUL";
    const OpenResult nul = port.Open();
    EXPECT_EQ(nul.error, OpenError::Other);
    EXPECT_NE(nul.reason.find("not a serial port"), std::string::npos) << nul.reason;
    EXPECT_FALSE(port.IsOpen());
}

// Every member answers at once on a closed port: no wait, no bytes, no lines.
TEST_F(Win32PortTest, ClosedPortAnswersAtOnce)
{
    const auto start = pump.Now();
    Bytes out{1, 2};
    port.SetInTimeout(5000);
    EXPECT_EQ(port.Read(1, out), ReadResult::TimedOut);
    EXPECT_EQ(pump.Now(), start);
    const std::uint8_t byte[] = {0x55};
    port.Write(byte);
    port.SetDtr(true);
    port.SetRts(false);
    port.DiscardInput();
    EXPECT_EQ(port.InBufferCount(), 0u);
    EXPECT_EQ(port.OutBufferCount(), 0u);
    EXPECT_FALSE(port.CtsHolding());
    EXPECT_FALSE(port.Lost());
    port.Close(); // twice is harmless
    EXPECT_FALSE(port.IsOpen());
}

// An overlapped pipe stands for the port's device (opened the same way);
// the theirs end is written by hand.
class OverlappedPipeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::wstring name = L"\\\\.\\pipe\\tavelin-overlapped-" + std::to_wstring(GetCurrentProcessId());
        ours = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED, PIPE_TYPE_BYTE, 1, 4096,
                                4096, 0, nullptr);
        theirs = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(ours, INVALID_HANDLE_VALUE);
        ASSERT_NE(theirs, INVALID_HANDLE_VALUE);
    }
    void TearDown() override
    {
        CloseHandle(theirs);
        CloseHandle(ours);
    }
    void Send(std::string_view bytes) const
    {
        DWORD written = 0;
        WriteFile(theirs, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
    static std::string Text(const win32::Overlapped::End& end) { return {end.bytes.begin(), end.bytes.end()}; }
    static bool Signalled(const win32::Overlapped& operation, DWORD ms)
    {
        return WaitForSingleObject(operation.Event(), ms) == WAIT_OBJECT_0;
    }

    HANDLE ours = INVALID_HANDLE_VALUE;
    HANDLE theirs = INVALID_HANDLE_VALUE;
};

// The event a pump sleeps on: set when a read ends, left unsignalled once
// its end is collected or the read cancelled (a pump would otherwise wake
// without end), and a cancelled read never delivers what comes later.
TEST_F(OverlappedPipeTest, ReadsEndOnBytesAndLeaveNoStaleCompletion)
{
    win32::Overlapped read;
    Send("A");
    ASSERT_TRUE(read.StartRead(ours, 1));
    ASSERT_TRUE(read.WaitEnded(1000)) << "a byte already there ends the read";
    EXPECT_TRUE(read.Ended());
    const auto first = read.Collect(ours);
    EXPECT_EQ(first.error, DWORD(ERROR_SUCCESS));
    EXPECT_EQ(Text(first), "A");
    EXPECT_FALSE(read.Pending());
    EXPECT_FALSE(Signalled(read, 0));

    ASSERT_TRUE(read.StartRead(ours, 1));
    EXPECT_FALSE(read.WaitEnded(20));
    const auto cancelled = read.Cancel(ours);
    EXPECT_EQ(cancelled.error, DWORD(ERROR_OPERATION_ABORTED));
    EXPECT_TRUE(cancelled.bytes.empty());
    EXPECT_FALSE(read.Pending());
    EXPECT_FALSE(Signalled(read, 0));
    Send("BC");
    EXPECT_FALSE(Signalled(read, 50)) << "the cancelled read ended after all";
    ASSERT_TRUE(read.StartRead(ours, 2));
    ASSERT_TRUE(read.WaitEnded(1000));
    EXPECT_EQ(Text(read.Collect(ours)), "BC") << "the cancelled read took a byte";
    EXPECT_EQ(read.Cancel(ours).error, DWORD(ERROR_SUCCESS)) << "nothing to cancel";
}

TEST(Win32StateBlock, FramingFromTheTextAndNoFlowControl)
{
    struct Row {
        const char* text;
        DWORD baud;
        BYTE parity;
        BYTE dataBits;
        BYTE stopBits;
    };
    const Row rows[] = {
        {"4800,N,8,1", 4800, NOPARITY, 8, ONESTOPBIT},
        {"9600,e,7,2", 9600, EVENPARITY, 7, TWOSTOPBITS},
        {"19200,O,8,1", 19200, ODDPARITY, 8, ONESTOPBIT},
        {"38400,m,7,1", 38400, MARKPARITY, 7, ONESTOPBIT},
        {"115200,S,5,2", 115200, SPACEPARITY, 5, TWOSTOPBITS},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        // What a driver or an earlier program may have left switched on.
        DCB block{};
        block.fOutxCtsFlow = block.fOutxDsrFlow = block.fDsrSensitivity = TRUE;
        block.fOutX = block.fInX = block.fErrorChar = block.fNull = block.fAbortOnError = TRUE;
        block.fDtrControl = DTR_CONTROL_HANDSHAKE;
        block.fRtsControl = RTS_CONTROL_HANDSHAKE;
        block.XonChar = 0x11;
        win32::SetStateBlock(block, *ParseLineSettings(row.text), true, true);
        EXPECT_EQ(block.DCBlength, sizeof block);
        EXPECT_EQ(block.BaudRate, row.baud);
        EXPECT_EQ(block.Parity, row.parity);
        EXPECT_EQ(block.fParity != 0, row.parity != NOPARITY);
        EXPECT_EQ(block.ByteSize, row.dataBits);
        EXPECT_EQ(block.StopBits, row.stopBits);
        EXPECT_TRUE(block.fBinary);
        EXPECT_FALSE(block.fOutxCtsFlow || block.fOutxDsrFlow || block.fDsrSensitivity);
        EXPECT_FALSE(block.fOutX || block.fInX) << "XON and XOFF are data";
        EXPECT_FALSE(block.fNull) << "a zero byte is data";
        EXPECT_FALSE(block.fErrorChar || block.fAbortOnError);
        EXPECT_EQ(block.fDtrControl, DWORD(DTR_CONTROL_ENABLE));
        EXPECT_EQ(block.fRtsControl, DWORD(RTS_CONTROL_ENABLE));
        EXPECT_EQ(block.XonChar, 0x11) << "the driver's own fields stay";
    }

    // A new speed keeps the lines where the program put them.
    DCB block{};
    win32::SetStateBlock(block, *ParseLineSettings("9600,N,8,1"), false, true);
    EXPECT_EQ(block.fDtrControl, DWORD(DTR_CONTROL_DISABLE));
    EXPECT_EQ(block.fRtsControl, DWORD(RTS_CONTROL_ENABLE));
    win32::SetStateBlock(block, *ParseLineSettings("9600,N,8,1"), true, false);
    EXPECT_EQ(block.fDtrControl, DWORD(DTR_CONTROL_ENABLE));
    EXPECT_EQ(block.fRtsControl, DWORD(RTS_CONTROL_DISABLE));
}

TEST(Win32ComPorts, NamesSortedByNumberEachOnceWithItsDevicePath)
{
    const auto ports = win32::ComPortsFromNames({"COM10", "COM2", " COM1 ", std::string("COM3\0", 5), "", "COM2", "  "});
    std::vector<std::string> names, paths;
    for (const auto& port : ports) {
        names.push_back(port.name);
        paths.push_back(port.path);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"COM1", "COM2", "COM3", "COM10"}));
    EXPECT_EQ(paths, (std::vector<std::string>{"\\\\.\\COM1", "\\\\.\\COM2", "\\\\.\\COM3", "\\\\.\\COM10"}));

    // Whatever the system has, each listed port is named and has its path.
    for (const auto& port : win32::SystemComPorts()) {
        EXPECT_FALSE(port.name.empty());
        EXPECT_EQ(port.path, "\\\\.\\" + port.name);
    }
}

// The driver's entries as the registry holds them: a name may lack its
// terminating NUL, and a value of another type is no port. Where this user
// may not write the system's list (Windows without administrator rights),
// there is nothing to add entries to.
TEST(Win32ComPorts, SystemListIsReadFromTheDriversEntries)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr, REG_OPTION_VOLATILE,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        GTEST_SKIP() << "this user may not add entries to the system's list of COM ports";
    const wchar_t com42[] = L"COM42";
    const wchar_t com9[] = L"COM9";
    const DWORD number = 7;
    RegSetValueExW(key, L"\\Device\\TavelinTest42", 0, REG_SZ, reinterpret_cast<const BYTE*>(com42), sizeof com42);
    RegSetValueExW(key, L"\\Device\\TavelinTest9", 0, REG_SZ, reinterpret_cast<const BYTE*>(com9),
                   sizeof com9 - sizeof(wchar_t)); // without its NUL
    RegSetValueExW(key, L"\\Device\\TavelinTestNumber", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                   sizeof number);

    const auto ports = win32::SystemComPorts();
    for (const wchar_t* name : {L"\\Device\\TavelinTest42", L"\\Device\\TavelinTest9", L"\\Device\\TavelinTestNumber"})
        RegDeleteValueW(key, name);
    RegCloseKey(key);

    std::vector<std::string> names;
    for (const auto& port : ports) {
        names.push_back(port.name);
        EXPECT_EQ(port.path, "\\\\.\\" + port.name);
    }
    const auto at = [&](const char* name) { return std::find(names.begin(), names.end(), name) - names.begin(); };
    ASSERT_LT(at("COM9"), std::ptrdiff_t(names.size())) << ::testing::PrintToString(names);
    ASSERT_LT(at("COM42"), std::ptrdiff_t(names.size())) << ::testing::PrintToString(names);
    EXPECT_LT(at("COM9"), at("COM42"));
    for (const std::string& name : names)
        EXPECT_EQ(name.rfind("COM", 0), 0u) << "a value that is no text became " << name;
}

// A sample of the FTDI driver's keys under HKEY_CURRENT_USER, so no rights
// are needed: the reader is pointed at it instead of HKEY_LOCAL_MACHINE.
class FtdiKeys {
public:
    FtdiKeys() : root_(L"Software\\TavelinTest" + std::to_wstring(GetCurrentProcessId()) + L"\\FTDIBUS") {}
    ~FtdiKeys() { RegDeleteTreeW(HKEY_CURRENT_USER, root_.substr(0, root_.rfind(L'\\')).c_str()); }
    FtdiKeys(const FtdiKeys&) = delete;
    FtdiKeys& operator=(const FtdiKeys&) = delete;

    // A port of the driver's; a negative timer leaves the value out, a
    // textual one writes it as a string.
    void Port(const std::wstring& device, const wchar_t* portName, long timer, bool asText = false) const
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (root_ + L"\\" + device + L"\\0000\\Device Parameters").c_str(),
                                  0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, L"PortName", 0, REG_SZ, reinterpret_cast<const BYTE*>(portName),
                       DWORD((wcslen(portName) + 1) * sizeof(wchar_t)));
        const DWORD value = DWORD(timer);
        const std::wstring text = std::to_wstring(timer);
        if (timer >= 0 && asText)
            RegSetValueExW(key, L"LatencyTimer", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                           DWORD((text.size() + 1) * sizeof(wchar_t)));
        else if (timer >= 0)
            RegSetValueExW(key, L"LatencyTimer", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
        RegCloseKey(key);
    }
    std::optional<int> Read(const std::string& port) const
    {
        return win32::FtdiLatencyTimer(win32::RegistryRoot::CurrentUser, root_, port);
    }

private:
    std::wstring root_;
};

TEST(FtdiLatencyTimer, FoundByThePortNameAmongTheDriversDevices)
{
    FtdiKeys keys;
    EXPECT_EQ(keys.Read("COM7"), std::nullopt); // no driver's keys at all
    keys.Port(L"VID_0403+PID_6001+A1B2C3D4A", L"COM3", 2);
    keys.Port(L"VID_0403+PID_6015+DN04ABCDA", L"COM7", 16);
    keys.Port(L"VID_0403+PID_6010+FT9ZZZZZA", L"COM8", -1);
    keys.Port(L"VID_0403+PID_6010+FT9ZZZZZB", L"COM9", 16, true);
    keys.Port(L"VID_0403+PID_6010+FT9ZZZZZC", L"COM10", 4096);
    EXPECT_EQ(keys.Read("COM7"), 16);
    EXPECT_EQ(keys.Read("com7"), 16);
    EXPECT_EQ(keys.Read(win32::PortNameOf("\\\\.\\COM3")), 2);
    EXPECT_EQ(keys.Read("COM8"), std::nullopt);  // no timer written
    EXPECT_EQ(keys.Read("COM9"), std::nullopt);  // not a DWORD
    EXPECT_EQ(keys.Read("COM10"), std::nullopt); // beyond what a chip takes
    EXPECT_EQ(keys.Read("COM1"), std::nullopt);  // a port of another driver
    EXPECT_EQ(keys.Read("COM"), std::nullopt);
}

} // namespace
} // namespace tavelin::testing
