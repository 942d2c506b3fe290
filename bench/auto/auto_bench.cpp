// SPDX-License-Identifier: MIT
// Figures of batch runs of the real program (printed, never asserted):
//  1. CPU used while it polls 10 IDs that never answer, for 10 s, without a
//     display and, when the bench has one (run it under xvfb-run), with it;
//  2. the time of one round over 128 absent IDs against the ideal
//     128 x (PollTimeout + PollInterval), the interval being 10 ms here;
//  3. /DOWN line efficiency of a 1 MB file at an emulated 115,200 bit/s.
#include "common/batch_run.h"
#include "common/process_cpu.h"

#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

using tavelin::bench::PutFile;
using tavelin::bench::RunUsage;
using tavelin::bench::WaitFor;
using tavelin::bench::WriteParameterFiles;

// The program or the simulator in `dir`, COM1 naming `com1`, the lock in `dir`.
pid_t Spawn(const std::vector<std::string>& args, const fs::path& dir, const std::string& com1,
            bool keepDisplay = false)
{
    return tavelin::bench::StartIn(args, dir, {{"TAVELIN_COM1", com1}, {"XDG_RUNTIME_DIR", dir.string()}},
                                   keepDisplay);
}

// A pseudo-terminal nobody answers on: the IDs polled through it are absent.
std::string SilentLine(int& master)
{
    int slave = -1;
    char name[256];
    openpty(&master, &slave, name, nullptr, nullptr);
    close(slave);
    return name;
}

void IdlePolling(const fs::path& work, const std::string& silent, bool display)
{
    WriteParameterFiles(work, "2210005008000", "1,10", 0);
    const auto started = Clock::now();
    const pid_t pid = Spawn({TAVELIN_PROGRAM, "/DOWN"}, work, silent, display);
    std::this_thread::sleep_for(std::chrono::seconds(2)); // past the start-up
    const double before = tavelin::bench::ProcessCpuSeconds(pid);
    std::this_thread::sleep_for(std::chrono::seconds(10));
    const double during = tavelin::bench::ProcessCpuSeconds(pid) - before;
    PutFile(work / "ENDPRM.DAT", "2");
    const RunUsage idle = WaitFor(pid, started);
    fs::remove(work / "ENDPRM.DAT");
    std::printf("idle polling, %s: %.2f s of CPU in 10 s = %.2f %% of one core (target < 1 %%); whole run %.2f s "
                "CPU in %.1f s, start-up included\n",
                display ? "window on the display" : "no display", during, 10.0 * during, idle.cpu, idle.wall);
}

} // namespace

int main()
{
    const fs::path work = fs::temp_directory_path() / ("tavelin-auto-bench-" + std::to_string(getpid()));
    fs::create_directories(work / "down");
    fs::create_directories(work / "up");
    fs::create_directories(work / "hht");
    int master = -1;
    const std::string silent = SilentLine(master);
    // Keep the master drained so the program's writes never block.
    std::thread drain([master] {
        char buffer[4096];
        while (read(master, buffer, sizeof buffer) > 0) {
        }
    });
    drain.detach();

    // 1. Idle polling: IDs 1-10, nobody answers, no round limit, stopped after 10 s.
    IdlePolling(work, silent, false);
    if (std::getenv("DISPLAY"))
        IdlePolling(work, silent, true);

    // 2. One round over 128 absent IDs.
    WriteParameterFiles(work, "2210005008000", "1,128", 1);
    auto started = Clock::now();
    RunUsage round = WaitFor(Spawn({TAVELIN_PROGRAM, "/DOWN"}, work, silent), started);
    const double ideal = 128 * (0.050 + 0.010);
    std::printf("round of 128 absent IDs: %.2f s (whole run, start-up included); ideal %.2f s; ratio %.2f\n",
                round.wall, ideal, round.wall / ideal);

    // 3. /DOWN of 1 MB at an emulated 115,200 bit/s.
    const std::size_t size = 1 << 20;
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        data[i] = char(i * 31 + (i >> 11));
    PutFile(work / "down" / "BIG.BIN", data);
    const std::string link = (work / "ttyHHT").string();
    const pid_t simulator = Spawn({TAVELIN_HHTSIM, "--ids", "1", "--dir", (work / "hht").string(), "--link", link,
                                   "--baud", "115200", "--quiet"},
                                  work, "");
    for (int i = 0; i < 100 && !fs::exists(link); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    WriteParameterFiles(work, "5210005008000", "1,1", 1);
    started = Clock::now();
    RunUsage down = WaitFor(Spawn({TAVELIN_PROGRAM, "/DOWN"}, work, link), started);
    kill(simulator, SIGTERM);
    waitpid(simulator, nullptr, 0);
    std::ifstream stored(work / "hht" / "001" / "BIG.BIN", std::ios::binary);
    const std::string got((std::istreambuf_iterator<char>(stored)), std::istreambuf_iterator<char>());
    const double efficiency = double(size) / (down.wall * 115200 / 10);
    std::printf("/DOWN 1 MB at 115200 bit/s: %.2f s, efficiency %.3f (target >= 0.93; whole run, start-up and poll "
                "included), CPU %.2f s (%.1f %%), file %s\n",
                down.wall, efficiency, down.cpu, 100.0 * down.cpu / down.wall, got == data ? "byte-exact" : "DIFFERS");

    close(master);
    fs::remove_all(work);
    return 0;
}
