// SPDX-License-Identifier: MIT
// Figures of the manual window against tavelin-hhtsim at an emulated
// 19,200 bit/s (printed, never asserted):
//  1. the time from a click on Start to the hand-held's list in LbHHTFile,
//     over several connects (each after a Stop), and their median;
//  2. CPU used by the connected, idle window polling one hand-held for 10 s,
//     as a share of one core, with the polls the hand-held answered; and,
//     for comparison, that of the window before it connects.
// The window is the real one on the offscreen platform, with the settings
// the program's start-up makes in a directory without parameter files.
// Its directory tree watches the directories it shows, the temporary
// directory among them: files that other programs make and remove there
// cost the window CPU too, connected or not. The figure taken before
// connecting shows that share; TMPDIR=/some/quiet/dir leaves it out.
#include "manual_rig.h"

#include "link/qt/qt_event_pump.h"
#include "link/qt/qt_serial_port.h"
#include "settings/texts.h"
#include "ui/manual_window.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

using namespace tavelin;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kFiles = 10;
constexpr int kConnects = 5;
constexpr int kIdleSeconds = 10;
constexpr int kDisconnectedSeconds = 5;
constexpr int kBaud = 19200;

double CpuSecondsOfThisProcess()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct CpuShare {
    double cpu = 0, wall = 0;
    double Percent() const { return 100.0 * cpu / wall; }
};

// CPU this process uses while the event loop runs for `seconds`.
CpuShare MeasureIdle(int seconds)
{
    const double before = CpuSecondsOfThisProcess();
    const auto started = Clock::now();
    benchrig::Pause(seconds * 1000);
    return {CpuSecondsOfThisProcess() - before, std::chrono::duration<double>(Clock::now() - started).count()};
}

// Lines of the simulator's log that contain `text`.
int CountLogLines(const fs::path& log, const std::string& text)
{
    std::ifstream in(log);
    int count = 0;
    for (std::string line; std::getline(in, line);)
        count += line.find(text) != std::string::npos;
    return count;
}

std::string LastLogLine(const fs::path& log)
{
    std::ifstream in(log);
    std::string last;
    for (std::string line; std::getline(in, line);)
        last = line;
    return last;
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(benchrig::QuietOffscreenNotes);

    benchrig::ScratchDir scratch("tavelin-manual-bench");
    const fs::path work = scratch.Path() / "pc";
    const fs::path store = scratch.Path() / "hht";
    fs::create_directories(work);
    fs::create_directories(store / "001");
    benchrig::EnsureRuntimeDir(scratch);
    for (int i = 0; i < kFiles; ++i)
        benchrig::PutFile(store / "001" / ("FILE" + std::to_string(i) + ".DAT"), 500 + std::size_t(i) * 1500, "ROW");
    for (const char* name : {"MASTER.DAT", "PRICES.CSV"})
        benchrig::PutFile(work / name, 2000, "PC");

    const fs::path line = scratch.Path() / "ttyHHT";
    const fs::path log = scratch.Path() / "hhtsim.log";
    benchrig::SimulatedHht simulator(
        TAVELIN_HHTSIM, {"--ids", "1", "--dir", store.string(), "--baud", std::to_string(kBaud)}, line, log);
    if (!simulator.WaitForLink(5000)) {
        std::printf("the simulator did not start: %s\n", LastLogLine(log).c_str());
        return 1;
    }
    setenv("TAVELIN_COM1", line.c_str(), 1);
    fs::current_path(work); // the program's current directory: WorkDir and the PC pane

    QApplication application(argc, argv);
    settings::AppState state;
    link::QtEventPump pump;
    link::QtSerialPort port(pump);
    link::Link link{port, pump, state};
    if (!benchrig::StartLikeManualMode(state)) {
        std::printf("the start-up ended the program\n");
        return 1;
    }

    ui::ManualWindow window(link, QStringLiteral("manual_bench"));
    bool closed = false;
    QObject::connect(&window, &ui::ManualWindow::Closed, [&] { closed = true; });
    auto* start = window.findChild<QPushButton*>(QStringLiteral("BtnStart"));
    auto* list = window.findChild<QTreeWidget*>(QStringLiteral("LbHHTFile"));
    if (start == nullptr || list == nullptr) {
        std::printf("BtnStart or LbHHTFile not found\n");
        return 1;
    }
    benchrig::DismissMessageBoxes(&window);
    window.show();
    benchrig::Pause(1000); // past the window's one-shot initialisation and the directory tree's first listing

    // The list is filled in one go once the hand-held has sent it: note the
    // moment its last row arrives.
    bool waiting = false;
    Clock::time_point filled{};
    QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, [&] {
        if (waiting && list->topLevelItemCount() == kFiles) {
            filled = Clock::now();
            waiting = false;
        }
    });
    const auto& session = window.Session();
    auto connectAndTime = [&]() -> double {
        waiting = true;
        const auto clicked = Clock::now();
        start->click();
        if (!benchrig::WaitFor([&] { return !waiting; }, 10000))
            return -1;
        return std::chrono::duration<double, std::milli>(filled - clicked).count();
    };

    std::printf("manual window, one simulated hand-held with %d files, %d bit/s, polling every %d ms, poll "
                "time-out %d ms\n",
                kFiles, kBaud, int(state.settings.PollInterval), int(state.settings.PollTimeout));
    const CpuShare disconnected = MeasureIdle(kDisconnectedSeconds);
    std::printf("idle, not connected: %.2f s of CPU in %.1f s = %.2f %% of one core (the window in %s)\n",
                disconnected.cpu, disconnected.wall, disconnected.Percent(), work.c_str());

    std::vector<double> times;
    for (int round = 1; round <= kConnects; ++round) {
        const double ms = connectAndTime();
        if (ms < 0) {
            waiting = false;
            std::printf("  connect %d: no list within 10 s (message \"%s\")\n", round,
                        window.findChild<QLineEdit*>(QStringLiteral("TxtHHTMsg"))->text().toStdString().c_str());
            break;
        }
        times.push_back(ms);
        std::printf("  connect %d: Start to list %.1f ms\n", round, ms);
        if (round < kConnects) {
            start->click(); // Stop
            benchrig::WaitFor([&] { return !session.ManualLinkOn(); }, 5000);
            benchrig::Pause(200);
        }
    }
    if (!times.empty()) {
        std::vector<double> sorted = times;
        std::sort(sorted.begin(), sorted.end());
        const std::size_t n = sorted.size();
        const double median = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
        std::printf("Start to list: median %.1f ms of %zu connects (min %.1f, max %.1f)\n", median, n, sorted.front(),
                    sorted.back());
    }

    // Connected and idle: only the polling timer runs.
    if (session.ManualLinkOn() && !session.HhtListPending()) {
        benchrig::Pause(1000);
        const int pollsBefore = CountLogLines(log, "poll: answered");
        const double simBefore = simulator.CpuSeconds();
        const CpuShare idle = MeasureIdle(kIdleSeconds);
        const double simCpu = simulator.CpuSeconds() - simBefore;
        const int polls = CountLogLines(log, "poll: answered") - pollsBefore;
        std::printf("idle, connected: %.2f s of CPU in %.1f s = %.2f %% of one core; %d polls answered (%.1f a "
                    "second); the simulator used %.2f %%; %d consecutive poll time-outs at the end\n",
                    idle.cpu, idle.wall, idle.Percent(), polls, polls / idle.wall, 100.0 * simCpu / idle.wall,
                    session.PollErrCount());
    } else {
        std::printf("idle, connected: not measured, the window is not connected\n");
    }

    window.close();
    benchrig::WaitFor([&] { return closed; }, 10000);
    std::ifstream memory(work / "TAV0001.INF");
    std::string id, directory;
    std::getline(memory, id);
    std::getline(memory, directory);
    if (!id.empty() && id.back() == '\r')
        id.pop_back();
    std::printf("window closed: %s; TAV0001.INF %s (ID \"%s\")\n", closed ? "yes" : "NO",
                fs::exists(work / "TAV0001.INF") ? "written" : "MISSING", id.c_str());
    simulator.Stop();
    std::printf("simulator: %s\n", LastLogLine(log).c_str());
    return 0;
}
