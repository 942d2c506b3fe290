// SPDX-License-Identifier: MIT
// The simulated USB serial adapter: what it holds back and when it lets go,
// on its own and between the in-process hand-held and the program's port.
#include "adapter_hold.h"
#include "sim_fixture.h"

#include <gtest/gtest.h>

namespace tavelin::sim::testing {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

const link::Clock::time_point t0{};

link::Bytes Numbered(std::size_t count)
{
    link::Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = std::uint8_t(i);
    return bytes;
}

TEST(AdapterHold, ShortAnswersWaitForTheTimerWhichKeepsItsBeatWhileIdle)
{
    AdapterHold adapter(milliseconds(16));
    adapter.Push(B("\x06" "ACK"), t0 + milliseconds(5), microseconds(87));
    EXPECT_EQ(adapter.NextDue(), t0 + milliseconds(16));
    EXPECT_TRUE(adapter.HandOvers(t0 + milliseconds(16) - microseconds(1)).empty());
    const auto first = adapter.HandOvers(t0 + milliseconds(20));
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].first, t0 + milliseconds(16));
    EXPECT_EQ(first[0].second, B("\x06" "ACK"));
    EXPECT_FALSE(adapter.NextDue());

    // Idle since 16 ms, the chip handed over empty packets at 32 and 48: a
    // byte arriving at 40 goes at 48, not 16 ms after it came.
    adapter.Push(B("x"), t0 + milliseconds(40), microseconds(87));
    EXPECT_EQ(adapter.NextDue(), t0 + milliseconds(48));
    // A byte arriving on the beat goes with it.
    adapter.HandOvers(t0 + milliseconds(48));
    adapter.Push(B("y"), t0 + milliseconds(64), microseconds(87));
    EXPECT_EQ(adapter.NextDue(), t0 + milliseconds(64));
}

TEST(AdapterHold, FullPacketsGoAtOnceAndRestartTheTimer)
{
    AdapterHold adapter(milliseconds(16));
    const auto byteTime = microseconds(100);
    const link::Bytes frame = Numbered(130); // two full packets and six bytes
    const auto last = t0 + milliseconds(1) + byteTime * 129;
    adapter.Push(frame, last, byteTime);
    const auto packets = adapter.HandOvers(t0 + milliseconds(100));
    ASSERT_EQ(packets.size(), 3u);
    const auto full1 = t0 + milliseconds(1) + byteTime * 61, full2 = t0 + milliseconds(1) + byteTime * 123;
    EXPECT_EQ(packets[0].first, full1);
    EXPECT_EQ(packets[1].first, full2);
    EXPECT_EQ(packets[2].first, full2 + milliseconds(16)); // the tail waits a whole period
    link::Bytes joined;
    for (const auto& packet : packets)
        joined.insert(joined.end(), packet.second.begin(), packet.second.end());
    EXPECT_EQ(joined, frame);
    EXPECT_EQ(packets[0].second.size(), AdapterHold::kPacketBytes);

    // Bytes still on the line stay out of a packet due before they arrive.
    adapter.Push(B("ab"), full2 + milliseconds(32) + byteTime, byteTime);
    const auto split = adapter.HandOvers(full2 + milliseconds(48));
    ASSERT_EQ(split.size(), 2u);
    EXPECT_EQ(split[0].second, B("a"));
    EXPECT_EQ(split[1].second, B("b"));
}

// In-process, the hand-held's answers reach the program only on the
// adapter's beat, whole and in order, however long.
TEST_F(SimTest, AnAdapterBetweenLineAndProgramHoldsAnswersUntilItsBeat)
{
    config.adapterLatency = link::Millis(16);
    config.lineBaud = 115200;
    Start();
    for (int i = 0; i < 40; ++i)
        Seed(3, "F" + std::to_string(1000 + i) + ".DAT", "x");
    state.CurHhtId = "003";
    pump.RunUntil(t0 + milliseconds(100), [] { return false; });
    Send('C', 0, "F");
    const Answer header = Recv();
    EXPECT_TRUE(header.Is('D', 0, "040" "3999960")) << header;
    EXPECT_EQ((pump.Now() - t0) % milliseconds(16), link::Clock::duration::zero());
    EXPECT_GT(pump.Now(), t0 + milliseconds(100));

    Send('A', 0, Char(ACK));
    const Answer entries = Recv(); // 26 entries: a frame of several packets
    EXPECT_EQ(entries.rc, 0);
    const auto list = Entries(entries.data);
    ASSERT_EQ(list.size(), 26u);
    EXPECT_EQ(list[25], std::make_pair(std::string("F1025.DAT"), 1));
}

} // namespace
} // namespace tavelin::sim::testing
