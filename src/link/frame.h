// SPDX-License-Identifier: MIT
// Frames on the wire, and the only code that reads or writes port bytes for
// them. A frame is STX, a kind letter, the three-digit hand-held ID, one
// sequence digit, the data length as four digits, the data, ETX, and a check
// character (XOR of everything from the kind letter through ETX).
//
// Results of the receives: 0 a valid frame; -1 a frame whose check character
// or ID is wrong (it is still delivered); -3 no frame within the time allowed.
//
// Every receive is bounded: it gives up with -3 once no frame has completed
// within its allowance, even while bytes keep arriving that never make a
// frame (noise, a babbling device), so the Stop button always takes effect
// and the callers' counts of failed waits add up to the time they promise.
// The allowance is the port's InTimeout plus the line time, at the configured
// speed (4800 bit/s, the slowest, when the speed code is unknown), of the
// frame under way: of an empty frame while no header has arrived, and of the
// frame a header announces once it has. No read waits past the allowance;
// bytes of a frame already under way that are in the buffer are still taken.
#pragma once

#include "event_pump.h"
#include "serial_port.h"
#include "settings/app_state.h"
#include "frame_watcher.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tavelin::link {

// What every link procedure is handed.
struct Link {
    SerialPort& port;
    EventPump& pump;
    settings::AppState& state; // CurHhtId, flags, PollTimeout/CommTimeout, BaudCode, RunMode
    FrameWatchers watchers = {}; // the frame trace, when one was asked for; the line monitor, while one is open
};

constexpr std::uint8_t STX = 0x02, ETX = 0x03, EOT = 0x04, ACK = 0x06, CAN = 0x18;

constexpr std::size_t kFrameHeaderSize = 10;  // STX through the length digits
constexpr std::size_t kFrameOverhead = 12;    // header, ETX and check character
constexpr std::size_t kMaxFrameData = 9999;   // the most four digits can announce

// Result codes shared by every link and transfer procedure.
constexpr int kOk = 0;
constexpr int kFailed = -1;
constexpr int kTimedOut = -3;

// Text frame: the data is one byte per character. Data longer than
// kMaxFrameData cannot be framed and is not sent at all (the peer's silence
// then shows up on the next receive).
void SendFrame(Link& link, std::string_view kind, int sequence, std::string_view data);
void SendFrameBin(Link& link, std::string_view kind, int sequence, std::span<const std::uint8_t> data);

// Closes the port (when open) and tells the trace and the line monitor at
// once: its "port closed" line stands where the close happened, not before
// the next frame, which may come from another opening or never.
void ClosePort(Link& link);

// frame: the whole frame, STX through the check character, one char per byte.
// Left untouched on -3.
int RecvFrame(Link& link, std::string& frame);
// header: the first 10 characters (STX..length); data: the n data bytes.
// Both left untouched on -3.
int RecvFrameBin(Link& link, std::string& header, Bytes& data);

// The character at position 2 (kind), 6 (sequence digit) or 11 (first data
// character) of a received frame, counting from 1; "" for any other position
// or a frame too short to have it.
std::string FrameChar(std::string_view frame, int position);

// Check characters: XOR of all the characters / bytes given.
std::string CalcBcc(std::string_view text);
std::uint8_t CalcBccBin(std::span<const std::uint8_t> bytes);

// The whole frame as bytes, without a port. The sequence is reduced to its
// last decimal digit; a kind other than 'A'..'Z' is written as given. Empty
// when the data is longer than kMaxFrameData.
Bytes BuildFrame(char kind, std::string_view hhtId, int sequence, std::span<const std::uint8_t> data);

// How long one receive may take on this link before it reports -3, while a
// frame of dataLength data bytes is under way (0: before any header).
Millis ReceiveLimit(const Link& link, std::size_t dataLength = 0);

// How long `bytes` take on the line at the configured speed.
Clock::duration LineTime(const Link& link, std::size_t bytes);

// The wait for the one reply an exchange expects next. A hand-held that
// paused, or answered twice, or late, sends replies that belong to an earlier
// step of the exchange (an acknowledgement of the block before, a block
// already taken, an answer to an earlier request); the caller passes such a
// reply over and receives again. The wait goes on within the same time-out:
// it grows only by the line time of what was passed over, since the
// hand-held could not answer while the line carried it. Past kMostPassedOver
// such replies the wait ends as a time-out, so a peer that only repeats
// itself cannot hold an exchange: a few more than a pause of several
// time-outs leaves queued.
class ReplyWait {
public:
    static constexpr int kMostPassedOver = 8;

    explicit ReplyWait(Link& link) : link_(link), since_(link.pump.Now()) {}

    int Receive(std::string& frame);                   // as RecvFrame
    int ReceiveBin(std::string& header, Bytes& data);  // as RecvFrameBin
    void PassOver(std::size_t frameBytes);
    // A new reply is expected from now on.
    void Restart()
    {
        since_ = link_.pump.Now();
        passedOver_ = 0;
    }

private:
    Link& link_;
    Clock::time_point since_;
    int passedOver_ = 0;
};

} // namespace tavelin::link
