// SPDX-License-Identifier: MIT
// The line monitor's rows, without a window: attached to a Link as its
// FrameWatcher, it keeps one row per frame sent or received, per receive
// that timed out and per change of the port's state, in the frame trace's
// fields (trace_line.h), each with its retries: how many times in a row the
// same frame went the same way before, each time to no avail.
//
// Memory stays bounded: past `cap` rows the oldest go. Paused, the rows stay
// as they are and what comes is held aside (again at most `cap`, oldest
// first to go) until the monitor runs again. Rows save as trace lines and a
// trace file loads back into rows, its malformed lines skipped.
//
// A view that follows the rows asks for serial numbers: every row kept gets
// the next one, so FirstSerial()..EndSerial() says which rows went and came
// since the view last looked; Generation() changes when the rows were
// replaced as a whole (cleared or loaded).
#pragma once

#include "link/frame_watcher.h"
#include "link/trace_line.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

namespace tavelin::modes {

struct MonitorRow {
    link::TraceRecord record;
    int retries = 0;
};

struct MonitorLoad {
    bool opened = false;  // false: not a readable plain file
    int rows = 0;         // lines taken as rows
    int skipped = 0;      // lines that were no trace line
    bool cut = false;     // the file was longer than is read
    std::size_t dropped = 0; // rows held aside while paused, given up for the file's
};

class LineMonitor final : public link::FrameWatcher {
public:
    static constexpr std::size_t kDefaultCap = 20000;
    static constexpr std::size_t kMostFileBytes = 16u << 20; // a trace file is read this far
    static constexpr std::size_t kLongestLine = 512;         // a trace line is at most about 200

    explicit LineMonitor(std::size_t cap = kDefaultCap) : cap_(cap ? cap : 1) {}

    // link::FrameWatcher
    void Sent(link::Clock::time_point now, std::span<const std::uint8_t> frame) override;
    void Received(link::Clock::time_point now, std::span<const std::uint8_t> frame,
                  link::TraceResult result) override;
    void TimedOut(link::Clock::time_point now, long long waitedMs) override;
    void WatchPort(link::Clock::time_point now, const link::SerialPort& port) override;

    std::size_t Count() const { return rows_.size(); }
    const MonitorRow& Row(std::size_t index) const { return rows_[index]; } // 0: the oldest kept
    std::uint64_t FirstSerial() const { return end_ - rows_.size(); }
    std::uint64_t EndSerial() const { return end_; }
    std::uint64_t Generation() const { return generation_; }

    void SetPaused(bool paused);
    bool Paused() const { return paused_; }
    std::size_t Held() const { return held_.size(); }

    // Forgets every row, held ones too; times count from the next one.
    void Clear();
    // Writes the rows as trace lines, replacing the file whole. False when
    // it could not be written (the old file then stays as it was).
    bool Save(std::string_view utf8Path) const;
    // Replaces the rows by those of a trace file (the last `cap` of them).
    // Held rows are dropped; live rows that come later follow the file's.
    MonitorLoad Load(std::string_view utf8Path);

    // A row as the link would have made it; the live calls end here.
    void Add(const link::TraceRecord& record);

    // Told of each frame the PC sends, as it goes out: the line is then busy
    // with the PC's own frame and no answer can come before it has passed,
    // the moment for a view to draw without keeping an answer waiting. The
    // call comes in the middle of an exchange and must return at once.
    void OnSent(std::function<void()> told) { onSent_ = std::move(told); }

private:
    long long Since(link::Clock::time_point now);
    int RetriesOf(const link::TraceRecord& record);
    void Keep(MonitorRow row);

    std::size_t cap_;
    std::function<void()> onSent_;
    std::deque<MonitorRow> rows_;
    std::deque<MonitorRow> held_;
    std::uint64_t end_ = 0;
    std::uint64_t generation_ = 0;
    bool paused_ = false;
    bool started_ = false;
    link::Clock::time_point origin_{};
    int portState_ = -1; // unknown until first seen: else a TraceEvent
    // Each way (sent, received): the last frame, to know one sent again,
    // and what the other side did since.
    struct Way {
        link::TraceRecord last;
        int retries = 0;
        bool have = false;
        bool otherActed = false;    // a frame or a time-out came the other way
        bool otherAnswered = false; // of those, a good frame that was new
    };
    Way ways_[2];
};

} // namespace tavelin::modes
