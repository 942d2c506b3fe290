// SPDX-License-Identifier: MIT
// The frame trace's line, both ways.
#include "trace_line.h"

#include "frame.h"

#include <algorithm>
#include <cstdio>

namespace tavelin::link {

namespace {

constexpr std::string_view kSent = "sent", kReceived = "recv";
constexpr std::string_view kPortOpen = "port open", kPortClosed = "port closed",
                           kPortLost = "port lost: the device went away";
constexpr std::string_view kTimeOut = "recv time-out after ";
constexpr std::string_view kShort = " (short) ";
constexpr std::string_view kMore = "...";
constexpr int kMostDigits = 18; // a long long never overflows

constexpr std::string_view kResults[] = {"ok", "bad check character", "wrong ID", "resynchronised"};

std::string_view ResultText(TraceResult result) { return kResults[static_cast<int>(result)]; }

bool IsPrintable(char c) { return c >= 0x20 && c < 0x7F; }
char Shown(std::uint8_t byte) { return byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.'; }

// Reads what `text` starts with, and takes it off.
bool Take(std::string_view& text, std::string_view prefix)
{
    if (!text.starts_with(prefix))
        return false;
    text.remove_prefix(prefix.size());
    return true;
}

bool TakeNumber(std::string_view& text, long long& value)
{
    std::size_t digits = 0;
    value = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
        if (++digits > kMostDigits)
            return false;
        value = value * 10 + (text[digits - 1] - '0');
    }
    text.remove_prefix(digits);
    return digits > 0;
}

template <std::size_t N> bool TakeField(std::string_view& text, std::array<char, N>& field)
{
    if (text.size() < N || !std::all_of(text.begin(), text.begin() + N, IsPrintable))
        return false;
    std::copy_n(text.begin(), N, field.begin());
    text.remove_prefix(N);
    return true;
}

bool TakeResult(std::string_view& text, TraceResult& result)
{
    // The longest first: none is the start of another today, and stays safe if one becomes so.
    int best = -1;
    for (int i = 0; i < 4; ++i) {
        if (text.starts_with(kResults[i]) && (best < 0 || kResults[i].size() > kResults[best].size()))
            best = i;
    }
    if (best < 0)
        return false;
    text.remove_prefix(kResults[best].size());
    result = static_cast<TraceResult>(best);
    return true;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// " | 41 42 | AB" and perhaps "...": the bytes, and the text they show as.
bool TakeData(std::string_view& text, TraceRecord& record)
{
    if (text.empty())
        return true;
    if (!Take(text, " |"))
        return false;
    while (Take(text, " ") && text.size() >= 2 && HexDigit(text[0]) >= 0 && HexDigit(text[1]) >= 0) {
        if (record.shown == kTraceDataShown)
            return false;
        record.data[record.shown++] = static_cast<std::uint8_t>(HexDigit(text[0]) * 16 + HexDigit(text[1]));
        text.remove_prefix(2);
    }
    // The loop ended on the blank before the second bar.
    if (record.shown == 0 || !Take(text, "| "))
        return false;
    for (std::size_t i = 0; i < record.shown; ++i) {
        if (text.empty() || text[0] != Shown(record.data[i]))
            return false;
        text.remove_prefix(1);
    }
    record.more = Take(text, kMore);
    return !record.more || record.shown == kTraceDataShown;
}

bool ParseFrame(std::string_view text, TraceRecord& record)
{
    if (Take(text, kShort)) {
        record.shortFrame = true;
        return TakeResult(text, record.result) && text.empty();
    }
    std::array<char, 1> kind{}, sequence{};
    const bool fields = Take(text, " ") && TakeField(text, kind) && Take(text, " ") && TakeField(text, record.id)
        && Take(text, " ") && TakeField(text, sequence) && Take(text, " ") && TakeField(text, record.length)
        && Take(text, " ") && TakeResult(text, record.result);
    record.kind = kind[0];
    record.sequence = sequence[0];
    return fields && TakeData(text, record) && text.empty();
}

} // namespace

int TraceRecord::DataLength() const
{
    int value = 0;
    for (const char c : length) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

TraceRecord FrameRecord(long long ms, TraceEvent direction, std::span<const std::uint8_t> frame,
                        TraceResult result)
{
    TraceRecord record;
    record.ms = ms;
    record.event = direction;
    record.result = result;
    if (frame.size() < kFrameOverhead) { // not a frame the link builds or accepts
        record.shortFrame = true;
        return record;
    }
    record.kind = static_cast<char>(frame[1]);
    std::copy_n(frame.begin() + 2, 3, record.id.begin());
    record.sequence = static_cast<char>(frame[5]);
    std::copy_n(frame.begin() + 6, 4, record.length.begin());
    const auto data = frame.subspan(kFrameHeaderSize, frame.size() - kFrameOverhead);
    record.shown = static_cast<std::uint8_t>(std::min(data.size(), kTraceDataShown));
    std::copy_n(data.begin(), record.shown, record.data.begin());
    record.more = data.size() > record.shown;
    return record;
}

TraceEvent PortEvent(const SerialPort& port)
{
    return port.Lost() ? TraceEvent::PortLost : port.IsOpen() ? TraceEvent::PortOpen : TraceEvent::PortClosed;
}

void AppendTraceLine(const TraceRecord& record, std::string& out)
{
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%10lld ms ", record.ms);
    out += stamp;
    switch (record.event) {
    case TraceEvent::PortOpen: out += kPortOpen; return;
    case TraceEvent::PortClosed: out += kPortClosed; return;
    case TraceEvent::PortLost: out += kPortLost; return;
    case TraceEvent::TimedOut:
        out += kTimeOut;
        out += std::to_string(record.waitedMs);
        out += " ms";
        return;
    case TraceEvent::Sent:
    case TraceEvent::Received: break;
    }
    out += record.event == TraceEvent::Sent ? kSent : kReceived;
    if (record.shortFrame) {
        out += kShort;
        out += ResultText(record.result);
        return;
    }
    out += ' ';
    out += record.kind;
    out += ' ';
    out.append(record.id.data(), record.id.size());
    out += ' ';
    out += record.sequence;
    out += ' ';
    out.append(record.length.data(), record.length.size());
    out += ' ';
    out += ResultText(record.result);
    if (record.shown == 0)
        return;
    out += " |";
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < record.shown; ++i) {
        out += ' ';
        out += kHex[record.data[i] >> 4];
        out += kHex[record.data[i] & 0xF];
    }
    out += " | ";
    for (std::size_t i = 0; i < record.shown; ++i)
        out += Shown(record.data[i]);
    if (record.more)
        out += kMore;
}

bool ParseTraceLine(std::string_view line, TraceRecord& record)
{
    record = TraceRecord{};
    if (line.ends_with('\r'))
        line.remove_suffix(1);
    while (Take(line, " ")) {
    }
    if (!TakeNumber(line, record.ms) || !Take(line, " ms "))
        return false;
    if (line == kPortOpen || line == kPortClosed || line == kPortLost) {
        record.event = line == kPortOpen ? TraceEvent::PortOpen
            : line == kPortClosed       ? TraceEvent::PortClosed
                                        : TraceEvent::PortLost;
        return true;
    }
    if (Take(line, kTimeOut)) {
        record.event = TraceEvent::TimedOut;
        return TakeNumber(line, record.waitedMs) && line == " ms";
    }
    if (Take(line, kSent))
        record.event = TraceEvent::Sent;
    else if (Take(line, kReceived))
        record.event = TraceEvent::Received;
    else
        return false;
    return ParseFrame(line, record);
}

} // namespace tavelin::link
