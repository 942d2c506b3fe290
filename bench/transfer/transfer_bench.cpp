// SPDX-License-Identifier: MIT
// Throughput of the transfer engines on a real serial backend: downloads and
// uploads through the Qt port over a pseudo-terminal to the simulated
// hand-held with line-rate emulation. Each transfer is measured twice in the
// same run: by the program's engines, driving a progress bar as the
// automatic window does (shown offscreen unless a display is named), and by
// a bare peer that exchanges the same frames with plain system calls. The bare figure is what the line and
// the simulator allow; the ratio of the two is the program's own share, the
// figure to watch. Efficiency counts payload bytes over the line's byte rate
// at 10 bits a byte. CPU is the process's own during the engine's transfer.
// Figures, not assertions.
//
// With TAVELIN_TRACE set, the link writes its frame trace there, as the
// program does: run it with and without to see what the trace costs. With
// --monitor yes, each transfer by the engines runs a second time with the
// line monitor window open on the link, and the two program/bare ratios are
// set side by side.
//
// Each case runs behind a simulated USB serial adapter with each latency
// timer listed (milliseconds; 0 is no adapter): 16 is an FTDI chip's
// default, 1 what the low-latency request or the udev rule makes of it.
//
// Every transfer by the engines runs under a stall probe (common/
// stall_probe.h): the longest time the event loop was held and the gaps over
// 10/50/100 ms. With the monitor, the time with it closed and open is set
// side by side, with the deliveries that held the loop longest while it was
// open. --busy N starts N processes that spin on a core each for the whole
// run, as a busy PC has them, and stops them at the end.
//
//   transfer_bench [--sim PATH] [--speeds 19200,115200] [--sizes 20480,1048576]
//                  [--latencies 0,1,16] [--monitor yes] [--busy 2]
//
// The defaults take about two hours, most of it the 1 MB transfers at
// 19,200 bit/s; --sizes 204800 is enough to compare the latencies.
#include "common/bare_peer.h"
#include "common/stall_probe.h"

#include "link/commands.h"
#include "link/line_settings.h"
#include "link/port_setup.h"
#include "link/trace.h"
#include "link/qt/qt_event_pump.h"
#include "link/qt/qt_serial_port.h"
#include "transfer/engines.h"
#include "ui/line_monitor_window.h"
#include "ui/qt_progress.h"

#include <QApplication>
#include <QProgressBar>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#ifndef TAVELIN_HHTSIM
#define TAVELIN_HHTSIM "tavelin-hhtsim"
#endif

namespace {

namespace fs = std::filesystem;
using namespace tavelin;

double CpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void WriteRandomFile(const fs::path& path, std::size_t size)
{
    std::mt19937 random(12345);
    std::ofstream out(path, std::ios::binary);
    for (std::size_t i = 0; i < size; ++i)
        out.put(static_cast<char>(random()));
}

class Simulator {
public:
    Simulator(const std::string& program, const fs::path& store, const fs::path& linkPath, int baud, int latency)
    {
        const std::string dir = store.string(), tty = linkPath.string(), rate = std::to_string(baud);
        const std::string held = std::to_string(latency);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::execl(program.c_str(), program.c_str(), "--ids", "1", "--dir", dir.c_str(), "--link", tty.c_str(),
                    "--baud", rate.c_str(), "--adapter-latency", held.c_str(), "--quiet", static_cast<char*>(nullptr));
            std::_Exit(127);
        }
    }
    ~Simulator()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    bool Started() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
};

// Processes that spin on a core each while they live, as a busy PC has.
class BusyProcesses {
public:
    explicit BusyProcesses(int count)
    {
        for (int i = 0; i < count; ++i) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::execl("/bin/sh", "sh", "-c", "while :; do :; done", static_cast<char*>(nullptr));
                std::_Exit(127);
            }
            if (pid > 0)
                pids_.push_back(pid);
        }
    }
    ~BusyProcesses()
    {
        for (const pid_t pid : pids_) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
    }
    BusyProcesses(const BusyProcesses&) = delete;
    BusyProcesses& operator=(const BusyProcesses&) = delete;

private:
    std::vector<pid_t> pids_;
};

// The application, timing each event it delivers while asked to.
class ProbedApplication final : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        return costs.Deliver(receiver, event, [&] { return QApplication::notify(receiver, event); });
    }
    bench::EventCosts costs;
};

struct Figure {
    bool ok = false;
    double seconds = 0, cpu = 0;
    bench::StallProbe::Figures stall;
};

template <class Transfer>
Figure Measure(Transfer transfer, bench::StallProbe* probe = nullptr)
{
    const double cpuBefore = CpuSeconds();
    if (probe)
        probe->Start();
    const auto before = link::Clock::now();
    Figure f;
    f.ok = transfer();
    f.seconds = std::chrono::duration<double>(link::Clock::now() - before).count();
    if (probe)
        f.stall = probe->Stop();
    f.cpu = CpuSeconds() - cpuBefore;
    return f;
}

struct Case {
    int baud = 0;
    std::string baudCode;
    std::size_t bytes = 0;
    int latency = 0; // the adapter's latency timer in ms; 0: no adapter
};

// The program's efficiency over the bare peer's.
double Ratio(const Figure& program, const Figure& bare)
{
    return bare.seconds / program.seconds;
}

void Report(const char* direction, const Case& c, const Figure& program, const Figure& bare)
{
    const double lineBytesPerSecond = c.baud / 10.0;
    const double efficiency = double(c.bytes) / (program.seconds * lineBytesPerSecond);
    const double bareEfficiency = double(c.bytes) / (bare.seconds * lineBytesPerSecond);
    std::printf("%-8s %6d bit/s %8zu bytes, adapter %2d ms: program %.4f%s, bare %.4f%s, ratio %.4f; %.2f s, CPU "
                "%.3f s (%.2f %%)\n",
                direction, c.baud, c.bytes, c.latency, efficiency, program.ok ? "" : " FAILED", bareEfficiency,
                bare.ok ? "" : " FAILED", efficiency / bareEfficiency, program.seconds, program.cpu,
                100.0 * program.cpu / program.seconds);
    const bench::StallProbe::Figures& s = program.stall;
    std::printf("         event loop held at most %.1f ms; gaps over 10 ms %ld, over 50 ms %ld, over 100 ms %ld\n",
                s.longestMs, s.over10, s.over50, s.over100);
}

// The same transfer with the line monitor closed and open.
void ReportMonitor(const char* direction, const Figure& closed, const Figure& open)
{
    std::printf("%-8s line monitor closed %.2f s, open %.2f s: open/closed %.4f (%+.2f %%); longest hold %.1f ms "
                "closed, %.1f ms open\n",
                direction, closed.seconds, open.seconds, open.seconds / closed.seconds,
                100.0 * (open.seconds / closed.seconds - 1.0), closed.stall.longestMs, open.stall.longestMs);
}

struct Pair {
    Figure download, upload;
};

// The program's engines on the Qt port; with `monitor`, the line monitor
// window is open on the link meanwhile, as an operator would have it.
Pair ProgramTransfers(const fs::path& root, const Case& c, const fs::path& tty, bool monitor = false)
{
    auto* app = static_cast<ProbedApplication*>(QCoreApplication::instance());
    bench::StallProbe probe;
    link::QtEventPump pump;
    ::setenv("TAVELIN_COM1", tty.c_str(), 1);
    settings::AppState state;
    auto& s = state.settings;
    s.BaudCode = c.baudCode, s.ParityCode = "2", s.DataBitsCode = "1", s.StopBitsCode = "0";
    s.ComPortCode = "0", s.PortKindCode = "0", s.PollTimeout = 1000, s.CommTimeout = 800;
    s.WorkDir = (root / "work").string() + "/";
    state.CurHhtId = "001";
    link::QtSerialPort port(pump);
    link::Link line{port, pump, state};
    const auto trace = link::Tracer::FromEnvironment();
    if (trace)
        line.watchers.Attach(*trace);
    const link::PortOpening opening = link::OpenHhtPort(line);
    if (opening.result != link::PortSetupResult::Ok || link::ConnectHht(line) != 0) {
        std::fprintf(stderr, "no hand-held on %s %s\n", tty.c_str(), opening.reason.c_str());
        return {};
    }
    std::optional<ui::LineMonitorWindow> lineMonitor;
    if (monitor) {
        lineMonitor.emplace(line, nullptr);
        lineMonitor->show();
    }
    QProgressBar bar; // as the automatic window shows it
    bar.show();
    ui::ProgressBarFeed feed(&bar);
    transfer::ProgressIndicator& progress = feed.Indicator();
    const std::string pc = (root / "pc").string() + "/";
    Pair pair;
    app->costs.Start();
    pair.download =
        Measure([&] { return transfer::DownloadFile(line, "D", pc, "DOWN.DAT", progress) == 0; }, &probe);
    pair.upload = Measure(
        [&] { return transfer::UploadFile(line, pc, "UP.DAT", std::int64_t(c.bytes), progress, 1) == 0; }, &probe);
    app->costs.Stop();
    if (monitor) {
        std::printf("what held the event loop longest with the line monitor open (%zu rows at the end):\n",
                    lineMonitor->Monitor().Count());
        app->costs.Print("  ", 8);
    }
    link::EndSession(line);
    port.Close();
    return pair;
}

// The same frames from the bare peer.
Pair BareTransfers(const Case& c, const fs::path& tty)
{
    bench::BarePeer peer(tty.string(), c.baud);
    if (!peer.Open() || !peer.Connect()) {
        std::fprintf(stderr, "the bare peer found no hand-held on %s\n", tty.c_str());
        return {};
    }
    Pair pair;
    pair.download = Measure([&] { return peer.Download("DOWN.DAT", std::int64_t(c.bytes)); });
    pair.upload = Measure([&] { return peer.Upload("UP.DAT") == std::int64_t(c.bytes); });
    return pair;
}

// Figures of several runs of the same transfer as one: their times added,
// the longest hold of any.
void Accumulate(Figure& sum, const Figure& run)
{
    sum.ok = (sum.seconds == 0 || sum.ok) && run.ok;
    sum.seconds += run.seconds;
    sum.cpu += run.cpu;
    sum.stall.longestMs = std::max(sum.stall.longestMs, run.stall.longestMs);
    sum.stall.over10 += run.stall.over10;
    sum.stall.over50 += run.stall.over50;
    sum.stall.over100 += run.stall.over100;
    sum.stall.beats += run.stall.beats;
}

void Accumulate(Pair& sum, const Pair& run)
{
    Accumulate(sum.download, run.download);
    Accumulate(sum.upload, run.upload);
}

// The mean of `runs` accumulated runs.
void Mean(Pair& sum, int runs)
{
    for (Figure* f : {&sum.download, &sum.upload}) {
        f->seconds /= runs;
        f->cpu /= runs;
    }
}

bool Run(const std::string& program, const Case& c, bool monitor, int rounds)
{
    const fs::path root = fs::temp_directory_path() / ("tavelin-bench-" + std::to_string(::getpid()));
    fs::remove_all(root);
    for (const char* dir : {"store/001", "pc", "work"})
        fs::create_directories(root / dir);
    WriteRandomFile(root / "pc" / "DOWN.DAT", c.bytes);
    WriteRandomFile(root / "store" / "001" / "UP.DAT", c.bytes);
    const fs::path tty = root / "tty";

    Simulator sim(program, root / "store", tty, c.baud, c.latency);
    for (int i = 0; i < 500 && !fs::exists(tty); ++i)
        ::usleep(10'000);
    if (!sim.Started() || !fs::exists(tty)) {
        std::fprintf(stderr, "the simulator did not start: %s\n", program.c_str());
        return false;
    }
    // Rounds with the monitor alternate which comes first (closed, open;
    // open, closed; ...), so a load that grows or fades weighs on both alike.
    Pair engines, watched;
    for (int round = 0; round < (monitor ? rounds : 1); ++round) {
        const bool openFirst = round % 2 == 1;
        if (openFirst)
            Accumulate(watched, ProgramTransfers(root, c, tty, true));
        Accumulate(engines, ProgramTransfers(root, c, tty));
        if (monitor && !openFirst)
            Accumulate(watched, ProgramTransfers(root, c, tty, true));
    }
    if (monitor) {
        Mean(engines, rounds);
        Mean(watched, rounds);
    }
    const Pair bare = BareTransfers(c, tty);
    Report("download", c, engines.download, bare.download);
    Report("upload", c, engines.upload, bare.upload);
    if (monitor) {
        Report("download with the line monitor open", c, watched.download, bare.download);
        Report("upload with the line monitor open", c, watched.upload, bare.upload);
        std::printf("line monitor open: program/bare %.4f of that without (download), %.4f (upload)\n",
                    Ratio(watched.download, bare.download) / Ratio(engines.download, bare.download),
                    Ratio(watched.upload, bare.upload) / Ratio(engines.upload, bare.upload));
        ReportMonitor("download", engines.download, watched.download);
        ReportMonitor("upload", engines.upload, watched.upload);
    }
    fs::remove_all(root);
    return engines.download.ok && engines.upload.ok && bare.download.ok && bare.upload.ok
        && (!monitor || (watched.download.ok && watched.upload.ok));
}

std::vector<std::size_t> Numbers(const std::string& list)
{
    std::vector<std::size_t> numbers;
    std::istringstream in(list);
    for (std::string item; std::getline(in, item, ',');)
        numbers.push_back(std::stoul(item));
    return numbers;
}

// The parameter file's code for a speed; empty when it has none.
std::string BaudCode(std::size_t baud)
{
    for (char code = '0'; code <= '9'; ++code) {
        if (link::BaudForCode(std::string(1, code)) == int(baud))
            return std::string(1, code);
    }
    return "";
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ProbedApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as soon as it is known
    std::string program = TAVELIN_HHTSIM, speeds = "19200,115200", sizes = "20480,1048576", latencies = "0,1,16",
                monitor = "no", busy = "0", rounds = "1";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        (option == "--sim"         ? program
         : option == "--speeds"    ? speeds
         : option == "--latencies" ? latencies
         : option == "--monitor"   ? monitor
         : option == "--busy"      ? busy
         : option == "--rounds"    ? rounds
                                   : sizes) = argv[i + 1];
    }
    const BusyProcesses spinning(std::stoi(busy));
    if (std::stoi(busy) > 0)
        std::printf("%s busy processes beside the benchmark\n", busy.c_str());
    if (const char* trace = std::getenv("TAVELIN_TRACE"); trace && *trace)
        std::printf("frame trace to %s\n", trace);
    bool ok = true;
    for (const std::size_t baud : Numbers(speeds)) {
        const std::string code = BaudCode(baud);
        if (code.empty()) {
            std::fprintf(stderr, "no baud code for %zu bit/s\n", baud);
            return 2;
        }
        for (const std::size_t bytes : Numbers(sizes)) {
            for (const std::size_t latency : Numbers(latencies))
                ok = Run(program, {int(baud), code, bytes, int(latency)}, monitor == "yes", std::stoi(rounds))
                    && ok;
        }
    }
    return ok ? 0 : 1;
}
