// SPDX-License-Identifier: MIT
// The executable's end of the line: a pseudo-terminal it creates or a serial
// device it opens, both raw and non-blocking, plus the line-rate emulation
// that holds bytes back as long as a line of the given speed would take
// (10 bits a byte). POSIX only.
#pragma once

#include "link/event_pump.h"
#include "link/serial_port.h"

#include <deque>
#include <memory>
#include <optional>
#include <string>

namespace tavelin::sim {

class ByteLine {
public:
    static std::unique_ptr<ByteLine> OpenPty(std::string& error);
    static std::unique_ptr<ByteLine> OpenDevice(const std::string& path, int baud, std::string& error);
    ~ByteLine();
    ByteLine(const ByteLine&) = delete;
    ByteLine& operator=(const ByteLine&) = delete;

    int Fd() const { return fd_; }
    const std::string& Path() const { return path_; } // the terminal a PC opens

    // The speed the PC has set on a pseudo-terminal (both ends share the
    // terminal's settings); 0 for a device or an unknown speed.
    int PeerBaud() const;
    // Everything readable now; empty when nothing is.
    link::Bytes ReadAvailable();
    // Queues bytes and writes as much as the line takes now.
    void Write(const link::Bytes& bytes);
    void FlushPending();
    bool HasPending() const { return !pending_.empty(); }
    // Closes both ends this side holds: a PC on the pseudo-terminal finds its
    // device hung up, as when an adapter is pulled.
    void Close();

private:
    ByteLine(int fd, int keepOpen, std::string path, bool pty)
        : fd_(fd), keepOpen_(keepOpen), path_(std::move(path)), pty_(pty)
    {
    }

    int fd_ = -1;
    int keepOpen_ = -1; // the pseudo-terminal's far end, held so the line never hangs up
    std::string path_;
    bool pty_ = false;
    link::Bytes pending_;
};

// Bytes in flight on an emulated line. Each byte is due once the line has
// carried it: 10 bits after the byte before it, or after it was handed over
// when the line was idle. A chunk is released byte by byte as its bytes fall
// due, so a reader sees what a UART would hold at that moment.
class LinePacer {
public:
    explicit LinePacer(int baud) : baud_(baud) {}
    void Push(link::Bytes bytes, link::Clock::time_point now);
    // The bytes of the front chunk due by now, with the moment the last of
    // them arrived; nothing when none is due.
    std::optional<std::pair<link::Clock::time_point, link::Bytes>> PopDue(link::Clock::time_point now);
    // When the front chunk's last byte is due. Readers take whole frames, so
    // a wake-up for every byte would buy nothing.
    std::optional<link::Clock::time_point> NextDue() const;

private:
    struct Chunk {
        link::Clock::time_point start; // when its first bit went on the line
        link::Bytes bytes;
        std::size_t released = 0;
    };
    // The moment the line has carried `count` bytes of the chunk.
    link::Clock::time_point DueAfter(const Chunk& chunk, std::size_t count) const;
    std::size_t DueCount(const Chunk& chunk, link::Clock::time_point now) const;

    int baud_;
    link::Clock::time_point lineFree_{};
    std::deque<Chunk> chunks_;
};

} // namespace tavelin::sim
