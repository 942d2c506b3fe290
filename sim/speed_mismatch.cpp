// SPDX-License-Identifier: MIT
#include "speed_mismatch.h"

#include <cmath>

namespace tavelin::sim {

namespace {

constexpr int kBitsPerByte = 10; // start, 8 data, stop

// The line level at time t, counted in the sender's bit times from the first
// start bit: the bytes' bits, then idle (high).
bool LevelAt(std::span<const std::uint8_t> bytes, double t)
{
    if (t < 0)
        return true;
    const auto bit = static_cast<std::size_t>(std::floor(t));
    const std::size_t index = bit / kBitsPerByte;
    if (index >= bytes.size())
        return true;
    const std::size_t position = bit % kBitsPerByte;
    if (position == 0)
        return false; // start bit
    if (position == kBitsPerByte - 1)
        return true;  // stop bit
    return ((bytes[index] >> (position - 1)) & 1) != 0;
}

} // namespace

link::Bytes AsReceivedAt(std::span<const std::uint8_t> bytes, int senderBaud, int receiverBaud)
{
    if (senderBaud <= 0 || receiverBaud <= 0 || senderBaud == receiverBaud)
        return link::Bytes(bytes.begin(), bytes.end());
    // One receiver bit time in sender bit times; the receiver looks for the
    // start edge 16 times a bit, as UARTs do, and samples each bit mid-way.
    const double bitTime = double(senderBaud) / double(receiverBaud);
    const double step = bitTime / 16;
    const double end = double(bytes.size()) * kBitsPerByte;
    link::Bytes out;
    bool previous = true;
    for (double t = 0; t < end; t += step) {
        const bool level = LevelAt(bytes, t);
        const bool edge = previous && !level;
        previous = level;
        if (!edge || LevelAt(bytes, t + bitTime / 2))
            continue; // no start edge, or a glitch shorter than half a bit
        std::uint8_t value = 0;
        for (int i = 0; i < 8; ++i) {
            if (LevelAt(bytes, t + bitTime * (1.5 + i)))
                value = static_cast<std::uint8_t>(value | (1u << i));
        }
        const bool framed = LevelAt(bytes, t + bitTime * 9.5);
        out.push_back(framed ? value : 0x00); // a framing error reads as NUL on a raw terminal
        t += bitTime * 9.5;
        previous = framed;
    }
    return out;
}

} // namespace tavelin::sim
