// Throughput of the transfer engines on a real serial backend: a 1 MB
// download and a 1 MB upload through the Qt port over a pseudo-terminal to
// the simulated hand-held with line-rate emulation, at 19,200 and 115,200
// bit/s. Prints the line efficiency (payload bytes over the line's byte rate
// at 10 bits a byte) and the CPU the process used. Figures, not assertions.
// With TAVELIN_TRACE set, the link writes its frame trace there, as the
// program does: run it with and without to see what the trace costs.
//
//   transfer_bench [path of tavelin-hhtsim] [bytes]
#include "link/commands.h"
#include "link/frame.h"
#include "link/port_setup.h"
#include "link/qt/qt_event_pump.h"
#include "link/qt/qt_serial_port.h"
#include "transfer/engines.h"

#include <QCoreApplication>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

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
    Simulator(const std::string& program, const fs::path& store, const fs::path& linkPath, int baud)
    {
        const std::string dir = store.string(), tty = linkPath.string(), rate = std::to_string(baud);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::execl(program.c_str(), program.c_str(), "--ids", "1", "--dir", dir.c_str(), "--link", tty.c_str(),
                    "--baud", rate.c_str(), "--quiet", static_cast<char*>(nullptr));
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

struct Figure {
    int result = 0;
    double seconds = 0, cpu = 0;
};

template <class Transfer>
Figure Measure(Transfer transfer)
{
    const double cpuBefore = CpuSeconds();
    const auto before = link::Clock::now();
    Figure f;
    f.result = transfer();
    f.seconds = std::chrono::duration<double>(link::Clock::now() - before).count();
    f.cpu = CpuSeconds() - cpuBefore;
    return f;
}

void Report(const char* what, int baud, std::size_t bytes, const Figure& f)
{
    const double efficiency = double(bytes) / (f.seconds * baud / 10.0);
    std::printf("%-8s %6d bit/s: result %d, %.2f s, efficiency %.3f, CPU %.3f s (%.2f %% of the transfer)\n", what,
                baud, f.result, f.seconds, efficiency, f.cpu, 100.0 * f.cpu / f.seconds);
}

bool RunAt(const std::string& program, int baud, const char* baudCode, std::size_t bytes)
{
    const fs::path root = fs::temp_directory_path() / ("tavelin-bench-" + std::to_string(::getpid()));
    fs::remove_all(root);
    for (const char* dir : {"store/001", "pc", "work"})
        fs::create_directories(root / dir);
    WriteRandomFile(root / "pc" / "DOWN.DAT", bytes);
    WriteRandomFile(root / "store" / "001" / "UP.DAT", bytes);
    const fs::path tty = root / "tty";

    Simulator sim(program, root / "store", tty, baud);
    link::QtEventPump pump;
    for (int i = 0; i < 500 && !fs::exists(tty); ++i)
        link::WaitSec(pump, 0.01);
    if (!sim.Started() || !fs::exists(tty)) {
        std::fprintf(stderr, "the simulator did not start: %s\n", program.c_str());
        return false;
    }
    ::setenv("TAVELIN_COM1", tty.c_str(), 1);

    settings::AppState state;
    auto& s = state.settings;
    s.BaudCode = baudCode, s.ParityCode = "2", s.DataBitsCode = "1", s.StopBitsCode = "0";
    s.ComPortCode = "0", s.PortKindCode = "0", s.PollTimeout = 1000, s.CommTimeout = 800;
    s.WorkDir = (root / "work").string() + "/";
    state.CurHhtId = "001";
    link::QtSerialPort port(pump);
    link::Link line{port, pump, state};
    const auto trace = link::Tracer::FromEnvironment();
    line.trace = trace.get();
    std::string reason;
    if (link::OpenHhtPort(line, &reason) != link::PortSetupResult::Ok || link::ConnectHht(line) != 0) {
        std::fprintf(stderr, "no hand-held on %s %s\n", tty.c_str(), reason.c_str());
        return false;
    }
    transfer::NoProgress progress;
    const std::string pc = (root / "pc").string() + "/";
    Report("download", baud, bytes,
           Measure([&] { return transfer::DownloadFile(line, "D", pc, "DOWN.DAT", progress); }));
    Report("upload", baud, bytes,
           Measure([&] { return transfer::UploadFile(line, pc, "UP.DAT", std::int64_t(bytes), progress, 1); }));
    link::EndSession(line);
    port.Close();
    fs::remove_all(root);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as soon as it is known
    const std::string program = argc > 1 ? argv[1] : TAVELIN_HHTSIM;
    const std::size_t bytes = argc > 2 ? std::stoul(argv[2]) : 1024 * 1024;
    if (const char* trace = std::getenv("TAVELIN_TRACE"); trace && *trace)
        std::printf("frame trace to %s\n", trace);
    bool ok = RunAt(program, 19200, "2", bytes);
    ok = RunAt(program, 115200, "5", bytes) && ok;
    return ok ? 0 : 1;
}
