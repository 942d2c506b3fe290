// SPDX-License-Identifier: MIT
// Opening the port and setting the adapters, against the recording port.
#include "link_fixture.h"

#include "link/port_names.h"
#include "link/port_setup.h"
#include "link/system/serial_devices.h"

#include <vector>

namespace tavelin::testing {
namespace {

using Calls = std::vector<std::string>;

TEST(SettingsString, FromTheCodes)
{
    struct Case {
        const char *baud, *parity, *dataBits, *stopBits;
        std::optional<std::string> text;
        PortSetupResult why;
    };
    const Case cases[] = {
        {"2", "2", "1", "1", "19200,N,8,2", PortSetupResult::Ok},
        {"1", "0", "0", "0", "9600,E,7,1", PortSetupResult::Ok},
        {"5", "1", "1", "0", "115200,O,8,1", PortSetupResult::Ok},
        {"0", "2", "1", "0", "4800,N,8,1", PortSetupResult::Ok},
        {"6", "2", "1", "0", std::nullopt, PortSetupResult::BadBaud},
        {"", "2", "1", "0", std::nullopt, PortSetupResult::BadBaud},
        {"1", "3", "1", "0", std::nullopt, PortSetupResult::BadParity},
        {"1", "2", "2", "0", std::nullopt, PortSetupResult::BadDataBits},
        {"1", "2", "1", "10", std::nullopt, PortSetupResult::BadStopBits},
        {"x", "x", "x", "x", std::nullopt, PortSetupResult::BadBaud},
    };
    for (const auto& c : cases) {
        settings::Settings s;
        s.BaudCode = c.baud, s.ParityCode = c.parity, s.DataBitsCode = c.dataBits, s.StopBitsCode = c.stopBits;
        PortSetupResult why = PortSetupResult::PortError;
        EXPECT_EQ(BuildSettingsString(s, &why), c.text) << c.baud << c.parity << c.dataBits << c.stopBits;
        EXPECT_EQ(why, c.why);
    }
}

class OpenTest : public LinkTest {
protected:
    OpenTest()
    {
        auto& s = state.settings;
        s.BaudCode = "2", s.ParityCode = "2", s.DataBitsCode = "1", s.StopBitsCode = "0";
        s.ComPortCode = "1", s.PortKindCode = "0";
    }
    // An irlink adapter: `before` first, then the echo of the speed code.
    void IrlinkEchoes(Bytes before = {})
    {
        port.SetPeerReceiver([this, before](const Bytes& got) {
            Bytes answer = before;
            answer.insert(answer.end(), got.begin(), got.end());
            port.SendFromPeer(answer);
        });
    }
};

TEST_F(OpenTest, CableAndOpticalUnitOnlyOpen)
{
    for (const char* kind : {"0", "1"}) {
        MemoryPort fresh(pump);
        Link other{fresh, pump, state};
        state.settings.PortKindCode = kind;
        EXPECT_EQ(OpenHhtPort(other).result, PortSetupResult::Ok);
        EXPECT_EQ(fresh.Calls(), (Calls{"CommPort 2", "Settings 19200,N,8,1", "Open"}));
        EXPECT_TRUE(fresh.IsOpen());
    }
}

TEST_F(OpenTest, FailuresBeforeTheAdapter)
{
    state.settings.StopBitsCode = "7";
    EXPECT_EQ(OpenHhtPort(link).result, PortSetupResult::BadStopBits);
    EXPECT_TRUE(port.Calls().empty()); // an invalid code never touches the port

    state.settings.StopBitsCode = "0";
    port.FailNextOpen({OpenError::NoPermission, "Permission denied"});
    const PortOpening opening = OpenHhtPort(link);
    EXPECT_EQ(opening.result, PortSetupResult::PortError);
    EXPECT_EQ(opening.reason, "Permission denied");
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(OpenTest, JetEyeLineStatesPerSpeed)
{
    struct Case {
        const char* baud;
        Calls lines;
    };
    const Case cases[] = {
        {"1", {"DTR 0", "RTS 1"}}, {"2", {"DTR 1", "RTS 0"}}, {"3", {}}, {"4", {}},
        {"5", {"RTS 0", "DTR 1", "RTS 1"}},
    };
    state.settings.PortKindCode = "2";
    for (const auto& c : cases) {
        MemoryPort fresh(pump);
        Link other{fresh, pump, state};
        state.settings.BaudCode = c.baud;
        EXPECT_EQ(OpenHhtPort(other).result, PortSetupResult::Ok);
        const Calls& calls = fresh.Calls();
        ASSERT_GE(calls.size(), 3u);
        EXPECT_EQ(Calls(calls.begin() + 3, calls.end()), c.lines) << c.baud;
        EXPECT_TRUE(fresh.Written().empty());
    }
}

TEST_F(OpenTest, IrlinkSetUpInItsExactOrder)
{
    state.settings.PortKindCode = "3";
    IrlinkEchoes();
    EXPECT_EQ(OpenHhtPort(link).result, PortSetupResult::Ok);
    EXPECT_EQ(port.Calls(), (Calls{"CommPort 2", "Settings 19200,N,8,1", "Open", "Close", "Settings 9600,n,8,1",
                                   "DTR 0", "RTS 0", "Open", "DTR 1", "RTS 1", "RTS 0", "RTS 1",
                                   "Settings 19200,N,8,1"}));
    EXPECT_EQ(port.Written(), Bytes{0x03});
    EXPECT_EQ(port.InTimeout(), 300);
    EXPECT_TRUE(port.IsOpen());
}

TEST_F(OpenTest, IrlinkSpeedCodes)
{
    const std::pair<const char*, std::uint8_t> codes[] = {{"1", 0x04}, {"2", 0x03}, {"3", 0x02}, {"4", 0x01}, {"5", 0x00}};
    for (const auto& [baud, code] : codes) {
        MemoryPort fresh(pump);
        Link other{fresh, pump, state};
        fresh.SetPeerReceiver([&fresh](const Bytes& got) { fresh.SendFromPeer(got); });
        EXPECT_TRUE(SetAdapterSpeed(other, baud, "3", "x"));
        EXPECT_EQ(fresh.Written(), Bytes{code}) << baud;
    }
}

TEST_F(OpenTest, IrlinkSkipsOtherBytesBeforeTheEcho)
{
    state.settings.PortKindCode = "3";
    IrlinkEchoes(Bytes{0x7F, 0x00, 0x55});
    EXPECT_EQ(OpenHhtPort(link).result, PortSetupResult::Ok);
}

TEST_F(OpenTest, IrlinkFailures)
{
    state.settings.PortKindCode = "3";
    {
        SCOPED_TRACE("4800 bit/s cannot be set: nothing is sent");
        MemoryPort fresh(pump);
        Link other{fresh, pump, state};
        state.settings.BaudCode = "0";
        EXPECT_EQ(OpenHhtPort(other).result, PortSetupResult::AdapterError);
        EXPECT_TRUE(fresh.Written().empty());
        EXPECT_FALSE(fresh.IsOpen());
    }
    state.settings.BaudCode = "2";
    {
        SCOPED_TRACE("no echo");
        MemoryPort fresh(pump);
        Link other{fresh, pump, state};
        EXPECT_EQ(OpenHhtPort(other).result, PortSetupResult::AdapterError);
        EXPECT_FALSE(fresh.IsOpen());
        EXPECT_EQ(state.flags.RxTimedOut, settings::kFalse);
    }
    {
        SCOPED_TRACE("the port cannot be reopened at 9600 bit/s");
        MemoryPort fresh(pump);
        Link other{fresh, pump, state};
        fresh.SetPeerReceiver([&fresh](const Bytes& got) { fresh.SendFromPeer(got); });
        EXPECT_EQ(fresh.Open().Ok(), true);
        fresh.FailNextOpen({OpenError::InUse, "busy"});
        EXPECT_FALSE(InitIrlink(other, 0x03, 300));
        EXPECT_TRUE(fresh.Written().empty());
    }
}

TEST_F(OpenTest, BabblingIrlinkIsGivenUpOn)
{
    state.settings.PortKindCode = "3";
    std::function<void()> babble = [&] {
        port.SendFromPeer(Bytes{0x55});
        pump.ScheduleAfter(Millis(1), babble);
    };
    babble();
    const auto start = NowMs();
    EXPECT_EQ(OpenHhtPort(link).result, PortSetupResult::AdapterError);
    EXPECT_LE(NowMs() - start, kIrlinkAnswerReads * 300 + 1000);
}

} // namespace
} // namespace tavelin::testing
