// SPDX-License-Identifier: MIT
#include "bare_peer.h"

#include "transfer/frame_fields.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>

namespace tavelin::bench {

namespace {

constexpr int kSilenceMs = 2000;
constexpr std::int64_t kBlock = 512;

link::Bytes Text(const std::string& text) { return link::Bytes(text.begin(), text.end()); }

speed_t SpeedOf(int baud)
{
    switch (baud) {
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    default: return B115200;
    }
}

} // namespace

BarePeer::BarePeer(const std::string& device, int baud) : fd_(::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK))
{
    termios tio{};
    if (fd_ >= 0 && ::tcgetattr(fd_, &tio) == 0) {
        ::cfmakeraw(&tio);
        const speed_t speed = SpeedOf(baud);
        ::cfsetispeed(&tio, speed);
        ::cfsetospeed(&tio, speed);
        ::tcsetattr(fd_, TCSANOW, &tio);
    }
}

BarePeer::~BarePeer()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void BarePeer::Send(char kind, int digit, const link::Bytes& data)
{
    const link::Bytes frame = link::BuildFrame(kind, "001", digit, data);
    for (std::size_t done = 0; done < frame.size();) {
        const ssize_t n = ::write(fd_, frame.data() + done, frame.size() - done);
        if (n > 0) {
            done += std::size_t(n);
            continue;
        }
        pollfd watch{fd_, POLLOUT, 0};
        if (::poll(&watch, 1, kSilenceMs) <= 0)
            return;
    }
}

bool BarePeer::ReadExactly(std::uint8_t* into, std::size_t count)
{
    for (std::size_t done = 0; done < count;) {
        const ssize_t n = ::read(fd_, into + done, count - done);
        if (n > 0) {
            done += std::size_t(n);
            continue;
        }
        pollfd watch{fd_, POLLIN, 0};
        if (::poll(&watch, 1, kSilenceMs) <= 0)
            return false;
    }
    return true;
}

bool BarePeer::Receive(char& kind, int& digit, link::Bytes& data)
{
    std::uint8_t header[link::kFrameHeaderSize];
    // Skip to the start of a frame.
    do {
        if (!ReadExactly(header, 1))
            return false;
    } while (header[0] != link::STX);
    if (!ReadExactly(header + 1, sizeof header - 1))
        return false;
    kind = char(header[1]);
    digit = header[5] - '0';
    const std::size_t length = std::stoul(std::string(header + 6, header + 10));
    data.resize(length + 2); // the data, ETX and the check character
    if (!ReadExactly(data.data(), data.size()))
        return false;
    data.resize(length);
    return true;
}

bool BarePeer::Connect()
{
    Send('C', 0, Text("P"));
    char kind = 0;
    int digit = 0;
    link::Bytes data;
    return Receive(kind, digit, data) && kind == 'A';
}

bool BarePeer::Download(const std::string& name, std::int64_t size)
{
    char kind = 0;
    int digit = 0;
    link::Bytes answer;
    Send('C', 0, Text("D" + transfer::PaddedName(name) + transfer::SizeField(size)));
    if (!Receive(kind, digit, answer) || kind != 'A')
        return false;
    link::Bytes block;
    for (std::int64_t sent = 0, seq = 0; sent < size; sent += kBlock, seq = (seq + 1) % 10) {
        block.assign(std::size_t(std::min(kBlock, size - sent)), std::uint8_t(seq * 37));
        Send('D', int(seq), block);
        if (!Receive(kind, digit, answer) || kind != 'A' || digit != seq)
            return false;
    }
    const bool stored = size == 0 || (Receive(kind, digit, answer) && kind == 'A');
    Send('E', 0, {link::EOT});
    return stored;
}

std::int64_t BarePeer::Upload(const std::string& name)
{
    char kind = 0;
    int digit = 0;
    link::Bytes data;
    Send('C', 0, Text("S" + transfer::PaddedName(name)));
    std::int64_t received = 0;
    while (Receive(kind, digit, data)) {
        if (kind == 'E')
            return received;
        if (kind != 'D')
            return -1;
        received += std::int64_t(data.size());
        Send('A', digit, {link::ACK});
    }
    return -1;
}

} // namespace tavelin::bench
