// SPDX-License-Identifier: MIT
// The line monitor's rows, their cap, pause, save and load.
#include "line_monitor.h"

#include "settings/text_file.h"

#include <algorithm>
#include <vector>

namespace tavelin::modes {

namespace {

bool SameFields(const link::TraceRecord& a, const link::TraceRecord& b)
{
    return a.kind == b.kind && a.id == b.id && a.sequence == b.sequence && a.length == b.length
        && a.shortFrame == b.shortFrame;
}

bool SameData(const link::TraceRecord& a, const link::TraceRecord& b)
{
    return a.shown == b.shown && a.more == b.more
        && std::equal(a.data.begin(), a.data.begin() + a.shown, b.data.begin());
}

// "Send that again": one ENQ, what the PC answers when nothing usable came.
bool IsSendAgain(const link::TraceRecord& record)
{
    constexpr std::uint8_t kEnq = 0x05;
    return record.shown == 1 && !record.more && record.data[0] == kEnq;
}

} // namespace

long long LineMonitor::Since(link::Clock::time_point now)
{
    if (!started_) {
        started_ = true;
        origin_ = now;
    }
    return std::chrono::duration_cast<link::Millis>(now - origin_).count();
}

void LineMonitor::Sent(link::Clock::time_point now, std::span<const std::uint8_t> frame)
{
    Add(link::FrameRecord(Since(now), link::TraceEvent::Sent, frame, link::TraceResult::Ok));
    if (onSent_)
        onSent_();
}

void LineMonitor::Received(link::Clock::time_point now, std::span<const std::uint8_t> frame,
                           link::TraceResult result)
{
    Add(link::FrameRecord(Since(now), link::TraceEvent::Received, frame, result));
}

void LineMonitor::TimedOut(link::Clock::time_point now, long long waitedMs)
{
    link::TraceRecord record;
    record.ms = Since(now);
    record.event = link::TraceEvent::TimedOut;
    record.waitedMs = waitedMs;
    Add(record);
}

void LineMonitor::WatchPort(link::Clock::time_point now, const link::SerialPort& port)
{
    const link::TraceEvent event = link::PortEvent(port);
    if (static_cast<int>(event) == portState_)
        return;
    portState_ = static_cast<int>(event);
    link::TraceRecord record;
    record.ms = Since(now);
    record.event = event;
    Add(record);
}

// A frame sent again: the same frame the same way as the last one, after
// the other side had its turn (a frame or a time-out came the other way)
// and got nowhere: nothing came back but damaged frames, time-outs, requests
// to send again, or frames sent again themselves. A block the hand-held did
// not acknowledge counts so, as does the answer it gives the block's repeat;
// two equal answers with nothing between them do not. One that came with a
// bad check character may have been damaged anywhere in its data, so after
// it the fields alone decide.
int LineMonitor::RetriesOf(const link::TraceRecord& record)
{
    if (record.event == link::TraceEvent::TimedOut) {
        ways_[0].otherActed = true; // the hand-held's turn, come to nothing
        return 0;
    }
    if (!record.IsFrame())
        return 0;
    const int way = record.event == link::TraceEvent::Sent ? 0 : 1;
    Way& mine = ways_[way];
    Way& other = ways_[1 - way];
    const bool again = mine.have && !record.shortFrame && mine.otherActed && !mine.otherAnswered
        && SameFields(mine.last, record)
        && (mine.last.result == link::TraceResult::BadCheck || SameData(mine.last, record));
    mine.retries = again ? mine.retries + 1 : 0;
    mine.last = record;
    mine.have = true;
    mine.otherActed = mine.otherAnswered = false;
    other.otherActed = true;
    if (!again && !IsSendAgain(record)
        && (record.result == link::TraceResult::Ok || record.result == link::TraceResult::Resynchronised))
        other.otherAnswered = true;
    return mine.retries;
}

void LineMonitor::Add(const link::TraceRecord& record)
{
    MonitorRow row{record, RetriesOf(record)};
    if (!paused_) {
        Keep(row);
        return;
    }
    held_.push_back(row);
    if (held_.size() > cap_)
        held_.pop_front();
}

void LineMonitor::Keep(MonitorRow row)
{
    rows_.push_back(row);
    ++end_;
    if (rows_.size() > cap_)
        rows_.pop_front();
}

void LineMonitor::SetPaused(bool paused)
{
    paused_ = paused;
    if (paused_)
        return;
    for (const MonitorRow& row : held_)
        Keep(row);
    held_.clear();
}

void LineMonitor::Clear()
{
    rows_.clear();
    held_.clear();
    ++generation_;
    started_ = false;
    ways_[0] = ways_[1] = Way{};
}

bool LineMonitor::Save(std::string_view utf8Path) const
{
    std::vector<std::string> lines;
    lines.reserve(rows_.size());
    for (const MonitorRow& row : rows_) {
        lines.emplace_back();
        link::AppendTraceLine(row.record, lines.back());
    }
    // The window says only that the file was not written.
    return static_cast<bool>(settings::WriteTextLinesAtomically(utf8Path, lines));
}

MonitorLoad LineMonitor::Load(std::string_view utf8Path)
{
    MonitorLoad load;
    std::optional<std::string> bytes = settings::ReadFileBytes(utf8Path, kMostFileBytes + 1);
    if (!bytes)
        return load;
    load.opened = true;
    load.dropped = held_.size();
    if (bytes->size() > kMostFileBytes) { // up to the last whole line read
        load.cut = true;
        const std::size_t end = bytes->rfind('\n', kMostFileBytes - 1);
        bytes->resize(end == std::string::npos ? 0 : end + 1);
    }
    Clear();
    link::TraceRecord record;
    std::string_view text(*bytes);
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.empty() || line == "\r")
            continue;
        if (line.size() > kLongestLine || !link::ParseTraceLine(line, record)) {
            ++load.skipped;
            continue;
        }
        Keep({record, RetriesOf(record)});
        ++load.rows;
    }
    return load;
}

} // namespace tavelin::modes
