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
    ByteLine(int fd, int keepOpen, std::string path) : fd_(fd), keepOpen_(keepOpen), path_(std::move(path)) {}

    int fd_ = -1;
    int keepOpen_ = -1; // the pseudo-terminal's far end, held so the line never hangs up
    std::string path_;
    link::Bytes pending_;
};

// Bytes in flight on an emulated line: each chunk is released when the line
// has had time to carry it.
class LinePacer {
public:
    explicit LinePacer(int baud) : baud_(baud) {}
    void Push(link::Bytes bytes, link::Clock::time_point now);
    // The next chunk whose time has come, if any.
    std::optional<std::pair<link::Clock::time_point, link::Bytes>> PopDue(link::Clock::time_point now);
    std::optional<link::Clock::time_point> NextDue() const;

private:
    int baud_;
    link::Clock::time_point lineFree_{};
    std::deque<std::pair<link::Clock::time_point, link::Bytes>> chunks_;
};

} // namespace tavelin::sim
