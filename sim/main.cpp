// SPDX-License-Identifier: MIT
// tavelin-hhtsim: a simulated hand-held on a pseudo-terminal or a serial
// device. One thread sleeps in ppoll until bytes arrive, the line can take
// more, the emulated line releases a chunk, or the protocol's timer is due.
#include "adapter_hold.h"
#include "byte_line.h"
#include "cli_options.h"
#include "simulator.h"

#include "settings/texts.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <chrono>
#include <csignal>
#include <ctime>
#include <iostream>
#include <string_view>
#include <optional>
#include <poll.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif
#include <sys/stat.h>
#include <unistd.h>

namespace {

using tavelin::link::Clock;
namespace sim = tavelin::sim;

volatile std::sig_atomic_t gStop = 0;

void OnSignal(int) { gStop = 1; }

// Signals stay blocked except inside ppoll, so none slips in between the
// check of the flag and the sleep.
sigset_t BlockStopSignals()
{
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    sigset_t block, previous;
    sigemptyset(&block);
    sigaddset(&block, SIGINT);
    sigaddset(&block, SIGTERM);
    sigprocmask(SIG_BLOCK, &block, &previous);
    sigdelset(&previous, SIGINT);
    sigdelset(&previous, SIGTERM);
    return previous;
}

std::string TimeOfDay()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(millis));
    return text;
}

// Replaces an old link of ours, but never a file that is not a link.
bool MakeLink(const std::string& target, const std::string& link, std::string& error)
{
    struct stat info {};
    if (lstat(link.c_str(), &info) == 0) {
        if (!S_ISLNK(info.st_mode)) {
            error = link + " exists and is not a symbolic link";
            return false;
        }
        unlink(link.c_str());
    }
    if (symlink(target.c_str(), link.c_str()) != 0) {
        error = link + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

// Points the link at a new target in one step: a PC that opens it meanwhile
// finds the old line or the new one, never no link.
bool ReplaceLink(const std::string& target, const std::string& link, std::string& error)
{
    const std::string fresh = link + ".new";
    unlink(fresh.c_str());
    if (symlink(target.c_str(), fresh.c_str()) != 0 || rename(fresh.c_str(), link.c_str()) != 0) {
        error = link + ": " + std::strerror(errno);
        unlink(fresh.c_str());
        return false;
    }
    return true;
}

void RemoveLink(const std::string& target, const std::string& link)
{
    char buffer[4096];
    const ssize_t n = readlink(link.c_str(), buffer, sizeof buffer);
    if (n > 0 && std::string(buffer, static_cast<std::size_t>(n)) == target)
        unlink(link.c_str());
}

// The wait until `to`, to the nanosecond; nothing to wait for when there is
// no `to`. Rounding up to whole milliseconds would add up to a millisecond to
// every frame of the emulated line, and the program would be measured slower
// than it is.
std::optional<timespec> WaitUntil(Clock::time_point from, std::optional<Clock::time_point> to)
{
    if (!to)
        return std::nullopt;
    using std::chrono::nanoseconds;
    const auto span = std::clamp<nanoseconds>(std::chrono::ceil<nanoseconds>(*to - from), nanoseconds::zero(),
                                              std::chrono::minutes(1));
    const auto seconds = std::chrono::floor<std::chrono::seconds>(span);
    return timespec{static_cast<time_t>(seconds.count()), static_cast<long>((span - seconds).count())};
}

// The kernel may otherwise stretch each wait by its default slack of 50 µs.
void TightenTimerSlack()
{
#ifdef __linux__
    prctl(PR_SET_TIMERSLACK, 1000UL, 0UL, 0UL, 0UL);
#endif
}

// The time a byte of 10 bits takes on a line of `baud`; none on an instant line.
Clock::duration ByteTime(int baud)
{
    if (baud <= 0)
        return Clock::duration::zero();
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(10.0 / baud));
}

// The counters as name=value pairs, named as in sim::Stats.
std::string StatsLine(const sim::Stats& stats)
{
    const std::pair<const char*, std::int64_t> counters[] = {
        {"framesReceived", stats.framesReceived},
        {"framesSent", stats.framesSent},
        {"resends", stats.resends},
        {"dataFramesSent", stats.dataFramesSent},
        {"dataFramesReceived", stats.dataFramesReceived},
        {"repeatedBlocksReceived", stats.repeatedBlocksReceived},
        {"doubledFrames", stats.doubledFrames},
        {"lateAnswers", stats.lateAnswers},
        {"pauses", stats.pauses},
        {"pausedMs", stats.pausedMs},
        {"filesStored", stats.filesStored},
        {"filesSent", stats.filesSent},
        {"violations", stats.Violations()},
    };
    std::string line = "tavelin-hhtsim: stats";
    for (const auto& [name, value] : counters)
        line += std::string(" ") + name + "=" + std::to_string(value);
    return line;
}

// Where the line is and how to open it again after leaving it.
struct LinePlace {
    std::string linkPath; // empty: none
    std::string devicePath; // empty: a pseudo-terminal
    int deviceBaud = 0;
};

std::unique_ptr<sim::ByteLine> OpenLine(const LinePlace& place, std::string& error)
{
    return place.devicePath.empty() ? sim::ByteLine::OpenPty(error)
                                    : sim::ByteLine::OpenDevice(place.devicePath, place.deviceBaud, error);
}

// Leaves the line for `away`, as an adapter pulled out: the pseudo-terminal
// is closed (a device only closed), and a new one comes at the link's path.
// Meanwhile the link names nothing, as a by-id name of an adapter pulled out:
// the number of the closed terminal may go to another one at once.
// False on a stop meanwhile or when no new line can be had.
bool LeaveAndComeBack(std::unique_ptr<sim::ByteLine>& line, Clock::duration away, const LinePlace& place,
                      const sigset_t& waitMask)
{
    std::string error;
    if (!place.linkPath.empty() && !ReplaceLink(place.linkPath + ".away", place.linkPath, error))
        std::cerr << "tavelin-hhtsim: " << error << '\n';
    line->Close();
    std::cout << TimeOfDay() << " tavelin-hhtsim: left the line for "
              << std::chrono::duration_cast<std::chrono::milliseconds>(away).count() << " ms" << std::endl;
    for (const auto back = Clock::now() + away; !gStop && Clock::now() < back;) {
        const auto timeout = WaitUntil(Clock::now(), back);
        ppoll(nullptr, 0, &*timeout, &waitMask);
    }
    if (gStop)
        return false;
    auto fresh = OpenLine(place, error);
    if (fresh && !place.linkPath.empty() && !ReplaceLink(fresh->Path(), place.linkPath, error))
        fresh.reset();
    if (!fresh) {
        std::cerr << "tavelin-hhtsim: " << error << '\n';
        return false;
    }
    line = std::move(fresh);
    std::cout << TimeOfDay() << " tavelin-hhtsim: back on " << line->Path() << std::endl;
    return true;
}

int Serve(sim::Simulator& simulator, std::unique_ptr<sim::ByteLine>& current, const LinePlace& place,
          int emulatedBaud, tavelin::link::Millis adapterLatency, const sigset_t& waitMask)
{
    TightenTimerSlack();
    sim::LinePacer inbound(emulatedBaud), outbound(emulatedBaud);
    std::optional<sim::AdapterHold> adapter;
    if (adapterLatency.count() > 0)
        adapter.emplace(adapterLatency);
    while (!gStop) {
        sim::ByteLine& line = *current;
        auto now = Clock::now();
        while (auto chunk = inbound.PopDue(now)) {
            simulator.SetPcBaud(line.PeerBaud());
            simulator.Feed(chunk->second, chunk->first);
        }
        if (const auto away = simulator.TakeAway()) {
            if (!LeaveAndComeBack(current, *away, place, waitMask))
                return gStop ? 0 : 1;
            inbound = sim::LinePacer(emulatedBaud); // what was on the old line is gone with it
            outbound = sim::LinePacer(emulatedBaud);
            if (adapter)
                adapter.emplace(adapterLatency);
            continue;
        }
        if (simulator.LineClosed()) {
            line.Close();
            while (!gStop)
                ppoll(nullptr, 0, nullptr, &waitMask);
            return 0;
        }
        simulator.Tick(now);
        outbound.Push(simulator.TakeOutput(), now);
        while (auto chunk = outbound.PopDue(now)) {
            if (adapter)
                adapter->Push(chunk->second, chunk->first, ByteTime(emulatedBaud));
            else
                line.Write(chunk->second);
        }
        if (adapter) {
            for (const auto& packet : adapter->HandOvers(now)) {
                if (!packet.second.empty())
                    line.Write(packet.second);
            }
        }

        auto wake = simulator.NextDue();
        for (const auto due : {inbound.NextDue(), outbound.NextDue(), adapter ? adapter->NextDue() : std::nullopt}) {
            if (due && (!wake || *due < *wake))
                wake = due;
        }
        pollfd watch{line.Fd(), static_cast<short>(POLLIN | (line.HasPending() ? POLLOUT : 0)), 0};
        const auto timeout = WaitUntil(now, wake);
        const int ready = ppoll(&watch, 1, timeout ? &*timeout : nullptr, &waitMask);
        if (ready < 0 && errno != EINTR) {
            std::cerr << "tavelin-hhtsim: poll: " << std::strerror(errno) << '\n';
            return 1;
        }
        // A device that went away reports this on every poll: stop rather than spin.
        if (ready > 0 && ((watch.revents & (POLLERR | POLLNVAL)) || (watch.revents & (POLLHUP | POLLIN)) == POLLHUP)) {
            std::cerr << "tavelin-hhtsim: the line was closed\n";
            return 1;
        }
        if (ready > 0 && (watch.revents & POLLIN))
            inbound.Push(line.ReadAvailable(), Clock::now());
        if (ready > 0 && (watch.revents & POLLOUT))
            line.FlushPending();
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // The simulator goes with the program of the same build.
    if (std::find(argv + 1, argv + argc, std::string_view("--version")) != argv + argc) {
        std::string_view version = tavelin::texts::kVersionSuffix;
        version.remove_prefix(std::min(version.find_first_not_of(' '), version.size()));
        std::cout << "tavelin-hhtsim (" << tavelin::texts::kProductTitle << ' ' << version << ")\n";
        return 0;
    }
    sim::CliOptions options;
    std::string error;
    if (!sim::ParseCli(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::cerr << "tavelin-hhtsim: " << error << "\n(see --help)\n";
        return 2;
    }
    if (options.help) {
        // One write: a reader that stops at the line it wants (grep -q) must
        // not leave a second write to die of SIGPIPE.
        const std::string help = sim::HelpText();
        for (std::size_t done = 0; done < help.size();) {
            const ssize_t written = ::write(STDOUT_FILENO, help.data() + done, help.size() - done);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return 1;
            done += std::size_t(written);
        }
        return 0;
    }
    const sigset_t waitMask = BlockStopSignals();
    const bool device = !options.devicePath.empty();
    const LinePlace place{options.linkPath, options.devicePath, options.baud > 0 ? options.baud : 19200};
    std::unique_ptr<sim::ByteLine> line = OpenLine(place, error);
    if (!line) {
        std::cerr << "tavelin-hhtsim: " << error << '\n';
        return 1;
    }
    if (!options.linkPath.empty() && !MakeLink(line->Path(), options.linkPath, error)) {
        std::cerr << "tavelin-hhtsim: " << error << '\n';
        return 1;
    }
    options.config.lineBaud = device ? (options.baud > 0 ? options.baud : 19200) : options.baud;
    // A device runs at its own speed: only a pseudo-terminal can disagree with the PC.
    options.config.hhtBaud = device ? 0 : options.baud;
    sim::Simulator simulator(options.config);
    if (!options.quiet)
        simulator.SetLogger([](const std::string& text) { std::cout << TimeOfDay() << ' ' << text << std::endl; });

    std::cout << "tavelin-hhtsim: serving on " << line->Path();
    if (!options.linkPath.empty())
        std::cout << " (link " << options.linkPath << ")";
    std::cout << std::endl;

    const int rc = Serve(simulator, line, place, device ? 0 : options.baud, options.config.adapterLatency, waitMask);
    if (!options.linkPath.empty())
        RemoveLink(line->Path(), options.linkPath);
    const sim::Stats& stats = simulator.GetStats();
    if (!options.quiet)
        std::cout << "tavelin-hhtsim: ended; " << stats.framesReceived << " frames received, " << stats.framesSent
                  << " sent, " << stats.Violations() << " violations" << std::endl;
    std::cout << StatsLine(stats) << std::endl; // a benchmark with --quiet reads it too
    return rc;
}
