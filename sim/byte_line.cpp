// SPDX-License-Identifier: MIT
#include "byte_line.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace tavelin::sim {

namespace {

// Nobody may be reading the terminal; past this much the oldest bytes go.
constexpr std::size_t kMaxPending = 1 << 20;

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

bool MakeRaw(int fd, speed_t speed)
{
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return false;
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

std::optional<speed_t> SpeedOf(int baud)
{
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    default: return std::nullopt;
    }
}

int BaudOf(speed_t speed)
{
    for (const int baud : {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400}) {
        if (SpeedOf(baud) == speed)
            return baud;
    }
    return 0;
}

} // namespace

int ByteLine::PeerBaud() const
{
    termios tio{};
    if (!pty_ || fd_ < 0 || tcgetattr(fd_, &tio) != 0)
        return 0;
    return BaudOf(cfgetospeed(&tio));
}

std::unique_ptr<ByteLine> ByteLine::OpenPty(std::string& error)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        error = SystemError("posix_openpt");
        return nullptr;
    }
    const char* name = (grantpt(master) == 0 && unlockpt(master) == 0) ? ptsname(master) : nullptr;
    const int slave = name != nullptr ? open(name, O_RDWR | O_NOCTTY) : -1;
    if (slave < 0 || !MakeRaw(slave, B19200) || fcntl(master, F_SETFL, O_NONBLOCK) != 0) {
        error = SystemError("pseudo-terminal");
        if (slave >= 0)
            close(slave);
        close(master);
        return nullptr;
    }
    return std::unique_ptr<ByteLine>(new ByteLine(master, slave, name, true));
}

std::unique_ptr<ByteLine> ByteLine::OpenDevice(const std::string& path, int baud, std::string& error)
{
    const auto speed = SpeedOf(baud);
    if (!speed) {
        error = "unsupported speed " + std::to_string(baud);
        return nullptr;
    }
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        error = SystemError(path);
        return nullptr;
    }
    if (!MakeRaw(fd, *speed)) {
        error = SystemError(path);
        close(fd);
        return nullptr;
    }
    return std::unique_ptr<ByteLine>(new ByteLine(fd, -1, path, false));
}

ByteLine::~ByteLine()
{
    if (keepOpen_ >= 0)
        close(keepOpen_);
    if (fd_ >= 0)
        close(fd_);
}

void ByteLine::Close()
{
    for (int* fd : {&fd_, &keepOpen_}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
    pending_.clear();
}

link::Bytes ByteLine::ReadAvailable()
{
    link::Bytes bytes;
    std::uint8_t buffer[4096];
    for (;;) {
        const ssize_t n = read(fd_, buffer, sizeof buffer);
        if (n <= 0)
            break; // EAGAIN: all read; EIO: the far end is closed for now
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return bytes;
}

void ByteLine::Write(const link::Bytes& bytes)
{
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    if (pending_.size() > kMaxPending)
        pending_.erase(pending_.begin(), pending_.end() - static_cast<std::ptrdiff_t>(kMaxPending));
    FlushPending();
}

void ByteLine::FlushPending()
{
    while (!pending_.empty()) {
        const ssize_t n = write(fd_, pending_.data(), pending_.size());
        if (n <= 0)
            return; // the line is full; poll says when it takes more
        pending_.erase(pending_.begin(), pending_.begin() + n);
    }
}

void LinePacer::Push(link::Bytes bytes, link::Clock::time_point now)
{
    if (bytes.empty())
        return;
    Chunk chunk{baud_ > 0 ? std::max(now, lineFree_) : now, std::move(bytes)};
    lineFree_ = DueAfter(chunk, chunk.bytes.size());
    chunks_.push_back(std::move(chunk));
}

link::Clock::time_point LinePacer::DueAfter(const Chunk& chunk, std::size_t count) const
{
    if (baud_ <= 0)
        return chunk.start;
    // Whole nanoseconds from an exact integer product: no drift over a long transfer.
    const auto nanos = static_cast<std::int64_t>(count) * 10'000'000'000LL / baud_;
    return chunk.start + std::chrono::duration_cast<link::Clock::duration>(std::chrono::nanoseconds(nanos));
}

std::size_t LinePacer::DueCount(const Chunk& chunk, link::Clock::time_point now) const
{
    if (now >= DueAfter(chunk, chunk.bytes.size()))
        return chunk.bytes.size();
    if (now <= chunk.start)
        return 0;
    const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(now - chunk.start).count();
    return static_cast<std::size_t>(elapsed * baud_ / 10'000'000'000LL);
}

std::optional<std::pair<link::Clock::time_point, link::Bytes>> LinePacer::PopDue(link::Clock::time_point now)
{
    if (chunks_.empty())
        return std::nullopt;
    Chunk& front = chunks_.front();
    const std::size_t due = DueCount(front, now);
    if (due <= front.released)
        return std::nullopt;
    const auto first = front.bytes.begin() + static_cast<std::ptrdiff_t>(front.released);
    std::pair<link::Clock::time_point, link::Bytes> part{DueAfter(front, due),
                                                         link::Bytes(first, front.bytes.begin() + static_cast<std::ptrdiff_t>(due))};
    front.released = due;
    if (due == front.bytes.size())
        chunks_.pop_front();
    return part;
}

std::optional<link::Clock::time_point> LinePacer::NextDue() const
{
    if (chunks_.empty())
        return std::nullopt;
    return DueAfter(chunks_.front(), chunks_.front().bytes.size());
}

} // namespace tavelin::sim
