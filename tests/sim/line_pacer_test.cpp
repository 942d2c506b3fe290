// SPDX-License-Identifier: MIT
// The simulator's emulated line: bytes come out when a line of the given
// speed would have carried them, to the nanosecond, and in order.
#include "byte_line.h"

#include <gtest/gtest.h>

namespace {

using namespace tavelin;
using std::chrono::nanoseconds;

link::Bytes Numbered(std::size_t count, std::uint8_t first = 0)
{
    link::Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = std::uint8_t(first + i);
    return bytes;
}

TEST(LinePacer, ReleasesEachByteWhenTheLineHasCarriedIt)
{
    sim::LinePacer line(115200);
    const link::Clock::time_point t0{};
    const link::Bytes frame = Numbered(524);
    line.Push(frame, t0);
    // 524 bytes of 10 bits: 45.486111 ms, not a rounded millisecond more.
    const auto end = t0 + nanoseconds(45'486'111);
    EXPECT_EQ(line.NextDue(), end);

    EXPECT_FALSE(line.PopDue(t0 + nanoseconds(86'805))); // the first byte needs 86.806 µs
    const auto half = line.PopDue(t0 + nanoseconds(45'486'111 / 2));
    ASSERT_TRUE(half);
    EXPECT_EQ(half->second, Numbered(261));
    EXPECT_LE(half->first, t0 + nanoseconds(45'486'111 / 2));

    const auto most = line.PopDue(end - nanoseconds(1000)); // all but the last byte
    ASSERT_TRUE(most);
    EXPECT_EQ(most->second, link::Bytes(frame.begin() + 261, frame.end() - 1));
    const auto last = line.PopDue(end);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->first, end);
    EXPECT_EQ(last->second, link::Bytes{frame.back()});
    EXPECT_FALSE(line.NextDue());
}

TEST(LinePacer, QueuesChunksBehindEachOtherAndRestartsWhenIdle)
{
    sim::LinePacer line(19200);
    const link::Clock::time_point t0{};
    line.Push(Numbered(13), t0);
    line.Push(Numbered(13, 100), t0 + nanoseconds(1'000'000)); // handed over while the first is on the line
    const auto first = line.PopDue(t0 + std::chrono::seconds(1));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->first, t0 + nanoseconds(6'770'833));
    EXPECT_EQ(first->second, Numbered(13));
    const auto second = line.PopDue(t0 + std::chrono::seconds(1));
    ASSERT_TRUE(second);
    EXPECT_EQ(second->first, t0 + nanoseconds(13'541'666)); // after the first: 26 bytes' time
    EXPECT_EQ(second->second, Numbered(13, 100));

    // Long after, the line is idle: the next chunk starts when it is handed over.
    const auto later = t0 + std::chrono::seconds(5);
    line.Push(Numbered(1), later);
    EXPECT_EQ(line.NextDue(), later + nanoseconds(520'833));
}

TEST(LinePacer, WithoutASpeedReleasesAtOnce)
{
    sim::LinePacer line(0);
    const link::Clock::time_point t0{};
    line.Push(Numbered(600), t0);
    const auto all = line.PopDue(t0);
    ASSERT_TRUE(all);
    EXPECT_EQ(all->second.size(), 600u);
    EXPECT_FALSE(line.PopDue(t0));
}

} // namespace
