// SPDX-License-Identifier: MIT
// Takes the README's picture of the 診断 dialog after a scan that found the
// simulated hand-held (ID 7 at 38,400 bit/s on a line set to 19,200): the
// scan runs on the in-memory port and virtual time, so the picture takes no
// time and shows the dialog's own rendering, without a window frame.
//
//   scan_screenshot OUTPUT.png
#include "link/memory_port.h"
#include "link/virtual_pump.h"
#include "settings/param_files.h"
#include "simulator.h"
#include "ui/controls.h"
#include "ui/scan_dialog.h"

#include <QApplication>
#include <QPixmap>

#include <cstdio>
#include <filesystem>

using namespace tavelin;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: scan_screenshot OUTPUT.png\n");
        return 2;
    }
    if (!ui::UseCjkFont())
        std::fprintf(stderr, "scan_screenshot: no CJK font installed; the captions may not show\n");
    const auto store = std::filesystem::temp_directory_path() / "tavelin-scan-screenshot";

    settings::AppState state;
    settings::ApplyCommDefaults(state.settings);
    state.settings.WorkDir = store.string() + "/";
    link::VirtualPump pump;
    link::MemoryPort port(pump);
    link::Link link{port, pump, state};
    sim::SimConfig config;
    config.ids = {7};
    config.storeRoot = store;
    config.hhtBaud = 38400;
    sim::Simulator simulator(config);
    simulator.Attach(port);

    ui::ScanDialog dialog(link, {});
    dialog.Start();
    dialog.show();
    QApplication::processEvents();
    std::error_code ignored;
    std::filesystem::remove_all(store, ignored);
    const QString path = QString::fromLocal8Bit(argv[1]);
    if (!dialog.grab().save(path)) {
        std::fprintf(stderr, "scan_screenshot: cannot write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("%s\n", qPrintable(path));
    return 0;
}
