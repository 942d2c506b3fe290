// SPDX-License-Identifier: MIT
#include "tty_low_latency.h"

#include <sys/ioctl.h>

#if __has_include(<linux/serial.h>)
#include <linux/serial.h>
#define TAVELIN_HAS_SERIAL_STRUCT 1
#endif

namespace tavelin::link {

namespace {

#ifdef TAVELIN_HAS_SERIAL_STRUCT
static_assert(kLowLatencyFlag == ASYNC_LOW_LATENCY);

class IoctlTtyControl final : public TtyControl {
public:
    std::optional<int> ReadFlags(int fd) override
    {
        serial_struct info{};
        if (::ioctl(fd, TIOCGSERIAL, &info) != 0)
            return std::nullopt;
        return info.flags;
    }

    // Every other field goes back as the driver gave it: a changed one would
    // need privileges an ordinary user lacks.
    bool WriteFlags(int fd, int flags) override
    {
        serial_struct info{};
        if (::ioctl(fd, TIOCGSERIAL, &info) != 0)
            return false;
        info.flags = flags;
        return ::ioctl(fd, TIOCSSERIAL, &info) == 0;
    }
};
#else
// Systems without Linux's serial settings have no such request.
class IoctlTtyControl final : public TtyControl {
public:
    std::optional<int> ReadFlags(int) override { return std::nullopt; }
    bool WriteFlags(int, int) override { return false; }
};
#endif

} // namespace

TtyControl& SystemTtyControl()
{
    static IoctlTtyControl control; // no state: one is enough for every port
    return control;
}

} // namespace tavelin::link
