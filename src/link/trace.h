// SPDX-License-Identifier: MIT
// A frame trace for diagnosing a line: one text line per frame sent or
// received (time, direction, kind, ID, sequence digit, length, result and the
// first 32 data bytes in hex and as text), per receive that timed out and per
// change of the port's state. The program makes one when TAVELIN_TRACE names
// a file and attaches it to the Link's watchers (frame_watcher.h).
//
// Lines are collected in a stdio buffer and written out when it fills, at
// most a second after the last write, and when the tracer goes, so a busy
// line costs no system call per frame.
#pragma once

#include "frame_watcher.h"
#include "settings/status.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin::link {

// True when both name the same file: the same file that exists (a hard
// link too), or the same place once symbolic links, ".", ".." and the
// current directory are resolved, for a file that does not exist yet.
bool NamesSameFile(const std::string& a, const std::string& b);

class Tracer final : public FrameWatcher {
public:
    // Appends to `path`; failed with why when it cannot be opened.
    // Never waits: a FIFO that nobody reads cannot be opened.
    static Result<std::unique_ptr<Tracer>> Open(const std::string& path);
    // From TAVELIN_TRACE: null when unset, empty or unusable (said on stderr).
    // A file of the run (runFiles: its logs, parameter files, lock) is
    // unusable however it is named: trace lines would be mixed into what
    // other programs read there.
    static std::unique_ptr<Tracer> FromEnvironment(const std::vector<std::string>& runFiles = {});

    ~Tracer();
    Tracer(const Tracer&) = delete;
    Tracer& operator=(const Tracer&) = delete;

    // FrameWatcher; WatchPort logs a line when the port's state differs from
    // the last one seen.
    void Sent(Clock::time_point now, std::span<const std::uint8_t> frame) override;
    void Received(Clock::time_point now, std::span<const std::uint8_t> frame, TraceResult result) override;
    void TimedOut(Clock::time_point now, long long waitedMs) override;
    void WatchPort(Clock::time_point now, const SerialPort& port) override;
    void Flush();

private:
    explicit Tracer(std::FILE* file);
    long long Since(Clock::time_point now);
    void Write(Clock::time_point now, const TraceRecord& record);

    std::FILE* file_;
    std::unique_ptr<char[]> buffer_;
    bool started_ = false;
    Clock::time_point origin_{}, lastFlush_{};
    int portState_ = -1; // unknown until first seen: else a TraceEvent
    std::string line_;
};

} // namespace tavelin::link
