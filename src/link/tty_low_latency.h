// SPDX-License-Identifier: MIT
// Asking a serial driver for low latency while the program holds the port.
// A USB serial adapter holds received bytes for its latency timer (16 ms on
// an FTDI chip), and our protocol waits for every short acknowledgement: the
// driver's low-latency flag (TIOCGSERIAL/TIOCSSERIAL, ASYNC_LOW_LATENCY, a
// flag an ordinary user may set) turns that timer down to 1 ms. The flag is
// given back as it was found when the port closes. A driver without serial
// settings (a pseudo-terminal) or one that refuses is no error: the line
// works as before.
#pragma once

#include <optional>

namespace tavelin::link {

// The driver's serial flags of an open terminal, behind a seam a test can
// answer. The real one (POSIX builds, tty_low_latency_posix.cpp) reads and
// writes them with TIOCGSERIAL and TIOCSSERIAL, every other field as read.
class TtyControl {
public:
    virtual ~TtyControl() = default;
    virtual std::optional<int> ReadFlags(int fd) = 0; // nothing when the driver has no serial settings
    virtual bool WriteFlags(int fd, int flags) = 0;
};

// Linux's ASYNC_LOW_LATENCY (the real control checks that it is).
inline constexpr int kLowLatencyFlag = 1 << 13;

// The control of this system's terminals (POSIX builds only).
TtyControl& SystemTtyControl();

class LowLatencyRequest {
public:
    explicit LowLatencyRequest(TtyControl& tty) : tty_(tty) {}
    // After the open: sets the flag unless it is set already.
    void Ask(int fd);
    // Before the close: clears the flag again if Ask set it.
    void GiveBack(int fd);
    // The port closed without GiveBack (its device went away).
    void Forget() { setHere_ = false; }

private:
    TtyControl& tty_;
    bool setHere_ = false;
};

} // namespace tavelin::link
