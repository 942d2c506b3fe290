// SPDX-License-Identifier: MIT
// Each injected fault once, as the PC sees it.
#include "sim_fixture.h"

namespace tavelin::sim::testing {
namespace {

const std::string kAck = Char(ACK);
std::string Name12(std::string_view name) { return std::string(name) + std::string(12 - name.size(), ' '); }

struct FirstPoll {
    const char* what;
    std::set<int> FaultOptions::*fault;
    int rc; // of the first poll's receive
};

class FirstPollTest : public SimTest, public ::testing::WithParamInterface<FirstPoll> {};

TEST_P(FirstPollTest, DamagesOnlyTheFirstAnswer)
{
    (config.faults.*GetParam().fault) = {1};
    Start();
    Send('C', 0, "P");
    EXPECT_EQ(Recv().rc, GetParam().rc);
    Send('C', 0, "P");
    EXPECT_TRUE(Recv().Is('A', 0, kAck));
    EXPECT_EQ(port.InBufferCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FirstPollTest,
    ::testing::Values(FirstPoll{"CorruptBcc", &FaultOptions::corruptBccOfSent, -1},
                      FirstPoll{"Drop", &FaultOptions::dropSent, -3},
                      FirstPoll{"Noise", &FaultOptions::noiseBeforeSent, 0},
                      FirstPoll{"Ignore", &FaultOptions::ignoreReceived, -3}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(SimTest, RepeatedBlockIsAcknowledgedAgainWithoutLosingAnEntry)
{
    config.faults.repeatBlock = {1};
    config.listEntriesPerFrame = 1;
    Start();
    Seed(1, "A.DAT", "");
    Seed(1, "B.DAT", "");
    Send('C', 0, "F");
    Recv();
    Send('A', 0, kAck);
    std::vector<int> digits;
    Answer a = Recv();
    for (; a.kind == 'D'; a = Recv()) {
        digits.push_back(a.digit);
        Send('A', a.digit, kAck);
    }
    EXPECT_EQ(a.kind, 'E');
    EXPECT_EQ(digits, (std::vector<int>{1, 1, 2}));
}

TEST_F(SimTest, RepeatedHeaderWaitsForASecondAcknowledgement)
{
    config.faults.repeatHeader = {1};
    Start();
    Seed(1, "A.DAT", "a");
    Send('C', 0, "U");
    Recv();
    const Answer header = Recv();
    Send('A', header.digit, kAck);
    EXPECT_TRUE(Recv().Is('D', header.digit, header.data));
    Send('A', header.digit, kAck);
    EXPECT_TRUE(Recv().Is('D', 0, "a"));
}

TEST_F(SimTest, FullAfterOneFileRefusesTheSecondOfASet)
{
    config.faults.fullAfter = 1;
    Start();
    Send('C', 0, "W002");
    Recv();
    Send('C', 0, Name12("ONE.DAT") + "0000001");
    ASSERT_TRUE(Recv().Is('A', 0, kAck));
    Send('D', 0, "1");
    Recv();
    Recv();
    Send('E', 0, Char(EOT));
    Send('C', 0, Name12("TWO.DAT") + "0000001");
    EXPECT_TRUE(Recv().Is('R', 0, "F"));
    EXPECT_EQ(stats().filesStored, 1);
}

TEST_F(SimTest, LineRateDelaysBothDirections)
{
    config.lineBaud = 9600;
    Start();
    const auto before = pump.Now();
    Send('C', 0, "P");
    ASSERT_TRUE(Recv().Is('A', 0, kAck));
    // 13 bytes each way at 960 bytes a second
    EXPECT_GE(pump.Now() - before, std::chrono::microseconds(2 * 13'000'000 / 960));
}

// After the first header of an upload of all files the hand-held babbles:
// bytes keep coming, never a frame, and only a new command quiets it.
struct Babble {
    const char* what;
    std::set<int> FaultOptions::*fault;
    std::size_t least, most; // bytes in three seconds
};

class BabbleTest : public SimTest, public ::testing::WithParamInterface<Babble> {};

TEST_P(BabbleTest, NeverFormsAFrameAndEndsWithTheNextCommand)
{
    (config.faults.*GetParam().fault) = {1};
    Start();
    Seed(1, "A.DAT", "a");
    Send('C', 0, "U");
    ASSERT_TRUE(Recv().Is('D', 0, "001"));
    const Answer header = Recv();
    ASSERT_EQ(header.kind, 'D');
    Send('A', header.digit, kAck); // not heard

    pump.Advance(std::chrono::seconds(3));
    Bytes heard;
    ASSERT_EQ(port.Read(port.InBufferCount(), heard), ReadResult::Ok);
    EXPECT_GE(heard.size(), GetParam().least);
    EXPECT_LE(heard.size(), GetParam().most);
    for (std::size_t i = 0; i + 1 < heard.size(); ++i)
        EXPECT_FALSE(heard[i] == STX && heard[i + 1] >= 'A' && heard[i + 1] <= 'Z') << "a header could begin at " << i;
    EXPECT_EQ(Recv(2000).rc, -3);

    Send('C', 0, "P");
    EXPECT_TRUE(Recv().Is('A', 0, kAck));
    pump.Advance(std::chrono::seconds(3));
    EXPECT_EQ(port.InBufferCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BabbleTest,
    ::testing::Values(Babble{"Noise", &FaultOptions::noiseAfterHeader, 4000, 5000},
                      Babble{"Trickle", &FaultOptions::trickleAfterHeader, 3, 4}),
    [](const auto& info) { return std::string(info.param.what); });

} // namespace
} // namespace tavelin::sim::testing
