// SPDX-License-Identifier: MIT
// The Windows port on a real line under Wine: a COM name of the prefix leads
// to a pseudo-terminal where the simulated hand-held (the Linux program)
// serves ID 1. Run by tests/windows/wine_line_test.sh, which names the port
// in TAVELIN_TEST_COM, the hand-helds' folder in TAVELIN_TEST_HHT_DIR, and a
// file whose creation makes it end the hand-held in TAVELIN_TEST_END_FILE.
// Prints what it measured; asserts nothing about time. The pump is the
// program's own, which sleeps on the port's events.
#include "link/commands.h"
#include "link/frame.h"
#include "link/port_setup.h"
#include "link/qt/qt_event_pump.h"
#include "link/win32/win32_serial_port.h"
#include "modes/hht_files.h"
#include "transfer/engines.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tavelin::testing {
namespace {

namespace fs = std::filesystem;
using namespace tavelin::link;

std::string Variable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

double CpuSeconds()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ticks = [](FILETIME t) { return (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return double(ticks(kernel) + ticks(user)) / 1e7;
}

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Names final : modes::FileListView {
    void Clear() override { items.clear(); }
    void AddItem(const std::string& text, std::int64_t size) override { items.emplace_back(text, size); }
    std::vector<std::pair<std::string, std::int64_t>> items;
};

struct Text final : modes::TextView {
    void SetText(std::string_view) override {}
};

class Win32LineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (Variable("TAVELIN_TEST_COM").empty() || Variable("TAVELIN_TEST_HHT_DIR").empty())
            GTEST_SKIP() << "no COM port leads to the simulated hand-held: tests/windows/wine_line_test.sh runs this";
        choices.chosen[0] = Variable("TAVELIN_TEST_COM");
        port.UseDeviceChoices(choices);
        auto& s = state.settings;
        s.BaudCode = "2", s.ParityCode = "2", s.DataBitsCode = "1", s.StopBitsCode = "0";
        s.ComPortCode = "0", s.PortKindCode = "0", s.PollTimeout = 500, s.CommTimeout = 800;
        state.CurHhtId = "001";
        const PortOpening opening = OpenHhtPort(link);
        ASSERT_EQ(opening.result, PortSetupResult::Ok) << opening.reason;
    }

    const fs::path hhtDir = fs::path(Variable("TAVELIN_TEST_HHT_DIR")) / "001";
    settings::DeviceChoices choices;
    QtEventPump pump;
    Win32SerialPort port{pump};
    settings::AppState state;
    Link link{port, pump, state};
    transfer::NoProgress progress;
};

// Every byte value both ways (CR, LF, XON, XOFF, NUL: nothing of the line
// discipline under Wine's port may touch them), through the engines.
TEST_F(Win32LineTest, PollsListsAndCarriesEveryByteValueBothWays)
{
    ASSERT_EQ(ConnectHht(link), kOk);
    modes::HhtFileTable table;
    Names names;
    Text free;
    ASSERT_EQ(modes::GetHhtFileList(link, table, names, free), 0);
    EXPECT_EQ(names.items, (std::vector<std::pair<std::string, std::int64_t>>{{"HELLO.TXT", 5}}));

    const fs::path pc = fs::temp_directory_path() / ("tavelin-win32-line-" + std::to_string(GetCurrentProcessId()));
    fs::remove_all(pc);
    fs::create_directories(pc / "up");
    std::string bytes(3000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    std::ofstream(pc / "ALLBYTES.BIN", std::ios::binary) << bytes;
    const std::string pcDir = pc.string() + "\\";

    auto start = Clock::now();
    ASSERT_EQ(transfer::DownloadFile(link, "D", pcDir, "ALLBYTES.BIN", progress), 0);
    const double down = SecondsSince(start);
    EXPECT_EQ(ReadAll(hhtDir / "ALLBYTES.BIN"), bytes);

    ASSERT_EQ(ConnectHht(link), kOk);
    start = Clock::now();
    ASSERT_EQ(transfer::UploadFile(link, (pc / "up").string() + "\\", "ALLBYTES.BIN", 3000, progress, 1), 0);
    const double up = SecondsSince(start);
    EXPECT_EQ(ReadAll(pc / "up" / "ALLBYTES.BIN"), bytes);
    std::printf("3000 bytes at 19200 bit/s (1.56 s of line time): down %.2f s, up %.2f s\n", down, up);
    fs::remove_all(pc);
}

// A hand-held that does not answer costs the poll time-out, and the wait
// sleeps: the processor time it takes is printed beside the time it lasts.
TEST_F(Win32LineTest, SilentHandHeldTimesOut)
{
    state.CurHhtId = "009";
    const double cpu = CpuSeconds();
    const auto start = Clock::now();
    EXPECT_EQ(ConnectHht(link), kTimedOut);
    std::printf("silent poll: %.3f s waited, %.3f s of processor time\n", SecondsSince(start), CpuSeconds() - cpu);
    EXPECT_FALSE(port.Lost());
}

// What the driver already holds is taken without waiting for more, and input
// thrown away stays away: the read that waited in the driver when it was
// thrown away brings nothing back later, and the next exchange is whole.
TEST_F(Win32LineTest, AnswerAlreadyThereIsTakenAndDiscardedInputStaysAway)
{
    const Bytes poll = BuildFrame('C', "001", 0, Bytes{'P'});
    port.Write(poll);
    Sleep(300); // the answer arrives while nothing runs
    port.SetInTimeout(0);
    Bytes out;
    ASSERT_EQ(port.Read(1, out), ReadResult::Ok) << "the answer was there before the read";
    EXPECT_EQ(out, Bytes{STX});
    EXPECT_GT(port.InBufferCount(), 0u) << "what came with the first byte is taken with it";

    port.Write(poll);
    Sleep(300);
    port.DiscardInput();
    EXPECT_EQ(port.InBufferCount(), 0u);
    WaitSec(pump, 0.2);
    EXPECT_EQ(port.InBufferCount(), 0u) << "a thrown-away answer came back";
    EXPECT_EQ(ConnectHht(link), kOk);
    EXPECT_EQ(port.InBufferCount(), 0u);
}

bool RunsUnderWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Windows lends a COM port to one program at a time: a second open is told
// the port is in use. Wine does not keep a device to its first opener, so
// there the second open succeeds; closing it must leave the first as it was.
TEST_F(Win32LineTest, SecondOpenFindsThePortInUse)
{
    Win32SerialPort second{pump};
    second.UseDeviceChoices(choices);
    second.SetSettings("19200,N,8,1");
    const OpenResult result = second.Open();
    if (RunsUnderWine()) {
        std::printf("under Wine a second open of the port %s\n", result.Ok() ? "succeeds" : "fails");
        second.Close();
    } else {
        EXPECT_EQ(result.error, OpenError::InUse) << result.reason;
        EXPECT_NE(result.reason.find("in use by another program"), std::string::npos) << result.reason;
        EXPECT_FALSE(second.IsOpen());
    }
    EXPECT_EQ(ConnectHht(link), kOk);
}

// The hand-held's program ending closes the far side of the pseudo-terminal:
// a waiting read ends, the port closes itself and says it was lost.
TEST_F(Win32LineTest, FarSideGoingAwayIsLost)
{
    const std::string endFile = Variable("TAVELIN_TEST_END_FILE");
    if (endFile.empty())
        GTEST_SKIP() << "nobody ends the hand-held";
    std::ofstream(endFile) << "end\n";
    port.SetInTimeout(20000);
    Bytes out;
    const auto start = Clock::now();
    EXPECT_EQ(port.Read(1, out), ReadResult::TimedOut);
    std::printf("far side gone: noticed after %.2f s (read time-out 20 s)\n", SecondsSince(start));
    EXPECT_TRUE(port.Lost());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Read(1, out), ReadResult::TimedOut);
    EXPECT_EQ(port.InBufferCount(), 0u);
}

} // namespace
} // namespace tavelin::testing
