// SPDX-License-Identifier: MIT
// A site that serves many hand-helds through several ports at once: for each
// number of lines N, N simulated hand-held processes on pseudo-terminals at
// an emulated 115,200 bit/s, each with hand-helds of its own, and N batch
// runs of the program (/DOWN) started together, each in a work folder of its
// own on COM1..COMn, downloading one file to each of its hand-helds. Prints,
// per N, each line's time, bytes/s and share of the line rate, the aggregate
// bytes/s and its ratio to one line alone, and the CPU seconds of the program
// and of the simulator per line. Figures, not assertions; but a file that did
// not arrive byte for byte, a run that failed or a protocol violation the
// simulator saw make the exit status 1.
//
//   many_lines_bench [--lines 1,2,4] [--ids 2] [--size 1048576]
//
// Each run has a runtime folder of its own (mode 700), so no run sees
// another's one-copy lock.
#include "common/batch_run.h"
#include "common/process_cpu.h"
#include "support/sim_process.h"
#include "support/temp_dir.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace bench = tavelin::bench;
using Clock = std::chrono::steady_clock;

constexpr int kBaud = 115200;
constexpr double kLineBytesPerSecond = kBaud / 10.0;
constexpr int kMaxLines = 4; // COM1..COM4

struct Options {
    std::vector<int> lines{1, 2, 4};
    int idsPerLine = 2;
    std::size_t size = 1 << 20;
};

// What one line did while the runs went on.
struct Figures {
    bench::RunUsage run;
    double simulatorCpu = 0;
    bool filesExact = false;
    std::string simulatorStats; // its counters line at exit
};

std::string Contents(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// One port of the site: its simulated hand-helds and the work folder of the
// batch run that serves them.
class Line {
public:
    Line(const fs::path& root, int index, const Options& options)
        : index_(index), firstId_(index * options.idsPerLine + 1), lastId_(firstId_ + options.idsPerLine - 1),
          work_(root / ("line" + std::to_string(index + 1))), data_(Payload(options.size, unsigned(index)))
    {
        for (const char* dir : {"down", "up", "hht", "runtime"})
            fs::create_directories(work_ / dir);
        fs::permissions(work_ / "runtime", fs::perms::owner_all);
        bench::PutFile(work_ / "down" / "BIG.BIN", data_);
        // 115,200 bit/s, no parity, 8 data bits, 1 stop bit, COMn, 50 ms, 800 ms, RS-232C
        const std::string rsprm = "5210" + std::to_string(index) + "050" + "0800" + "0";
        bench::WriteParameterFiles(work_, rsprm, std::to_string(firstId_) + "," + std::to_string(lastId_), 1);
    }

    // The simulator's hand-helds on a pseudo-terminal; false when it did not come up.
    bool StartHandHelds()
    {
        const fs::path tty = work_ / "tty";
        simulator_.emplace(TAVELIN_HHTSIM,
                           std::vector<std::string>{"--ids", std::to_string(firstId_) + "-" + std::to_string(lastId_),
                                                    "--dir", (work_ / "hht").string(), "--link", tty.string(),
                                                    "--baud", std::to_string(kBaud), "--quiet"});
        simulator_->ReadLine(5000); // "serving on ..."
        return simulator_->Pid() > 0 && fs::exists(tty);
    }

    pid_t StartRun()
    {
        simulatorCpuBefore_ = bench::ProcessCpuSeconds(simulator_->Pid());
        started_ = Clock::now();
        const std::string com = "TAVELIN_COM" + std::to_string(index_ + 1);
        pid_ = bench::StartIn({TAVELIN_PROGRAM, "/DOWN"}, work_,
                              {{com, (work_ / "tty").string()}, {"XDG_RUNTIME_DIR", (work_ / "runtime").string()}});
        return pid_;
    }

    // Waits for the run, then stops the simulator and checks what it holds.
    Figures Finish()
    {
        Figures f;
        f.run = bench::WaitFor(pid_, started_);
        f.simulatorCpu = bench::ProcessCpuSeconds(simulator_->Pid()) - simulatorCpuBefore_;
        simulator_->Terminate();
        std::istringstream said(simulator_->ReadAll(1000));
        for (std::string text; std::getline(said, text);)
            if (text.rfind("tavelin-hhtsim: stats", 0) == 0)
                f.simulatorStats = text;
        f.filesExact = true;
        for (int id = firstId_; id <= lastId_; ++id) {
            char folder[8];
            std::snprintf(folder, sizeof folder, "%03d", id);
            const fs::path stored = work_ / "hht" / folder / "BIG.BIN";
            if (!fs::exists(stored) || Contents(stored) != data_) {
                std::printf("  MISMATCH: line %d, hand-held %s does not hold the file byte for byte\n", index_ + 1,
                            folder);
                f.filesExact = false;
            }
        }
        if (f.run.status != 0 || !f.filesExact)
            std::printf("  FAILED: line %d's run ended with status %d; RESULT.DAT: %s; simulator: %s\n", index_ + 1,
                        f.run.status, Contents(work_ / "RESULT.DAT").c_str(), f.simulatorStats.c_str());
        return f;
    }

    int FirstId() const { return firstId_; }
    int LastId() const { return lastId_; }

private:
    // Random bytes, other ones on each line, so a file sent down the wrong line shows.
    static std::string Payload(std::size_t size, unsigned seed)
    {
        std::mt19937 random(12345 + seed);
        std::string bytes(size, '\0');
        for (char& byte : bytes)
            byte = static_cast<char>(random());
        return bytes;
    }

    int index_, firstId_, lastId_;
    fs::path work_;
    std::string data_;
    std::optional<tavelin::testing::SimProcess> simulator_;
    double simulatorCpuBefore_ = 0;
    Clock::time_point started_;
    pid_t pid_ = -1;
};

// A counter of the simulator's stats line, or -1.
long Counter(const std::string& stats, const std::string& name)
{
    const auto at = stats.find(" " + name + "=");
    return at == std::string::npos ? -1 : std::stol(stats.substr(at + name.size() + 2));
}

struct Aggregate {
    double bytesPerSecond = 0, programCpu = 0, simulatorCpu = 0; // the CPU figures per line
};

// N lines at once; false when anything failed.
bool RunLines(int count, const Options& options, std::optional<Aggregate>& alone)
{
    tavelin::testing::TempDir root;
    std::vector<std::unique_ptr<Line>> lines;
    for (int i = 0; i < count; ++i) {
        lines.push_back(std::make_unique<Line>(root.Path(), i, options));
        if (!lines.back()->StartHandHelds()) {
            std::printf("FAILED: the simulator of line %d did not start (%s)\n", i + 1, TAVELIN_HHTSIM);
            return false;
        }
    }
    const auto started = Clock::now();
    for (auto& line : lines)
        line->StartRun();
    // One waiter per line, so each run's time ends when that run does.
    std::vector<Figures> figures(lines.size());
    std::vector<std::thread> waiters;
    for (std::size_t i = 0; i < lines.size(); ++i)
        waiters.emplace_back([&, i] { figures[i] = lines[i]->Finish(); });
    for (auto& waiter : waiters)
        waiter.join();
    const double wall = std::chrono::duration<double>(Clock::now() - started).count();

    const double lineBytes = double(options.size) * options.idsPerLine;
    std::printf("%d line%s at %d bit/s, %d hand-helds a line, %zu bytes each:\n", count, count == 1 ? "" : "s", kBaud,
                options.idsPerLine, options.size);
    bool ok = true;
    Aggregate total;
    double delivered = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Figures& f = figures[i];
        const double rate = (f.filesExact ? lineBytes : 0) / f.run.wall; // only what arrived byte for byte counts
        const long violations = Counter(f.simulatorStats, "violations");
        std::printf("  line %zu (COM%zu, IDs %d-%d): %.2f s, %.0f bytes/s, line rate %.4f; CPU tavelin %.2f s, "
                    "simulator %.2f s; resends %ld, violations %ld; files %s\n",
                    i + 1, i + 1, lines[i]->FirstId(), lines[i]->LastId(), f.run.wall, rate,
                    rate / kLineBytesPerSecond, f.run.cpu, f.simulatorCpu, Counter(f.simulatorStats, "resends"),
                    violations, f.filesExact ? "byte-exact" : "DIFFER");
        ok = ok && f.filesExact && f.run.status == 0 && violations == 0;
        delivered += rate * f.run.wall;
        total.programCpu += f.run.cpu / count;
        total.simulatorCpu += f.simulatorCpu / count;
    }
    total.bytesPerSecond = delivered / wall;
    if (count == 1)
        alone = total;
    std::printf("  aggregate: %.0f bytes/s in %.2f s (line rate %.4f a line)", total.bytesPerSecond, wall,
                total.bytesPerSecond / count / kLineBytesPerSecond);
    if (alone)
        std::printf(", %.2f x one line alone (ideal %d)", total.bytesPerSecond / alone->bytesPerSecond, count);
    std::printf("; CPU per line: tavelin %.2f s, simulator %.2f s", total.programCpu, total.simulatorCpu);
    if (alone && count > 1)
        std::printf(" (one line alone: %.2f s, %.2f s)", alone->programCpu, alone->simulatorCpu);
    std::printf("\n%s", ok ? "" : "  FAILED: see above\n");
    return ok;
}

std::vector<int> Numbers(const std::string& list)
{
    std::vector<int> numbers;
    std::istringstream in(list);
    for (std::string item; std::getline(in, item, ',');)
        numbers.push_back(std::stoi(item));
    return numbers;
}

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i], value = argv[i + 1];
        if (option == "--lines")
            options.lines = Numbers(value);
        else if (option == "--ids")
            options.idsPerLine = std::stoi(value);
        else if (option == "--size")
            options.size = std::stoul(value);
        else
            return false;
    }
    if (argc % 2 == 0 || options.idsPerLine < 1 || options.idsPerLine * kMaxLines > 128)
        return false;
    for (const int count : options.lines)
        if (count < 1 || count > kMaxLines)
            return false;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as soon as it is known
    Options options;
    try {
        if (!ParseOptions(argc, argv, options)) {
            std::fprintf(stderr, "usage: many_lines_bench [--lines 1,2,4 (1-4 each)] [--ids 2 (1-32)] [--size BYTES]\n");
            return 2;
        }
    } catch (const std::exception&) {
        std::fprintf(stderr, "many_lines_bench: a number was expected (see the usage line)\n");
        return 2;
    }
    bool ok = true;
    std::optional<Aggregate> alone;
    for (const int count : options.lines)
        ok = RunLines(count, options, alone) && ok;
    std::printf("%s\n", ok ? "every file arrived byte for byte" : "FAILED: a run failed or a file differs");
    return ok ? 0 : 1;
}
