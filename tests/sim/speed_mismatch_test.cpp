// SPDX-License-Identifier: MIT
// What a PC at the wrong speed reads from the hand-held: the UART's sampling
// worked out by hand for a few bytes.
#include "speed_mismatch.h"

#include <gtest/gtest.h>

namespace tavelin::sim {
namespace {

TEST(SpeedMismatch, AReceiverSamplesTheWaveAtItsOwnSpeed)
{
    const link::Bytes frame{0x02, 0x41, 0x30, 0x06};
    EXPECT_EQ(AsReceivedAt(frame, 38400, 38400), frame);
    EXPECT_EQ(AsReceivedAt(frame, 38400, 0), frame); // speed unknown: nothing to garble

    // 0x00 at twice the receiver's speed: low for nine sender bits, that is
    // the start bit and three data bits for the receiver; the rest is high.
    EXPECT_EQ(AsReceivedAt(link::Bytes{0x00}, 19200, 9600), link::Bytes{0xF8});
    // 0xFF's start bit is half a receiver bit: a glitch, no byte at all.
    EXPECT_TRUE(AsReceivedAt(link::Bytes{0xFF}, 19200, 9600).empty());
    // At half the receiver's speed the stop bit falls on a data bit: a
    // framing error, read as 0x00; the sender's low bits start a new byte.
    const link::Bytes slow = AsReceivedAt(link::Bytes{0x00}, 9600, 19200);
    ASSERT_FALSE(slow.empty());
    EXPECT_EQ(slow.front(), 0x00);
    EXPECT_NE(AsReceivedAt(frame, 9600, 38400), frame);
}

} // namespace
} // namespace tavelin::sim
