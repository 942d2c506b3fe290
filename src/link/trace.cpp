// SPDX-License-Identifier: MIT
// The frame trace's lines and its buffering.
#include "trace.h"

#include "frame.h"
#include "trace_file.h"
#include "settings/console_output.h"
#include "settings/paths.h"
#include "settings/text_file.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace tavelin::link {

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
constexpr auto kFlushEvery = std::chrono::seconds(1);

namespace fs = std::filesystem;

// Where a chain of symbolic links ends (a link to a file not made yet names
// that file), absolute and without ".", ".." or links on the way.
fs::path FinalPlace(const fs::path& start)
{
    constexpr int kMostLinks = 40; // as the system follows them
    std::error_code error;
    fs::path path = fs::absolute(start, error);
    for (int hops = 0; hops < kMostLinks && fs::is_symlink(fs::symlink_status(path, error)); ++hops) {
        const fs::path target = fs::read_symlink(path, error);
        if (error)
            break;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    const fs::path resolved = fs::weakly_canonical(path, error);
    return error ? path.lexically_normal() : resolved;
}

} // namespace

bool NamesSameFile(const std::string& a, const std::string& b)
{
    const fs::path first = settings::FsPath(a);
    const fs::path second = settings::FsPath(b);
    std::error_code error;
    if (fs::equivalent(first, second, error))
        return true;
    return FinalPlace(first) == FinalPlace(second);
}

Result<std::unique_ptr<Tracer>> Tracer::Open(const std::string& path)
{
    const Result<std::FILE*> file = OpenForAppending(path);
    if (!file)
        return Result<std::unique_ptr<Tracer>>::Failed(file.Reason());
    return std::unique_ptr<Tracer>(new Tracer(*file));
}

std::unique_ptr<Tracer> Tracer::FromEnvironment(const std::vector<std::string>& runFiles)
{
    const char* path = std::getenv("TAVELIN_TRACE");
    if (!path || !*path)
        return nullptr;
    for (const auto& file : runFiles) {
        if (NamesSameFile(path, file)) {
            settings::PrintText(stderr,
                                "tavelin: the trace file %s is %s, a file of the run; running without a trace\n",
                                settings::WithoutControlCharacters(path).c_str(),
                                settings::WithoutControlCharacters(file).c_str());
            return nullptr;
        }
    }
    auto tracer = Open(path);
    if (!tracer) {
        settings::PrintText(stderr, "tavelin: cannot open the trace file %s (%s); running without a trace\n", path,
                            tracer.Reason().c_str());
        return nullptr;
    }
    return std::move(*tracer);
}

Tracer::Tracer(std::FILE* file) : file_(file), buffer_(new char[kBufferSize])
{
    std::setvbuf(file_, buffer_.get(), _IOFBF, kBufferSize);
    line_.reserve(256);
}

Tracer::~Tracer()
{
    std::fclose(file_);
}

void Tracer::Flush()
{
    std::fflush(file_);
}

long long Tracer::Since(Clock::time_point now)
{
    if (!started_) {
        started_ = true;
        origin_ = lastFlush_ = now;
    }
    return std::chrono::duration_cast<Millis>(now - origin_).count();
}

// A trace is read after something went wrong, perhaps while the run still
// hangs: a line must reach the file within a second, not when the buffer fills.
void Tracer::Write(Clock::time_point now, const TraceRecord& record)
{
    line_.clear();
    AppendTraceLine(record, line_);
    line_.push_back('\n');
    std::fwrite(line_.data(), 1, line_.size(), file_);
    if (now - lastFlush_ >= kFlushEvery) {
        std::fflush(file_);
        lastFlush_ = now;
    }
}

void Tracer::Sent(Clock::time_point now, std::span<const std::uint8_t> frame)
{
    Write(now, FrameRecord(Since(now), TraceEvent::Sent, frame, TraceResult::Ok));
}

void Tracer::Received(Clock::time_point now, std::span<const std::uint8_t> frame, TraceResult result)
{
    Write(now, FrameRecord(Since(now), TraceEvent::Received, frame, result));
}

void Tracer::TimedOut(Clock::time_point now, long long waitedMs)
{
    TraceRecord record;
    record.ms = Since(now);
    record.event = TraceEvent::TimedOut;
    record.waitedMs = waitedMs;
    Write(now, record);
}

void Tracer::WatchPort(Clock::time_point now, const SerialPort& port)
{
    const TraceEvent event = PortEvent(port);
    if (static_cast<int>(event) == portState_)
        return;
    portState_ = static_cast<int>(event);
    TraceRecord record;
    record.ms = Since(now);
    record.event = event;
    Write(now, record);
}

} // namespace tavelin::link
