// SPDX-License-Identifier: MIT
// A bare PC end of the line for the benchmarks: the frames of a transfer,
// written and read with plain system calls, one blocking wait per frame; no
// event loop, no engine, no file. What it reaches against the simulated
// hand-held is the best the line and the simulator allow, and the program is
// measured against it in the same run.
#pragma once

#include "link/frame.h"

#include <cstdint>
#include <string>

namespace tavelin::bench {

class BarePeer {
public:
    // The line, opened raw at `baud` bit/s: a simulated hand-held on a
    // pseudo-terminal reads the speed the PC set and garbles its answers to
    // a PC at another.
    BarePeer(const std::string& device, int baud);
    ~BarePeer();
    BarePeer(const BarePeer&) = delete;
    BarePeer& operator=(const BarePeer&) = delete;

    bool Open() const { return fd_ >= 0; }
    bool Connect(); // the poll of ID 001
    // A download as the engine sends it: request, 512-byte blocks each
    // answered, the hand-held's last answer, the end frame.
    bool Download(const std::string& name, std::int64_t size);
    // An upload as the engine takes it: request, then each block answered
    // until the hand-held's end frame. The bytes received, or -1.
    std::int64_t Upload(const std::string& name);

private:
    void Send(char kind, int digit, const link::Bytes& data);
    // One whole frame; false after two seconds of silence.
    bool Receive(char& kind, int& digit, link::Bytes& data);
    bool ReadExactly(std::uint8_t* into, std::size_t count);

    int fd_ = -1;
};

} // namespace tavelin::bench
