// SPDX-License-Identifier: MIT
// What the program relies on from a serial port: the members of the port
// control used by the link procedures, and nothing else. A read waits at most
// InTimeout milliseconds (through the event pump, never spinning) and reports
// a time-out as its result; the bytes of a timed-out read are never used.
// A device that goes away while open (a USB adapter pulled, the far end of a
// pseudo-terminal closed) leaves the port closed and Lost(): every read then
// fails at once, so the callers' retries cost no time, and the run can end.
#pragma once

#include "adapter_latency.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tavelin::link {

using Bytes = std::vector<std::uint8_t>;

enum class OpenError { None, NotFound, NoPermission, InUse, BadSettings, Other };

struct OpenResult {
    OpenError error = OpenError::None;
    std::string reason; // what went wrong and what to do, in one sentence, for standard error and message details
    bool Ok() const { return error == OpenError::None; }
};

enum class ReadResult { Ok, TimedOut };

class SerialPort {
public:
    virtual ~SerialPort() = default;

    virtual void SetCommPort(int number) = 0;             // 1..4 for COM1..COM4
    virtual void SetSettings(const std::string& text) = 0; // "19200,N,8,1"; switches at once when open
    virtual OpenResult Open() = 0;                          // PortOpen = True
    virtual void Close() = 0;                               // PortOpen = False
    virtual bool IsOpen() const = 0;

    virtual void SetDtr(bool on) = 0; // ignored where the device has no such line
    virtual void SetRts(bool on) = 0;

    virtual void SetInTimeout(int milliseconds) = 0;
    virtual int InTimeout() const = 0;
    virtual std::size_t InBufferCount() = 0;
    virtual void DiscardInput() = 0; // InBufferCount = 0

    // Takes exactly `count` bytes, waiting at most InTimeout for them.
    virtual ReadResult Read(std::size_t count, Bytes& out) = 0;
    virtual void Write(std::span<const std::uint8_t> bytes) = 0;

    virtual bool CtsHolding() = 0;
    virtual std::size_t OutBufferCount() = 0;

    // True from the moment the open device went away until the next Open.
    virtual bool Lost() const { return false; }

    // What the last Open of a closed port failed with; None before any and
    // after one that opened. A device in use ends a batch run as a second
    // copy of the program does.
    virtual OpenError LastOpenError() const { return OpenError::None; }

    // The latency timer of the USB serial adapter behind the open port, as
    // found once the port was opened; nothing where there is none to read.
    virtual std::optional<AdapterLatency> AdapterLatencyTimer() const { return std::nullopt; }
};

} // namespace tavelin::link
