// SPDX-License-Identifier: MIT
// What the manual window's progress dialog costs a transfer: a 1 MB download
// and a 1 MB upload through the Qt serial port over a pseudo-terminal to
// tavelin-hhtsim at an emulated 115,200 bit/s, each once through the engine
// alone (transfer::DownloadFile / UploadFile with no progress shown) and once
// through the progress dialog (F_DownDlg, F_UpDlg) on the offscreen platform.
// Prints, per transfer, the line efficiency (payload bits / (elapsed × baud);
// a line of 8 data bits in 10 cannot pass 0.8), and the CPU this process
// used meanwhile. The dialog's time runs from exec() to its return, its
// opening and the loop's pause after a download included. Figures, not
// assertions.
//
//   manual_transfer_bench [bytes]
#include "manual_rig.h"

#include "link/commands.h"
#include "link/port_setup.h"
#include "link/qt/qt_event_pump.h"
#include "link/qt/qt_serial_port.h"
#include "settings/param_files.h"
#include "transfer/engines.h"
#include "ui/transfer_dialog.h"

#include <QApplication>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <random>

using namespace tavelin;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kBaud = 115200;
constexpr const char* kBaudCode = "5";

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::string RandomBytes(std::size_t size)
{
    std::mt19937 random(12345);
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = char(random());
    return bytes;
}

void Put(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string Get(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

struct Figure {
    double seconds = 0, cpu = 0;
};

template <typename Transfer> Figure Measure(Transfer transfer)
{
    const double cpu = CpuSeconds();
    const auto start = Clock::now();
    transfer();
    return {std::chrono::duration<double>(Clock::now() - start).count(), CpuSeconds() - cpu};
}

void Report(const char* what, std::size_t bytes, const Figure& f, bool arrived)
{
    std::printf("%-22s %.2f s, efficiency %.4f, CPU %.2f s (%.2f %% of one core)%s\n", what, f.seconds,
                double(bytes) * 8.0 / (f.seconds * kBaud), f.cpu, 100.0 * f.cpu / f.seconds,
                arrived ? "" : "; the file did NOT arrive intact");
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(benchrig::QuietOffscreenNotes);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const std::size_t bytes = argc > 1 ? std::stoul(argv[1]) : 1024 * 1024;

    benchrig::ScratchDir scratch("tavelin-transfer-dialog-bench");
    benchrig::EnsureRuntimeDir(scratch);
    const fs::path store = scratch.Path() / "hht";
    const fs::path direct = scratch.Path() / "direct";
    const fs::path shown = scratch.Path() / "dialog";
    for (const fs::path& dir : {store / "001", direct, shown, scratch.Path() / "work"})
        fs::create_directories(dir);
    const std::string data = RandomBytes(bytes);
    Put(direct / "DOWN.DAT", data);
    Put(shown / "DOWN.DAT", data);
    Put(store / "001" / "UP.DAT", data);

    const fs::path line = scratch.Path() / "tty";
    const fs::path log = scratch.Path() / "hhtsim.log";
    benchrig::SimulatedHht simulator(
        TAVELIN_HHTSIM, {"--ids", "1", "--dir", store.string(), "--baud", std::to_string(kBaud), "--quiet"}, line, log);
    if (!simulator.WaitForLink(5000)) {
        std::printf("the simulator did not start\n");
        return 1;
    }
    setenv("TAVELIN_COM1", line.c_str(), 1);

    QApplication application(argc, argv);
    settings::AppState state;
    auto& s = state.settings;
    settings::ApplyCommDefaults(s);
    s.BaudCode = kBaudCode;
    s.WorkDir = (scratch.Path() / "work").string() + "/";
    s.UploadMode = 1;
    link::QtEventPump pump;
    link::QtSerialPort port(pump);
    link::Link link{port, pump, state};
    if (const link::PortOpening opening = link::OpenHhtPort(link); opening.result != link::PortSetupResult::Ok) {
        std::printf("the port did not open: %s\n", opening.reason.c_str());
        return 1;
    }
    benchrig::DismissMessageBoxes(&application);

    // Each transfer in an exchange of its own, as the manual window's are.
    const auto run = [&](auto transfer) -> Figure {
        if (link::ConnectHht(link) != 0)
            std::printf("  (the hand-held did not answer the connect)\n");
        const Figure figure = Measure(transfer);
        link::EndSession(link);
        return figure;
    };
    const auto dialog = [&](modes::TransferJob job) {
        ui::TransferDialog progress(link, std::move(job), nullptr);
        progress.exec();
    };
    transfer::NoProgress none;
    const std::string directPc = direct.string() + "/";
    const std::string hhtDown = (store / "001" / "DOWN.DAT").string();

    // The first paint of a process loads its fonts; the manual window has
    // long done that before any transfer.
    dialog({modes::TransferKind::Download, shown.string(), {}, {}});

    std::printf("%zu bytes each way at %d bit/s, tavelin-hhtsim over a pseudo-terminal, progress refreshed every %d ms\n",
                bytes, kBaud, ui::kProgressRefreshMs);
    Figure f = run([&] { transfer::DownloadFile(link, "D", directPc, "DOWN.DAT", none); });
    Report("download, engine alone", bytes, f, Get(hhtDown) == data);
    fs::remove(hhtDown);
    f = run([&] { dialog({modes::TransferKind::Download, shown.string(), {"DOWN.DAT"}, {}}); });
    Report("download, dialog", bytes, f, Get(hhtDown) == data);
    f = run([&] { transfer::UploadFile(link, directPc, "UP.DAT", std::int64_t(bytes), none, 1); });
    Report("upload, engine alone", bytes, f, Get(direct / "UP.DAT") == data);
    f = run([&] { dialog({modes::TransferKind::Upload, shown.string(), {}, {{"UP.DAT", std::int64_t(bytes)}}}); });
    Report("upload, dialog", bytes, f, Get(shown / "UP.DAT") == data);

    port.Close();
    simulator.Stop();
    return 0;
}
