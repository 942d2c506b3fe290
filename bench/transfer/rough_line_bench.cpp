// SPDX-License-Identifier: MIT
// What a rough line costs a transfer: 1 MB each way, in-process against the
// simulated hand-held on virtual time at the line rate, once on a clean line
// and then through each hiccup a real site has: the hand-held pausing for S
// seconds 3 s into the transfer (it neither reads nor answers meanwhile), the
// program itself busy for S seconds in one event while the hand-held answers
// on time, and the simulator's rough-line profile (random pauses, doubled
// frames, late answers). Downloads and uploads run as a batch run does them
// (the file-set and upload-all engines) and as the window's copies do (the
// single-file engines).
//
// For each case it prints the time against the clean line's, the extra time
// against the sum of the pauses, and the extra data frames (blocks sent by
// the PC in a download, blocks received in an upload). Figures, not
// assertions; virtual time, so the whole table takes seconds.
//
//   rough_line_bench [--kb 1024] [--speeds 115200,19200] [--seeds 1,2,3]
//                    [--trace up|down]
//
// --trace prints, for the window's copy in that direction on a rough line,
// the simulator's faults and the PC's frames and time-outs in time order.
#include "link/frame.h"
#include "link/frame_watcher.h"
#include "link/memory_port.h"
#include "link/virtual_pump.h"
#include "settings/app_state.h"
#include "simulator.h"
#include "transfer/engines.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace tavelin;
using namespace std::chrono_literals;

constexpr int kCommTimeoutMs = 500;
constexpr auto kHiccupAt = 3s;

std::vector<int> NumberList(const char* text)
{
    std::vector<int> out;
    std::stringstream in(text);
    for (std::string item; std::getline(in, item, ',');)
        out.push_back(std::atoi(item.c_str()));
    return out;
}

std::string RandomBytes(std::size_t size)
{
    std::mt19937 random(12345);
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

void Put(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string Get(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const char* BaudCode(int baud) { return baud == 115200 ? "5" : baud == 38400 ? "3" : baud == 9600 ? "1" : "2"; }

// Counts the data frames each way; with `print`, shows every frame.
class DataFrames final : public link::FrameWatcher {
public:
    void Sent(link::Clock::time_point now, std::span<const std::uint8_t> frame) override
    {
        sent += IsData(frame);
        Show(now, "PC >", frame);
    }
    void Received(link::Clock::time_point now, std::span<const std::uint8_t> frame, link::TraceResult) override
    {
        received += IsData(frame);
        Show(now, "PC <", frame);
    }
    void TimedOut(link::Clock::time_point now, long long waited) override
    {
        ++timeOuts;
        if (print)
            std::printf("%10.3f PC time-out after %lld ms\n", Seconds(now), waited);
    }
    void WatchPort(link::Clock::time_point, const link::SerialPort&) override {}
    int sent = 0, received = 0, timeOuts = 0;
    bool print = false;
    link::Clock::time_point origin{};

    double Seconds(link::Clock::time_point now) const { return std::chrono::duration<double>(now - origin).count(); }

private:
    static int IsData(std::span<const std::uint8_t> frame) { return frame.size() > 1 && frame[1] == 'D' ? 1 : 0; }
    void Show(link::Clock::time_point now, const char* way, std::span<const std::uint8_t> frame) const
    {
        if (print && frame.size() >= 12)
            std::printf("%10.3f %s %c digit %c, %zu bytes%s\n", Seconds(now), way, frame[1], frame[5], frame.size() - 12,
                        frame.size() == 13 && frame[10] == 0x05 ? " ENQ" : "");
    }
};

enum class Hiccup { None, Pause, Busy, Rough };

struct Case {
    bool download = true;
    bool batch = true;
    int baud = 115200;
    Hiccup hiccup = Hiccup::None;
    double seconds = 0; // of the pause or the busy spell
    unsigned seed = 0;  // of the rough profile
};

struct Outcome {
    bool whole = false;
    int result = 0;
    double seconds = 0;
    int dataFrames = 0;
    int timeOuts = 0;
    double paused = 0; // the hiccups' sum, seconds
    int events = 0;    // hiccups: pauses, and on a rough line doubled frames and late answers too
};

class Run {
public:
    Run(const Case& c, const std::string& bytes, bool print = false) : case_(c), bytes_(bytes)
    {
        frames_.print = print;
        link_.watchers.Attach(frames_);
        const fs::path root = fs::temp_directory_path() / ("tavelin-rough-" + std::to_string(::getpid()));
        fs::remove_all(root);
        work_ = root / "work";
        pc_ = root / "pc";
        store_ = root / "hht";
        for (const fs::path& dir : {work_, pc_, store_ / "001"})
            fs::create_directories(dir);
        state_.settings.WorkDir = work_.string() + "/";
        state_.settings.CommTimeout = kCommTimeoutMs;
        state_.settings.BaudCode = BaudCode(c.baud);
        state_.settings.HistoryMode = 2;
        state_.CurHhtId = "001";
        port_.SetInTimeout(kCommTimeoutMs);
    }
    ~Run() { fs::remove_all(work_.parent_path()); }

    Outcome Go()
    {
        sim::SimConfig config;
        config.ids = {1};
        config.storeRoot = store_;
        config.lineBaud = case_.baud;
        if (case_.hiccup == Hiccup::Rough)
            config.faults.rough = {true, case_.seed};
        pump_.Advance(1min);
        sim::Simulator hand(config);
        hand.Attach(port_);
        frames_.origin = pump_.Now();
        if (frames_.print)
            hand.SetLogger([this](const std::string& line) {
                std::printf("%10.3f HHT %s\n", frames_.Seconds(pump_.Now()), line.c_str());
            });
        if (case_.download)
            Put(pc_ / "BIG.DAT", bytes_);
        else
            Put(store_ / "001" / "BIG.DAT", bytes_);

        const auto start = pump_.Now();
        ScheduleHiccup(hand, start);
        Outcome out;
        out.result = Transfer();
        out.seconds = std::chrono::duration<double>(pump_.Now() - start).count();
        pump_.Advance(5s); // the last frames reach the hand-held
        const fs::path arrived = case_.download ? store_ / "001" / "BIG.DAT" : pc_ / "BIG.DAT";
        out.whole = fs::exists(arrived) && Get(arrived) == bytes_;
        out.dataFrames = case_.download ? frames_.sent : frames_.received;
        out.timeOuts = frames_.timeOuts;
        const sim::Stats& stats = hand.GetStats();
        out.paused = case_.hiccup == Hiccup::Rough ? stats.pausedMs / 1000.0
                     : case_.hiccup == Hiccup::None ? 0
                                                    : case_.seconds;
        out.events = case_.hiccup == Hiccup::Rough ? stats.pauses + stats.doubledFrames + stats.lateAnswers
                     : case_.hiccup == Hiccup::None ? 0
                                                    : 1;
        return out;
    }

private:
    void ScheduleHiccup(sim::Simulator& hand, link::Clock::time_point start)
    {
        const auto span = std::chrono::duration_cast<link::Clock::duration>(std::chrono::duration<double>(case_.seconds));
        if (case_.hiccup == Hiccup::Pause)
            pump_.Schedule(start + kHiccupAt, [&hand, span] { hand.Pause(span); });
        if (case_.hiccup == Hiccup::Busy)
            pump_.Schedule(start + kHiccupAt, [this, span] { pump_.Busy(span); });
    }

    int Transfer()
    {
        transfer::NoProgress progress;
        const std::string dir = pc_.string() + "/";
        if (case_.download && case_.batch) {
            const std::vector<std::string> names = {"BIG.DAT"};
            return transfer::DownloadFileSet(link_, dir, names, progress, {});
        }
        if (case_.download)
            return transfer::DownloadFile(link_, "D", dir, "BIG.DAT", progress);
        if (case_.batch) {
            transfer::UpFileList files;
            return transfer::UploadAllFiles(link_, dir, progress, 1, files, {});
        }
        return transfer::UploadFile(link_, dir, "BIG.DAT", static_cast<std::int64_t>(bytes_.size()), progress, 1);
    }

    Case case_;
    const std::string& bytes_;
    fs::path work_, pc_, store_;
    link::VirtualPump pump_;
    link::MemoryPort port_{pump_};
    settings::AppState state_;
    DataFrames frames_;
    link::Link link_{port_, pump_, state_};
};

std::string Describe(const Case& c)
{
    char text[64];
    switch (c.hiccup) {
    case Hiccup::None: return "clean line";
    case Hiccup::Pause: std::snprintf(text, sizeof text, "hand-held pauses %.1f s", c.seconds); return text;
    case Hiccup::Busy: std::snprintf(text, sizeof text, "program busy %.1f s", c.seconds); return text;
    case Hiccup::Rough: std::snprintf(text, sizeof text, "rough line, seed %u", c.seed); return text;
    }
    return "";
}

} // namespace

int main(int argc, char** argv)
{
    std::size_t kb = 1024;
    std::vector<int> speeds = {115200, 19200};
    std::vector<int> seeds = {1, 2, 3};
    std::string trace;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--trace")
            trace = argv[i + 1];
        if (option == "--kb")
            kb = static_cast<std::size_t>(std::atoi(argv[i + 1]));
        else if (option == "--speeds")
            speeds = NumberList(argv[i + 1]);
        else if (option == "--seeds")
            seeds = NumberList(argv[i + 1]);
    }
    const std::string bytes = RandomBytes(kb * 1024);
    if (!trace.empty()) {
        const Case c{trace == "down", false, speeds.front(), Hiccup::Rough, 0, static_cast<unsigned>(seeds.front())};
        const Outcome out = Run(c, bytes, true).Go();
        std::printf("result %d, %s, %.1f s\n", out.result, out.whole ? "whole" : "NOT WHOLE", out.seconds);
        return 0;
    }
    std::printf("%zu KB, CommTimeout %d ms, hiccups %lld s into the transfer; virtual time\n\n", kb, kCommTimeoutMs,
                static_cast<long long>(kHiccupAt.count()));
    std::printf("| transfer | speed | case | time s | clean s | extra s | hiccups | hiccups s | extra - hiccups s | "
                "extra frames | time-outs | whole |\n|---|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const bool download : {true, false}) {
        for (const bool batch : {true, false}) {
            for (const int baud : speeds) {
                std::vector<Case> cases = {{download, batch, baud, Hiccup::None, 0, 0}};
                for (const double s : {0.3, 0.8, 1.6, 3.0})
                    cases.push_back({download, batch, baud, Hiccup::Pause, s, 0});
                cases.push_back({download, batch, baud, Hiccup::Busy, 0.8, 0});
                for (const int seed : seeds)
                    cases.push_back({download, batch, baud, Hiccup::Rough, 0, static_cast<unsigned>(seed)});
                std::optional<Outcome> clean;
                for (const Case& c : cases) {
                    const Outcome out = Run(c, bytes).Go();
                    if (!clean)
                        clean = out;
                    const double extra = out.seconds - clean->seconds;
                    std::printf("| %s %s | %d | %s | %.1f | %.1f | %.2f | %d | %.2f | %.2f | %d | %d | %s |\n",
                                download ? "download" : "upload", batch ? "(batch)" : "(window)", baud,
                                Describe(c).c_str(), out.seconds, clean->seconds, extra, out.events, out.paused,
                                extra - out.paused, out.dataFrames - clean->dataFrames, out.timeOuts,
                                out.whole && out.result == 0 ? "yes" : ("NO (" + std::to_string(out.result) + ")").c_str());
                    std::fflush(stdout);
                }
            }
        }
    }
    return 0;
}
