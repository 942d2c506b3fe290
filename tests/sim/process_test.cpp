// SPDX-License-Identifier: MIT
// The tavelin-hhtsim executable on a pseudo-terminal, reached by the program's
// own link layer through the Qt serial backend: poll and list, then a clean
// end on SIGTERM that removes the link it made.
#include "link/commands.h"
#include "link/port_setup.h"
#include "link/qt/qt_event_pump.h"
#include "link/qt/qt_serial_port.h"
#include "modes/hht_files.h"
#include "support/sim_process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using namespace tavelin;

struct Names final : modes::FileListView {
    void Clear() override { items.clear(); }
    void AddItem(const std::string& text, std::int64_t size) override { items.emplace_back(text, size); }
    std::vector<std::pair<std::string, std::int64_t>> items;
};

struct Text final : modes::TextView {
    void SetText(std::string_view value) override { text = value; }
    std::string text;
};

// The program's link layer on the simulator's pseudo-terminal, reached
// through TAVELIN_COM1 at 19,200 bit/s.
struct PcSide {
    explicit PcSide(const fs::path& linkPath)
    {
        ::setenv("TAVELIN_COM1", linkPath.c_str(), 1);
        auto& s = state.settings;
        s.BaudCode = "2", s.ParityCode = "2", s.DataBitsCode = "1", s.StopBitsCode = "0";
        s.ComPortCode = "0", s.PortKindCode = "0", s.PollTimeout = 500, s.CommTimeout = 800;
        const link::PortOpening opening = link::OpenHhtPort(link);
        opened = opening.result == link::PortSetupResult::Ok;
        reason = opening.reason;
    }
    ~PcSide()
    {
        port.Close();
        ::unsetenv("TAVELIN_COM1");
    }

    link::QtEventPump pump;
    link::QtSerialPort port{pump};
    settings::AppState state;
    link::Link link{port, pump, state};
    std::string reason;
    bool opened = false;
};

TEST(SimProcess, ServesAPseudoTerminalThatTheLinkLayerPollsAndLists)
{
    const fs::path dir = fs::temp_directory_path() / ("tavelin-hhtsim-process-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "001");
    std::ofstream(dir / "001" / "HELLO.TXT") << "hello";
    std::ofstream(dir / "001" / "DATA.DAT") << std::string(1234, 'd');
    const fs::path linkPath = dir / "hht";

    tavelin::testing::SimProcess sim(TAVELIN_HHTSIM_PATH, {"--ids", "1-3", "--dir", dir.string(), "--link", linkPath.string()});
    const std::string banner = sim.ReadLine(5000);
    ASSERT_NE(banner.find("serving on"), std::string::npos) << banner;
    ASSERT_TRUE(fs::is_symlink(linkPath));

    {
        PcSide pc(linkPath);
        ASSERT_TRUE(pc.opened) << pc.reason;
        EXPECT_EQ(link::ConnectHht(pc.link), link::kOk);
        modes::HhtFileTable table;
        Names names;
        Text free;
        EXPECT_EQ(modes::GetHhtFileList(pc.link, table, names, free), 0);
        using Item = std::pair<std::string, std::int64_t>;
        EXPECT_EQ(names.items, (std::vector<Item>{{"DATA.DAT", 1234}, {"HELLO.TXT", 5}}));
        EXPECT_EQ(table.HhtFreeBytes, 4'000'000 - 1239);

        pc.state.CurHhtId = "004"; // not served: silence
        EXPECT_EQ(link::ConnectHht(pc.link), link::kTimedOut);
    }

    const std::string log = sim.ReadLine(1000);
    EXPECT_NE(log.find("001 poll: answered"), std::string::npos) << log;
    EXPECT_EQ(sim.Terminate(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(linkPath)));
    fs::remove_all(dir);
}

// Pauses asked for on the command line hold the answers back, and the
// summary at the end counts them, with --quiet too.
TEST(SimProcess, PausesAndCountsThemInItsSummary)
{
    const fs::path dir = fs::temp_directory_path() / ("tavelin-hhtsim-pauses-" + std::to_string(getpid()));
    fs::remove_all(dir);
    const fs::path linkPath = dir / "hht";
    fs::create_directories(dir);
    for (const bool quiet : {false, true}) {
        std::vector<std::string> args{"--ids", "1", "--dir", dir.string(), "--link", linkPath.string(),
                                      "--pause-before-sent", "1:300", "--pause-before-received", "2:200",
                                      "--rough", "7"};
        if (quiet)
            args.push_back("--quiet");
        tavelin::testing::SimProcess sim(TAVELIN_HHTSIM_PATH, args);
        ASSERT_NE(sim.ReadLine(5000).find("serving on"), std::string::npos);

        {
            PcSide pc(linkPath);
            ASSERT_TRUE(pc.opened) << pc.reason;
            EXPECT_EQ(link::ConnectHht(pc.link), link::kOk);
            EXPECT_EQ(link::ConnectHht(pc.link), link::kOk);
        }

        EXPECT_EQ(sim.Terminate(), 0);
        const std::string out = sim.ReadAll(1000);
        EXPECT_NE(out.find("stats framesReceived=2 "), std::string::npos) << out;
        EXPECT_NE(out.find(" pauses=2 pausedMs=500 "), std::string::npos) << out;
        EXPECT_EQ(out.find("fault: pause of 300 ms before sent frame 1") != std::string::npos, !quiet) << out;
        EXPECT_EQ(out.find("fault: pause of 200 ms before received frame 2") != std::string::npos, !quiet) << out;
    }
    fs::remove_all(dir);
}

} // namespace
