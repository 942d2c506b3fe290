// SPDX-License-Identifier: MIT
// Frames as the hand-held takes them off the line: byte by byte, never
// waiting, so a frame may arrive in any number of pieces. A damaged frame is
// counted and its bytes are searched again for a later start, so a good frame
// that followed a truncated one is not lost.
#pragma once

#include "link/serial_port.h"
#include "sim_config.h"

#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <vector>

namespace tavelin::sim {

struct ReceivedFrame {
    char kind = 0;
    std::string id; // three digits
    int digit = 0;
    link::Bytes data;
    bool checkOk = true;

    bool DataIs(std::uint8_t byte) const { return !data.empty() && data.front() == byte; }
    std::string Text() const { return std::string(data.begin(), data.end()); }
};

// The PC never puts more data into one frame; a longer length field is damage.
constexpr std::size_t kMaxDataPerFrame = 512;

class FrameDecoder {
public:
    // Appends every frame completed by these bytes to `out`; counts damage in `stats`.
    void Feed(std::span<const std::uint8_t> bytes, Stats& stats, std::vector<ReceivedFrame>& out);

private:
    void Take(std::uint8_t byte, Stats& stats, std::vector<ReceivedFrame>& out);
    void Resync();
    void Finish(Stats& stats, std::vector<ReceivedFrame>& out);

    link::Bytes frame_;               // bytes of the frame under way, from its STX
    std::size_t expected_ = 0;        // its full length once the header is known
    std::deque<std::uint8_t> replay_; // bytes of a damaged frame, searched again
};

} // namespace tavelin::sim
