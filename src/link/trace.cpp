// SPDX-License-Identifier: MIT
// The frame trace's lines and its buffering.
#include "trace.h"

#include "frame.h"
#include "trace_file.h"
#include "settings/paths.h"
#include "settings/text_file.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace tavelin::link {

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
constexpr std::size_t kShownBytes = 32;
constexpr auto kFlushEvery = std::chrono::seconds(1);

const char* ResultText(TraceResult result)
{
    switch (result) {
    case TraceResult::Ok: return "ok";
    case TraceResult::BadCheck: return "bad check character";
    case TraceResult::WrongId: return "wrong ID";
    case TraceResult::Resynchronised: return "resynchronised";
    }
    return "?";
}

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

std::unique_ptr<Tracer> Tracer::Open(const std::string& path, std::string* error)
{
    std::string reason;
    std::FILE* file = OpenForAppending(path, reason);
    if (!file) {
        if (error)
            *error = reason;
        return nullptr;
    }
    return std::unique_ptr<Tracer>(new Tracer(file));
}

std::unique_ptr<Tracer> Tracer::FromEnvironment(const std::vector<std::string>& runFiles)
{
    const char* path = std::getenv("TAVELIN_TRACE");
    if (!path || !*path)
        return nullptr;
    for (const auto& file : runFiles) {
        if (NamesSameFile(path, file)) {
            std::fprintf(stderr, "tavelin: the trace file %s is %s, a file of the run; running without a trace\n",
                         settings::WithoutControlCharacters(path).c_str(),
                         settings::WithoutControlCharacters(file).c_str());
            return nullptr;
        }
    }
    std::string error;
    auto tracer = Open(path, &error);
    if (!tracer)
        std::fprintf(stderr, "tavelin: cannot open the trace file %s (%s); running without a trace\n", path,
                     error.c_str());
    return tracer;
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

void Tracer::Begin(Clock::time_point now)
{
    if (!started_) {
        started_ = true;
        origin_ = lastFlush_ = now;
    }
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%10lld ms ",
                  static_cast<long long>(std::chrono::duration_cast<Millis>(now - origin_).count()));
    line_.assign(stamp);
}

// A trace is read after something went wrong, perhaps while the run still
// hangs: a line must reach the file within a second, not when the buffer fills.
void Tracer::End(Clock::time_point now)
{
    line_.push_back('\n');
    std::fwrite(line_.data(), 1, line_.size(), file_);
    if (now - lastFlush_ >= kFlushEvery) {
        std::fflush(file_);
        lastFlush_ = now;
    }
}

void Tracer::Frame(Clock::time_point now, const char* direction, std::span<const std::uint8_t> frame,
                   const char* result)
{
    Begin(now);
    line_ += direction;
    if (frame.size() < kFrameOverhead) { // not a frame the link builds or accepts; shown raw
        line_ += " (short) ";
        line_ += result;
        End(now);
        return;
    }
    const auto text = [&](std::size_t from, std::size_t count) {
        line_.append(reinterpret_cast<const char*>(frame.data()) + from, count);
    };
    line_ += ' ';
    text(1, 1); // kind
    line_ += ' ';
    text(2, 3); // ID
    line_ += ' ';
    text(5, 1); // sequence digit
    line_ += ' ';
    text(6, 4); // length
    line_ += ' ';
    line_ += result;
    const auto data = frame.subspan(kFrameHeaderSize, frame.size() - kFrameOverhead);
    const std::size_t shown = std::min(data.size(), kShownBytes);
    if (shown == 0) {
        End(now);
        return;
    }
    line_ += " |";
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < shown; ++i) {
        line_ += ' ';
        line_ += kHex[data[i] >> 4];
        line_ += kHex[data[i] & 0xF];
    }
    line_ += " | ";
    for (std::size_t i = 0; i < shown; ++i)
        line_ += data[i] >= 0x20 && data[i] < 0x7F ? static_cast<char>(data[i]) : '.';
    if (data.size() > shown)
        line_ += "...";
    End(now);
}

void Tracer::Sent(Clock::time_point now, std::span<const std::uint8_t> frame)
{
    Frame(now, "sent", frame, "ok");
}

void Tracer::Received(Clock::time_point now, std::span<const std::uint8_t> frame, TraceResult result)
{
    Frame(now, "recv", frame, ResultText(result));
}

void Tracer::TimedOut(Clock::time_point now, long long waitedMs)
{
    Begin(now);
    line_ += "recv time-out after ";
    line_ += std::to_string(waitedMs);
    line_ += " ms";
    End(now);
}

void Tracer::WatchPort(Clock::time_point now, const SerialPort& port)
{
    const int state = port.Lost() ? 2 : port.IsOpen() ? 1 : 0;
    if (state == portState_)
        return;
    portState_ = state;
    Begin(now);
    line_ += state == 2 ? "port lost: the device went away" : state == 1 ? "port open" : "port closed";
    End(now);
}

} // namespace tavelin::link
