// SPDX-License-Identifier: MIT
// How much CPU the process spends while a receive waits out its time-out on
// the real Qt port: the wait should sleep in the event loop, not spin.
#include "support/pty_pair.h"

#include "link/frame.h"
#include "link/port_setup.h"
#include "link/qt/qt_event_pump.h"
#include "link/qt/qt_serial_port.h"

#include <QCoreApplication>

#include <sys/resource.h>

#include <cstdio>

namespace {

double CpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

int main(int argc, char** argv)
{
    using namespace tavelin::link;
    QCoreApplication app(argc, argv);
    tavelin::testing::PtyPair pty;
    if (!pty.Ok()) {
        std::fprintf(stderr, "no pseudo-terminal\n");
        return 1;
    }
    QtEventPump pump;
    QtSerialPort port(pump);
    tavelin::settings::AppState state;
    auto& s = state.settings;
    s.BaudCode = "2", s.ParityCode = "2", s.DataBitsCode = "1", s.StopBitsCode = "0";
    s.ComPortCode = "0", s.PortKindCode = "0";
    Link link{port, pump, state};
    if (const PortOpening opening = OpenHhtPort(link); opening.result != PortSetupResult::Ok) {
        std::fprintf(stderr, "cannot open %s: %s\n", pty.SlaveName().c_str(), opening.reason.c_str());
        return 1;
    }

    port.SetInTimeout(2000);
    std::string frame;
    const double cpuBefore = CpuSeconds();
    const auto wallBefore = Clock::now();
    const int result = RecvFrame(link, frame);
    const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    const double cpu = CpuSeconds() - cpuBefore;

    std::printf("receive with nothing arriving, InTimeout 2000 ms: result %d\n", result);
    std::printf("wall %.1f ms, process CPU %.2f ms (%.3f %% of the wait)\n", wall * 1e3, cpu * 1e3,
                100.0 * cpu / wall);
    return 0;
}
