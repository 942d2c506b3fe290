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
    return a.shown == b.shown && a.more == b.more && std::equal(a.data.begin(), a.data.begin() + a.shown, b.data.begin());
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

// A block the peer did not acknowledge, a reply the PC asked for again: the
// same frame the same way as the last one. One that came with a bad check
// character may have been damaged anywhere in its data, so after it the
// fields alone decide.
int LineMonitor::RetriesOf(const link::TraceRecord& record)
{
    if (!record.IsFrame())
        return 0;
    const bool sent = record.event == link::TraceEvent::Sent;
    MonitorRow& last = sent ? lastSent_ : lastReceived_;
    bool& have = sent ? haveSent_ : haveReceived_;
    const bool again = have && !record.shortFrame && SameFields(last.record, record)
        && (last.record.result == link::TraceResult::BadCheck || SameData(last.record, record));
    last = {record, again ? last.retries + 1 : 0};
    have = true;
    return last.retries;
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
    haveSent_ = haveReceived_ = false;
}

bool LineMonitor::Save(std::string_view utf8Path) const
{
    std::vector<std::string> lines;
    lines.reserve(rows_.size());
    for (const MonitorRow& row : rows_) {
        lines.emplace_back();
        link::AppendTraceLine(row.record, lines.back());
    }
    return settings::WriteTextLinesAtomically(utf8Path, lines);
}

MonitorLoad LineMonitor::Load(std::string_view utf8Path)
{
    MonitorLoad load;
    std::optional<std::string> bytes = settings::ReadFileBytes(utf8Path, kMostFileBytes + 1);
    if (!bytes)
        return load;
    load.opened = true;
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
