// SPDX-License-Identifier: MIT
// One overlapped read or write on a device opened for them, with a buffer
// and an event of its own: the event is signalled when the operation ends,
// so an event pump can sleep on it instead of asking the driver. One
// operation at a time; its end is collected (which leaves the event
// unsignalled) or it is cancelled before the next starts, so a late
// completion never writes into a buffer that has moved on.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <vector>

namespace tavelin::link::win32 {

class Overlapped {
public:
    Overlapped();
    ~Overlapped();
    Overlapped(const Overlapped&) = delete;
    Overlapped& operator=(const Overlapped&) = delete;

    HANDLE Event() const { return operation_.hEvent; }
    // Started and not yet collected or cancelled.
    bool Pending() const { return pending_; }
    // Started and ended: Collect takes its result.
    bool Ended() const { return pending_ && HasOverlappedIoCompleted(&operation_); }

    // False when the device refused to start it (nothing is pending then).
    bool StartRead(HANDLE device, std::size_t size);
    bool StartWrite(HANDLE device, std::span<const std::uint8_t> bytes);

    struct End {
        DWORD error = ERROR_SUCCESS; // ERROR_SUCCESS when it succeeded
        std::span<const std::uint8_t> bytes; // those moved: read into the buffer, or written from it
    };
    // The result of an ended operation.
    End Collect(HANDLE device);
    // Sleeps at most `ms` for a pending operation to end; true when it has.
    bool WaitEnded(DWORD ms) const;
    // Ends a pending operation and waits until the driver has let go of it;
    // what it moved until then (ERROR_OPERATION_ABORTED, or how it ended
    // when it ended first).
    End Cancel(HANDLE device);

private:
    End Finish(HANDLE device, BOOL wait);

    OVERLAPPED operation_{};
    bool pending_ = false;
    std::vector<std::uint8_t> buffer_;
};

} // namespace tavelin::link::win32
