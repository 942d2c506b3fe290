// SPDX-License-Identifier: MIT
// One line of the frame trace as fields, written and read back: the trace
// file writes these lines, the line monitor keeps them as rows, saves them
// in the same words and reads a trace file back into them.
//
// A line is "<ms, 10 wide> ms " and then one of
//   sent|recv <kind> <ID> <sequence digit> <length> <result>[ | <hex> | <text>[...]]
//   sent|recv (short) <result>
//   recv time-out after <ms> ms
//   port open | port closed | port lost: the device went away
// where the data shown are the frame's first kTraceDataShown bytes, and
// "..." says that more followed.
#pragma once

#include "serial_port.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tavelin::link {

enum class TraceResult { Ok, BadCheck, WrongId, Resynchronised };

enum class TraceEvent : std::uint8_t { Sent, Received, TimedOut, PortOpen, PortClosed, PortLost };

constexpr std::size_t kTraceDataShown = 32;

struct TraceRecord {
    long long ms = 0; // since the trace's first line
    TraceEvent event = TraceEvent::Sent;
    TraceResult result = TraceResult::Ok;
    bool shortFrame = false; // fewer bytes than a frame: no fields below
    char kind = ' ';
    std::array<char, 3> id{};
    char sequence = ' ';
    std::array<char, 4> length{};
    std::uint8_t shown = 0; // data bytes kept, at most kTraceDataShown
    std::array<std::uint8_t, kTraceDataShown> data{};
    bool more = false;       // the frame had more data than was kept
    long long waitedMs = 0;  // TimedOut only

    bool IsFrame() const { return event == TraceEvent::Sent || event == TraceEvent::Received; }
    // The length field as a number; -1 when it is not four digits.
    int DataLength() const;
};

// The fields of a frame (STX through the check character) at `ms`.
TraceRecord FrameRecord(long long ms, TraceEvent direction, std::span<const std::uint8_t> frame,
                        TraceResult result);

// The port's state as the trace names it: open, closed or lost.
TraceEvent PortEvent(const SerialPort& port);

// Appends the line, without its line end.
void AppendTraceLine(const TraceRecord& record, std::string& out);

// Reads a line written by AppendTraceLine (a CR at its end is allowed).
// False for anything else, `record` then unspecified: a trace file may come
// from anywhere, so nothing in it is trusted.
bool ParseTraceLine(std::string_view line, TraceRecord& record);

} // namespace tavelin::link
