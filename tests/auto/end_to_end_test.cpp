// SPDX-License-Identifier: MIT
// Batch runs of the real program against the simulated hand-held over a
// pseudo-terminal: what a warehouse's nightly job does, minus the hardware.
#include "settings/codepage.h"
#include "support/temp_dir.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <set>
#include <sstream>

#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavelin {
namespace {

namespace fs = std::filesystem;

class EndToEnd : public ::testing::Test {
protected:
    EndToEnd()
    {
        fs::permissions(runtime.Path(), fs::perms::owner_all);
        fs::create_directories(work.Path() / "down");
        fs::create_directories(work.Path() / "up");
        fs::create_directories(work.Path() / "hht");
    }
    ~EndToEnd() override { StopSimulator(); }

    // quiet: no log of the exchanges on the simulator's standard output.
    void StartSimulator(const QStringList& options, bool quiet = true)
    {
        link = (work.Path() / "ttyHHT").string();
        QStringList arguments{"--dir", Path("hht"), "--link", QString::fromStdString(link)};
        if (quiet)
            arguments << "--quiet";
        simulator.start(TAVELIN_SIMULATOR, arguments + options);
        ASSERT_TRUE(simulator.waitForStarted());
        for (int i = 0; i < 100 && !fs::exists(link); ++i)
            QThread::msleep(20);
        ASSERT_TRUE(fs::exists(link)) << simulator.readAllStandardError().toStdString();
    }

    void StopSimulator()
    {
        if (simulator.state() == QProcess::NotRunning)
            return;
        simulator.terminate();
        if (!simulator.waitForFinished(5000))
            simulator.kill();
    }

    // The counters the simulator prints as it ends.
    std::string StopSimulatorForItsStats()
    {
        StopSimulator();
        const std::string out = simulator.readAllStandardOutput().toStdString();
        const auto at = out.find("stats ");
        return at == std::string::npos ? out : out.substr(at);
    }

    struct Run {
        int exitCode = -1;
        std::string out;
        std::string err;
    };

    // Starts the program in the work directory as a batch job would, without a display.
    void StartTavelin(QProcess& process, const QStringList& arguments, const std::string& comPath = {})
    {
        auto env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.Path().string()));
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(config.Path().string())); // no user's device map
        // nor the PC's, unless a test writes it there
        env.insert("TAVELIN_MACHINE_CONF", QString::fromStdString((config.Path() / "machine/tavelin.conf").string()));
        if (comByVariable)
            env.insert("TAVELIN_COM1", QString::fromStdString(comPath.empty() ? link : comPath));
        else
            env.remove("TAVELIN_COM1");
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(QString::fromStdString(work.Path().string()));
        process.start(TAVELIN_PROGRAM, arguments);
        process.closeWriteChannel();
    }

    // The simulator's log (started with quiet = false) up to the line holding cue.
    std::string LogUntil(const std::string& cue, int waitMs = 10000)
    {
        std::string log;
        while (log.find(cue) == std::string::npos && simulator.waitForReadyRead(waitMs))
            log += simulator.readAllStandardOutput().toStdString();
        return log;
    }

    Run Tavelin(const QStringList& arguments, const std::string& comPath = {})
    {
        QProcess process;
        StartTavelin(process, arguments, comPath);
        EXPECT_TRUE(process.waitForFinished(60000));
        return {process.exitCode(), process.readAllStandardOutput().toStdString(),
                process.readAllStandardError().toStdString()};
    }

    QString Path(const std::string& relative) const { return QString::fromStdString((work.Path() / relative).string()); }
    std::string Dir(const std::string& relative) const { return (work.Path() / relative).string() + "/"; }

    void Params(const std::string& ids, const std::string& apFile, const std::string& downDir, const std::string& upMode,
                const std::string& history, int rounds, const std::string& rsprm = "2210005008000")
    {
        work.Put("RSPRM.DAT", rsprm + "\r\n");
        work.Put("HHTPRM.DAT", ids + "\r\n");
        work.Put("DIRPRM.DAT", settings::Utf8ToCp932(apFile + "\r\n" + downDir + "\r\n" + Dir("up") + "\r\n" + upMode +
                                                     "\r\n" + history + "\r\n" + std::to_string(rounds) + "\r\n"));
    }

    std::string Result() const
    {
        const std::string line = settings::Cp932ToUtf8(work.Get("RESULT.DAT"));
        return line.size() > 18 ? line.substr(18) : line;
    }
    std::string History() const { return settings::Cp932ToUtf8(work.Get("HISTORY.DAT")); }

    static std::string Bytes(std::size_t size, unsigned seed)
    {
        std::string data(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            data[i] = char((i * 131 + seed * 7 + (i >> 8)) & 0xFF);
        return data;
    }

    testing::TempDir work;
    testing::TempDir runtime;
    testing::TempDir config;
    bool comByVariable = true; // false: COM1's device comes from the user's map in `config`
    QProcess simulator;
    std::string link;
};

TEST_F(EndToEnd, DownloadDirectoryToEveryHandHeldByteExact)
{
    const std::string big = Bytes(5000, 1);
    const std::string small = Bytes(511, 2);
    work.Put("down/BIG.BIN", big);
    work.Put("down/SMALL.DAT", small);
    StartSimulator({"--ids", "1-3"});
    Params("1,3", "", Dir("down"), "OVER", "NEWHISTORY", 1);

    const auto run = Tavelin({"/DOWN"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Result(), " 0 , 3 ,正常終了\r\n");
    for (const char* id : {"001", "002", "003"}) {
        EXPECT_EQ(work.Get(std::string("hht/") + id + "/BIG.BIN"), big) << id;
        EXPECT_EQ(work.Get(std::string("hht/") + id + "/SMALL.DAT"), small) << id;
    }
    const std::string history = History();
    EXPECT_NE(history.find("001, 2 ,BIG.BIN, 5000 , 0 ,正常終了\r\n"), std::string::npos) << history;
    EXPECT_NE(history.find("003, 2 ,SMALL.DAT, 511 , 0 ,正常終了\r\n"), std::string::npos) << history;
    // Each history line also reaches standard output for the batch log.
    EXPECT_NE(run.out.find("ID 002: BIG.BIN"), std::string::npos) << run.out;
}

TEST_F(EndToEnd, DownloadSingleFileAndAbsentIdsCostNoHistory)
{
    work.Put("down/ONE.TXT", "hello\r\n");
    StartSimulator({"--ids", "2"});
    Params("1,3", "", Dir("down") + "ONE.TXT", "OVER", "NEWHISTORY", 2);
    const auto run = Tavelin({"/down", "/icon"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Result(), " 0 , 2 ,正常終了\r\n"); // ID 2 served in each of two rounds
    EXPECT_EQ(work.Get("hht/002/ONE.TXT"), "hello\r\n");
    EXPECT_EQ(History(), "002, 2 ,ONE.TXT, 7 , 0 ,正常終了\r\n002, 2 ,ONE.TXT, 7 , 0 ,正常終了\r\n");
}

TEST_F(EndToEnd, ApplicationInstallChecksTheName)
{
    work.Put("PROG.hex", ":00000001FF\r\n");
    work.Put("PROG.BIN", "x");
    StartSimulator({"--ids", "1"});
    Params("1,1", Path("PROG.hex").toStdString(), Dir("down"), "OVER", "NEWHISTORY", 1);
    auto run = Tavelin({"/APIN"});
    EXPECT_EQ(Result(), " 0 , 1 ,正常終了\r\n") << run.err;
    EXPECT_EQ(work.Get("hht/001/PROG.HEX"), ":00000001FF\r\n");
    EXPECT_NE(History().find("001, 1 ,PROG.hex, 13 , 0 ,正常終了"), std::string::npos) << History();

    Params("1,1", Path("PROG.BIN").toStdString(), Dir("down"), "OVER", "NEWHISTORY", 1);
    Tavelin({"/APIN"});
    EXPECT_EQ(Result(), "-1 , 4 ,データパラメータエラー\r\n");
}

TEST_F(EndToEnd, UploadAllInTheThreeModes)
{
    fs::create_directories(work.Path() / "hht/001");
    const struct {
        const char* mode;
        const char* expectA;
    } rows[] = {{"OVER", "new-a"}, {"ADD", "old-anew-a"}, {"NON", "old-a"}};
    for (const auto& row : rows) {
        fs::remove_all(work.Path() / "up");
        fs::create_directories(work.Path() / "up");
        work.Put("up/A.DAT", "old-a");
        work.Put("hht/001/A.DAT", "new-a");
        work.Put("hht/001/B.DAT", Bytes(1100, 3));
        StartSimulator({"--ids", "1"});
        Params("1,1", "", Dir("down"), row.mode, "NEWHISTORY", 1);
        const auto run = Tavelin({"/UP"});
        StopSimulator();
        EXPECT_EQ(Result(), " 0 , 1 ,正常終了\r\n") << row.mode << run.err;
        EXPECT_EQ(work.Get("up/A.DAT"), row.expectA) << row.mode;
        EXPECT_EQ(work.Get("up/B.DAT"), Bytes(1100, 3)) << row.mode;
    }
}

TEST_F(EndToEnd, AFileTheHandHeldWasToldWasTakenSurvivesAKill)
{
    fs::create_directories(work.Path() / "hht/001");
    work.Put("hht/001/A.DAT", Bytes(3000, 7));
    work.Put("hht/001/B.DAT", Bytes(20000, 8)); // about ten seconds on the line
    StartSimulator({"--ids", "1", "--baud", "19200"}, false);
    Params("1,1", "", Dir("down"), "OVER", "NEWHISTORY", 1);

    QProcess run;
    StartTavelin(run, {"/UP"});
    const std::string log = LogUntil("A.DAT (3000 bytes): taken");
    run.kill(); // as a power cut would, the moment the hand-held believes A.DAT delivered
    run.waitForFinished();
    ASSERT_NE(log.find("A.DAT (3000 bytes): taken"), std::string::npos) << log;
    EXPECT_EQ(work.Get("up/A.DAT"), Bytes(3000, 7));
    EXPECT_FALSE(work.Has("up/B.DAT"));

    StopSimulator();
    StartSimulator({"--ids", "1"}); // a full line speed for the run after
    const auto again = Tavelin({"/UP"}); // it finds nothing in its way
    StopSimulator();
    EXPECT_EQ(Result(), " 0 , 1 ,正常終了\r\n") << again.err;
    EXPECT_EQ(work.Get("up/A.DAT"), Bytes(3000, 7));
    EXPECT_EQ(work.Get("up/B.DAT"), Bytes(20000, 8));
    EXPECT_FALSE(work.Has("UPTMP.00") || work.Has("UPTMP.01"));
}

// What a run killed at the wrong moment leaves behind (the copy staged
// beside a target on another file system, a parameter file half replaced)
// goes at the next start; files that only look alike stay.
TEST_F(EndToEnd, LeftoversOfAKilledRunGoAtTheNextStartAndNothingElse)
{
    fs::create_directories(work.Path() / "hht/001");
    work.Put("hht/001/A.DAT", "new-a");
    const std::string staged = Bytes(20000, 9);
    work.Put("up/A.DAT.~tmp", staged);
    work.Put("up/LOST.TXT.~tmp", staged);
    const char* ownLeftovers[] = {"RSPRM.DAT.new", "HHTPRM.DAT.new", "DIRPRM.DAT.new", "TAV0001.INF.new"};
    for (const char* name : ownLeftovers)
        work.Put(name, "half written");
    const char* lookAlikes[] = {"up/NOTES.~tmp.txt", "up/.~tmp", "up/A.DAT.~TMP2", "RSPRM.DAT.new.txt", "OTHER.DAT.new",
                                "down/B.DAT.~tmp"};
    for (const char* name : lookAlikes)
        work.Put(name, "keep me");
    StartSimulator({"--ids", "1"});
    Params("1,1", "", Dir("down"), "OVER", "NEWHISTORY", 1);

    const auto run = Tavelin({"/UP"});
    EXPECT_EQ(Result(), " 0 , 1 ,正常終了\r\n") << run.err;
    EXPECT_EQ(work.Get("up/A.DAT"), "new-a");
    EXPECT_FALSE(work.Has("up/A.DAT.~tmp"));
    EXPECT_FALSE(work.Has("up/LOST.TXT.~tmp"));
    for (const char* name : ownLeftovers)
        EXPECT_FALSE(work.Has(name)) << name;
    for (const char* name : lookAlikes)
        EXPECT_EQ(work.Get(name), "keep me") << name;
}

TEST_F(EndToEnd, LineFaultsNeverCostAByte)
{
    const std::string data = Bytes(6000, 4);
    const struct {
        const char* option;
        const char* number;
    } faults[] = {{"--corrupt-bcc", "4"}, {"--drop", "5"},   {"--noise", "3"},
                  {"--ignore", "6"},      {"--repeat-block", "2"}, {"--repeat-header", "1"}};
    for (const auto& fault : faults) {
        fs::remove_all(work.Path() / "hht");
        fs::remove_all(work.Path() / "up");
        fs::create_directories(work.Path() / "up");
        fs::create_directories(work.Path() / "hht/001");
        work.Put("down/DATA.BIN", data);
        work.Put("hht/001/ORDERS.DAT", data);
        // A fresh simulator for each run, so the fault hits each of them.
        Params("1,1", "", Dir("down"), "OVER", "NEWHISTORY", 1);
        StartSimulator({"--ids", "1", "--resend-ms", "300", fault.option, fault.number});
        Tavelin({"/DOWN"});
        StopSimulator();
        EXPECT_EQ(work.Get("hht/001/DATA.BIN"), data) << fault.option;
        StartSimulator({"--ids", "1", "--resend-ms", "300", fault.option, fault.number});
        Tavelin({"/UP"});
        StopSimulator();
        EXPECT_EQ(work.Get("up/ORDERS.DAT"), data) << fault.option << "\n" << History();
        EXPECT_EQ(Result(), " 0 , 1 ,正常終了\r\n") << fault.option;
    }
}

// A hand-held that stops for a moment in the middle of a file (a flash
// write, a loose cradle) costs the run that moment and a few frames sent
// again, never the rest of the file crossing the line twice.
TEST_F(EndToEnd, APauseOfTheHandHeldCostsThePauseNotTheRestOfTheFile)
{
    const std::string data = Bytes(40000, 5); // 79 blocks, 3.5 s at 115,200 bit/s
    const struct {
        const char* run;
        const char* pause;   // the simulator's option: before the 30th frame, 1.6 s
        const char* counter; // frames the simulator took or sent again
    } directions[] = {{"/DOWN", "--pause-before-received", "repeatedBlocksReceived="},
                      {"/UP", "--pause-before-sent", "resends="}};
    for (const auto& direction : directions) {
        SCOPED_TRACE(direction.run);
        fs::remove_all(work.Path() / "hht");
        fs::create_directories(work.Path() / "hht/001");
        work.Put("down/DATA.BIN", data);
        work.Put("hht/001/ORDERS.DAT", data);
        Params("1,1", "", Dir("down"), "OVER", "NEWHISTORY", 1, "5210005005000"); // 115,200 bit/s, 500 ms
        StartSimulator({"--ids", "1", "--baud", "115200", direction.pause, "30:1600"});
        const auto run = Tavelin({direction.run});
        const std::string stats = StopSimulatorForItsStats();
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(Result(), " 0 , 1 ,正常終了\r\n");
        EXPECT_EQ(work.Get(std::string(direction.run) == "/DOWN" ? "hht/001/DATA.BIN" : "up/ORDERS.DAT"), data);
        const auto at = stats.find(direction.counter);
        ASSERT_NE(at, std::string::npos) << stats;
        EXPECT_LE(std::stoi(stats.substr(at + std::strlen(direction.counter))), 8) << stats;
        EXPECT_NE(stats.find(" pauses=1 "), std::string::npos) << stats;
    }
}

TEST_F(EndToEnd, StopRequestFileBetweenVisitsEndsTheRun)
{
    StartSimulator({"--ids", "1"});
    Params("1,1", "", Dir("down"), "OVER", "NEWHISTORY", 0); // no round limit
    work.Put("ENDPRM.DAT", "2");
    const auto run = Tavelin({"/DOWN"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(Result(), " 0 , 0 ,正常終了\r\n");
}

// ENDPRM.DAT that an earlier stop left behind ends every run at once, with
// a RESULT.DAT line of success that callers parse as ever: standard error
// tells why nothing was served.
TEST_F(EndToEnd, StopRequestLeftFromAnEarlierStopIsSaid)
{
    work.Put("down/ONE.TXT", "hello\r\n");
    StartSimulator({"--ids", "1"});
    Params("1,1", "", Dir("down"), "OVER", "NEWHISTORY", 1);
    for (const std::string request : {"1", "2"}) {
        work.Put("ENDPRM.DAT", request + "\r\n");
        const auto run = Tavelin({"/DOWN"});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(Result(), " 0 , 0 ,正常終了\r\n");
        EXPECT_NE(run.err.find("tavelin: " + work.Text() + "ENDPRM.DAT (" + request +
                               (request == "1" ? ", stop" : ", quit") +
                               ") was already there when the run began, so it ended at once and served no hand-held; "
                               "remove the file before the next run\n"),
                  std::string::npos)
            << run.err;
        EXPECT_FALSE(work.Has("hht/001/ONE.TXT"));
    }
}

// --quiet, as cron and the timers start a run: one that went well says
// nothing, over a paused hand-held and a rough line too; one that did not
// says why and ends with the status it would have had.
TEST_F(EndToEnd, AQuietRunSaysOnlyWhatWentWrong)
{
    work.Put("down/A.DAT", Bytes(3000, 3));
    work.Put("down/B.DAT", "b");
    StartSimulator({"--ids", "1", "--rough", "5", "--pause-before-received", "3:700"});
    Params("1,1", "", Dir("down"), "OVER", "NEWHISTORY", 1);
    auto run = Tavelin({"--quiet", "/DOWN"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(Result(), " 0 , 1 ,正常終了\r\n");
    EXPECT_EQ(work.Get("hht/001/A.DAT"), Bytes(3000, 3));

    // A file the hand-held refuses: its line and the count on standard error.
    StopSimulator();
    StartSimulator({"--ids", "1", "--full-after", "1"});
    run = Tavelin({"/DOWN", "--quiet"});
    EXPECT_EQ(run.exitCode, 6) << run.err;
    EXPECT_EQ(run.out, "");
    const auto at = run.err.find("tavelin: ID 001: ");
    ASSERT_NE(at, std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("tavelin: ID 001: ", at + 1), std::string::npos) << run.err; // only the failed one
    EXPECT_NE(run.err.find("tavelin: 1 file(s) of this run failed"), std::string::npos) << run.err;

    // A run that cannot start.
    run = Tavelin({"--quiet", "/UP"}, Dir("nothing-here") + "tty");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("tavelin: COM1 ("), std::string::npos) << run.err;
    EXPECT_EQ(Result(), "-1 , 1 ,ＣＯＭポートエラー\r\n");
}

// A quit asked mid-transfer, by SIGTERM or by ENDPRM.DAT "2": both must leave
// the same files behind, the hand-held told of the stop, the target of the
// file cut short as it was, and the same RESULT.DAT line. Only the exit status
// tells a signal (4) from the file (0).
class QuitMidTransfer : public EndToEnd {
protected:
    enum class How { Signal, EndParam };
    struct Outcome {
        int exitCode = -1;
        QProcess::ExitStatus exitStatus = QProcess::CrashExit;
        std::string result;
        std::string simulatorLog;
        std::string err;
        std::set<std::string> workFiles;
        std::set<std::string> hhtFiles;
    };

    static std::set<std::string> Names(const fs::path& directory)
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(directory))
            names.insert(entry.path().filename().string());
        return names;
    }

    Outcome Quit(const char* operation, How how)
    {
        for (const char* dir : {"hht", "up", "down"})
            fs::remove_all(work.Path() / dir);
        for (const char* name : {"RESULT.DAT", "HISTORY.DAT", "ENDPRM.DAT"})
            fs::remove(work.Path() / name);
        fs::create_directories(work.Path() / "hht/001");
        fs::create_directories(work.Path() / "up");
        fs::create_directories(work.Path() / "down");
        work.Put("hht/001/A.DAT", Bytes(3000, 1));
        work.Put("hht/001/B.DAT", Bytes(20000, 2)); // about ten seconds on the line
        work.Put("hht/001/BIG.BIN", "the hand-held's older BIG.BIN");
        work.Put("up/B.DAT", "the PC's older B.DAT");
        work.Put("down/BIG.BIN", Bytes(20000, 3));
        StartSimulator({"--ids", "1", "--baud", "19200"}, false);
        Params("1,1", "", Dir("down"), "OVER", "NEWHISTORY", 0);

        QProcess run;
        StartTavelin(run, {operation});
        // /UP: B.DAT is on the line once A.DAT is taken; /DOWN: BIG.BIN right after the poll.
        const std::string cue = std::string(operation) == "/UP" ? "A.DAT (3000 bytes): taken" : "poll: answered";
        std::string log = LogUntil(cue);
        EXPECT_NE(log.find(cue), std::string::npos) << log;
        QThread::msleep(1500); // well into the 20,000 bytes
        if (how == How::Signal)
            run.terminate();
        else
            work.Put("ENDPRM.DAT", "2");
        EXPECT_TRUE(run.waitForFinished(20000));
        log += LogUntil("stopped by the PC", 3000);
        StopSimulator();
        log += simulator.readAllStandardOutput().toStdString();
        fs::remove(work.Path() / "ENDPRM.DAT");
        Outcome outcome{run.exitCode(), run.exitStatus(), Result(), log, run.readAllStandardError().toStdString(),
                        Names(work.Path()), Names(work.Path() / "hht/001")};
        return outcome;
    }
};

TEST_F(QuitMidTransfer, SignalStopsTheTransferAsEndParamQuitDoes)
{
    for (const char* operation : {"/UP", "/DOWN"}) {
        const Outcome byFile = Quit(operation, How::EndParam);
        const Outcome bySignal = Quit(operation, How::Signal);
        EXPECT_EQ(bySignal.exitStatus, QProcess::NormalExit) << operation;
        EXPECT_EQ(bySignal.exitCode, 4) << operation << "\n" << bySignal.err;
        EXPECT_EQ(byFile.exitCode, 0) << operation << "\n" << byFile.err; // a stop asked for is no failed file
        EXPECT_EQ(byFile.err.find("was already there"), std::string::npos) << byFile.err;
        EXPECT_NE(bySignal.simulatorLog.find("stopped by the PC"), std::string::npos) << operation << "\n"
                                                                                         << bySignal.simulatorLog;
        EXPECT_NE(byFile.simulatorLog.find("stopped by the PC"), std::string::npos) << operation;
        EXPECT_EQ(bySignal.result, " 0 , 1 ,正常終了\r\n") << operation;
        EXPECT_EQ(bySignal.result, byFile.result) << operation;
        EXPECT_EQ(bySignal.workFiles, byFile.workFiles) << operation;
        EXPECT_EQ(bySignal.hhtFiles, byFile.hhtFiles) << operation;
        // The files the stopped transfer was to replace are as they were.
        EXPECT_EQ(work.Get("up/B.DAT"), "the PC's older B.DAT") << operation;
        EXPECT_EQ(work.Get("hht/001/BIG.BIN"), "the hand-held's older BIG.BIN") << operation;
        if (std::string(operation) == "/UP") {
            EXPECT_EQ(work.Get("up/A.DAT"), Bytes(3000, 1)); // taken before the quit
            EXPECT_EQ(work.Get("hht/001/B.DAT"), Bytes(20000, 2));
        }
        // Standard output carries history lines only; the start line and the rest go to standard error.
        EXPECT_NE(bySignal.err.find(std::string(operation) + " run on COM1 (" + link), std::string::npos)
            << bySignal.err;
    }
}

// A second signal does not wait for the stop: the program ends at once.
TEST_F(QuitMidTransfer, SecondSignalEndsTheProgramAtOnce)
{
    fs::create_directories(work.Path() / "hht/001");
    work.Put("hht/001/B.DAT", Bytes(20000, 2));
    StartSimulator({"--ids", "1", "--baud", "19200"}, false);
    Params("1,1", "", Dir("down"), "OVER", "NEWHISTORY", 0);
    QProcess run;
    StartTavelin(run, {"/UP"});
    const std::string log = LogUntil("poll: answered");
    QThread::msleep(500);
    run.terminate();
    QThread::msleep(10); // two signals at once would merge into one
    run.terminate();
    ASSERT_TRUE(run.waitForFinished(5000));
    EXPECT_EQ(run.exitStatus(), QProcess::CrashExit); // ended by the signal itself
    EXPECT_FALSE(work.Has("up/B.DAT"));
}

// Processor time of the children that have ended so far.
double ChildrenCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The line goes away under a run without a round limit, in the middle of the
// first exchange, and no wait is allowed: the run ends by itself at once with
// the port error, and spends next to no processor time doing so.
TEST_F(EndToEnd, DeviceGoneEndsTheRunWithThePortError)
{
    work.Put("down/DATA.BIN", Bytes(6000, 5));
    fs::create_directories(work.Path() / "hht/001");
    work.Put("hht/001/ORDERS.DAT", Bytes(6000, 6));
    for (const char* operation : {"/DOWN", "/UP"}) {
        StartSimulator({"--ids", "1", "--close-after", "3"});
        Params("1,1", "", Dir("down"), "OVER", "NEWHISTORY", 0);
        const double cpuBefore = ChildrenCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        const auto run = Tavelin({"--line-wait", "0", operation});
        const auto took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double cpu = ChildrenCpuSeconds() - cpuBefore;
        StopSimulator();
        std::cout << "[ figures  ] " << operation << ": " << took << " s, " << cpu << " s of processor time, exit "
                  << run.exitCode << "\n";
        EXPECT_EQ(Result(), "-1 , 1 ,ＣＯＭポートエラー\r\n") << operation << "\n" << run.err;
        EXPECT_NE(run.err.find("the device went away"), std::string::npos) << run.err;
        EXPECT_LT(took, 5.0) << operation;
        EXPECT_LT(cpu, 1.0) << operation;
    }
}

// Milliseconds since midnight of a simulator log line's "HH:MM:SS.mmm".
long LogMillis(const std::string& line)
{
    int h = 0, m = 0, sec = 0, ms = 0;
    return std::sscanf(line.c_str(), "%d:%d:%d.%d", &h, &m, &sec, &ms) == 4 ? ((h * 60L + m) * 60 + sec) * 1000 + ms
                                                                            : -1;
}

// The hand-held leaves its pseudo-terminal in the middle of the first
// download, as an adapter pulled out, and comes back on a new one at the same
// path 1.5 s later: a batch run of three rounds waits for it, fails only the
// file under way and serves it again in the next round.
TEST_F(EndToEnd, ADeviceThatComesBackLosesNoRun)
{
    work.Put("down/DATA.BIN", Bytes(6000, 5));
    StartSimulator({"--ids", "1", "--away", "4:1500"}, false);
    Params("1,1", "", Dir("down"), "OVER", "NEWHISTORY", 3);
    const auto run = Tavelin({"/DOWN"});
    StopSimulator();
    EXPECT_EQ(Result(), " 0 , 3 ,正常終了\r\n") << run.err;
    EXPECT_EQ(run.exitCode, 6) << run.err; // one file failed
    EXPECT_TRUE(work.Get("hht/001/DATA.BIN") == Bytes(6000, 5));
    const std::string history = History();
    EXPECT_EQ(history.substr(0, 20), "001, 2 ,DATA.BIN, 0 ") << history;
    EXPECT_NE(history.find("001, 2 ,DATA.BIN, 6000 , 0 ,正常終了"), std::string::npos) << history;
    for (const char* said : {"the device went away; waiting up to 300 s", "the device is back after 1."}) {
        const auto at = run.err.find(said);
        EXPECT_NE(at, std::string::npos) << said << "\n" << run.err;
        EXPECT_EQ(run.err.find(said, at + 1), std::string::npos) << said << "\n" << run.err;
    }
    // What the reconnect costs: from the new line to the next poll answered.
    std::istringstream log(simulator.readAllStandardOutput().toStdString());
    long back = -1, served = -1;
    for (std::string line; std::getline(log, line) && served < 0;) {
        if (line.find("tavelin-hhtsim: back on") != std::string::npos)
            back = LogMillis(line);
        else if (back >= 0 && line.find("poll: answered") != std::string::npos)
            served = LogMillis(line);
    }
    ASSERT_TRUE(back >= 0 && served >= 0);
    std::cout << "[ figures  ] from the line's return to the next poll answered: " << served - back << " ms\n";
    EXPECT_LT(served - back, 1000);
}

// A user who never sets a variable: COM1's device was chosen in the settings
// dialog, and a batch run (as from cron) reads the same per-user map; --help
// says which device each COM name got. Unplugged, the error names it.
TEST_F(EndToEnd, BatchRunOpensTheDeviceChosenForItsComName)
{
    work.Put("down/ONE.TXT", "hello\r\n");
    StartSimulator({"--ids", "1"});
    Params("1,1", "", Dir("down"), "OVER", "NEWHISTORY", 1);
    fs::create_directories(config.Path() / "tavelin");
    config.Put("tavelin/tavelin.conf", "[ports]\nCOM1=" + link + "\n");
    comByVariable = false;

    const auto help = Tavelin({"--help"});
    EXPECT_NE(help.out.find("  COM1  " + link + "  (chosen in 設定)\n  COM2  /dev/ttyS1  (default)\n"),
              std::string::npos)
        << help.out;

    const auto run = Tavelin({"/DOWN"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Result(), " 0 , 1 ,正常終了\r\n");
    EXPECT_EQ(work.Get("hht/001/ONE.TXT"), "hello\r\n");
    EXPECT_NE(run.err.find("/DOWN run on COM1 (" + link + " -> /dev/pts/"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(", chosen in 設定), "), std::string::npos) << run.err;

    const std::string gone = "/dev/serial/by-id/usb-tavelin-test-unplugged-if00-port0";
    config.Put("tavelin/tavelin.conf", "[ports]\nCOM1=" + gone + "\n");
    const auto unplugged = Tavelin({"/DOWN"});
    EXPECT_EQ(unplugged.exitCode, 1);
    EXPECT_NE(Result().find("ＣＯＭポートエラー"), std::string::npos) << Result();
    EXPECT_NE(unplugged.err.find("COM1 (" + gone + "): no such device; the system"), std::string::npos)
        << unplugged.err;
    EXPECT_NE(unplugged.err.find("(the device COM1 opens was chosen in 設定 (通信条件))"), std::string::npos)
        << unplugged.err;
}

// A scheduled run under another account has no choice of its own: the one
// saved for all users of the PC stands, after the variable and this user's
// own; the start line and --help say which. The PC's file unreadable leaves
// a COM name without this user's choice with no device.
TEST_F(EndToEnd, ChoiceForThePcComesAfterTheVariableAndTheUsersOwn)
{
    work.Put("down/ONE.TXT", "hello\r\n");
    StartSimulator({"--ids", "1"});
    Params("1,1", "", Dir("down"), "OVER", "NEWHISTORY", 1);
    fs::create_directories(config.Path() / "machine");
    config.Put("machine/tavelin.conf", "[ports]\nCOM1=" + link + "\nCOM2=/dev/ttyUSB7\n");
    comByVariable = false;

    const auto help = Tavelin({"--help"});
    EXPECT_NE(help.out.find("  COM1  " + link + "  (chosen in 設定 for this PC)\n"
                            "  COM2  /dev/ttyUSB7  (chosen in 設定 for this PC)\n"
                            "  COM3  /dev/ttyS2  (default)\n"),
              std::string::npos)
        << help.out;
    const auto run = Tavelin({"/DOWN"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(work.Get("hht/001/ONE.TXT"), "hello\r\n");
    EXPECT_NE(run.err.find("/DOWN run on COM1 (" + link + " -> /dev/pts/"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(", chosen in 設定 for this PC), "), std::string::npos) << run.err;

    // This user's own choice, then the variable, come first.
    fs::create_directories(config.Path() / "tavelin");
    config.Put("tavelin/tavelin.conf", "[ports]\nCOM1=/dev/ttyUSB3\n");
    EXPECT_NE(Tavelin({"--help"}).out.find("  COM1  /dev/ttyUSB3  (chosen in 設定)\n"
                                           "  COM2  /dev/ttyUSB7  (chosen in 設定 for this PC)\n"),
              std::string::npos);
    comByVariable = true;
    EXPECT_NE(Tavelin({"--help"}, "/dev/pts/7").out.find("  COM1  /dev/pts/7  (TAVELIN_COM1)\n"), std::string::npos);
    comByVariable = false;

    const std::string gone = "/dev/serial/by-id/usb-tavelin-test-unplugged-if00-port0";
    fs::remove(config.Path() / "tavelin/tavelin.conf");
    config.Put("machine/tavelin.conf", "[ports]\nCOM1=" + gone + "\n");
    const auto unplugged = Tavelin({"/DOWN"});
    EXPECT_EQ(unplugged.exitCode, 1);
    EXPECT_NE(unplugged.err.find("(the device COM1 opens was chosen in 設定 (通信条件) for all users of this PC)"),
              std::string::npos)
        << unplugged.err;

    fs::remove(config.Path() / "machine/tavelin.conf");
    fs::create_directories(config.Path() / "machine/tavelin.conf");
    const std::string file = "the settings file for all users of this PC " +
                             (config.Path() / "machine/tavelin.conf").string() + " is a folder, not a file";
    const auto unread = Tavelin({"/DOWN"});
    EXPECT_EQ(unread.exitCode, 1);
    EXPECT_EQ(Result(), "-1 , 1 ,ＣＯＭポートエラー\r\n");
    EXPECT_EQ(unread.err.find("/dev/ttyS0"), std::string::npos) << unread.err;
    EXPECT_NE(unread.err.find("tavelin: " + file + "; the devices chosen in 設定 for this PC cannot be used\n"),
              std::string::npos)
        << unread.err;
    config.Put("tavelin/tavelin.conf", "[ports]\nCOM1=" + link + "\n");
    EXPECT_EQ(Tavelin({"/DOWN"}).exitCode, 0); // this user's own choice needs no file of the PC's
}

// A settings file that is there but cannot be read is no "no choice": the
// run says so and ends with the port error rather than trying the standard
// device; --help says why, and neither waits on a FIFO. A COM name with its
// variable set is not touched.
TEST_F(EndToEnd, UnreadableSettingsFileEndsTheRunWithThePortError)
{
    work.Put("down/ONE.TXT", "hello\r\n");
    Params("1,1", "", Dir("down"), "OVER", "NEWHISTORY", 1);
    const fs::path conf = config.Path() / "tavelin" / "tavelin.conf";
    const struct {
        const char* kind;
        std::function<void()> make;
        const char* why;
    } rows[] = {
        {"folder", [&] { fs::create_directories(conf); }, "is a folder, not a file"},
        {"garbage", [&] { config.Put("tavelin/tavelin.conf", "[ports\nCOM1=/dev/ttyUSB0\n"); },
         "is not in the form of a settings file"},
        {"dangling link", [&] { fs::create_symlink(config.Path() / "gone.conf", conf); },
         "is a symbolic link to nothing"},
        {"FIFO", [&] { ASSERT_EQ(::mkfifo(conf.c_str(), 0600), 0); },
         "is not a regular file (a FIFO, socket or device)"},
        {"mode 000",
         [&] {
             config.Put("tavelin/tavelin.conf", "[ports]\nCOM1=/dev/ttyUSB0\n");
             fs::permissions(conf, fs::perms::none);
         },
         "cannot be read (permission denied)"},
    };
    comByVariable = false;
    for (const auto& row : rows) {
        if (std::string(row.kind) == "mode 000" && ::geteuid() == 0)
            continue; // root reads it all the same: link_qt_tests makes that case as an ordinary user
        fs::remove_all(config.Path() / "tavelin");
        fs::create_directories(config.Path() / "tavelin");
        row.make();
        const std::string file = "the settings file " + conf.string() + " " + row.why;

        const auto help = Tavelin({"--help"});
        EXPECT_NE(help.out.find("  COM1  no device  (" + file + ")\n"), std::string::npos) << row.kind << help.out;

        fs::remove(work.Path() / "RESULT.DAT");
        const auto run = Tavelin({"/DOWN"});
        EXPECT_EQ(run.exitCode, 1) << row.kind;
        EXPECT_EQ(Result(), "-1 , 1 ,ＣＯＭポートエラー\r\n") << row.kind;
        EXPECT_EQ(run.err.find("/dev/ttyS0"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("tavelin: " + file + "; the devices chosen in 設定 cannot be used\n"), std::string::npos)
            << run.err;
        EXPECT_NE(run.err.find("tavelin: COM1 (no device): " + file + ", so the device chosen for COM1 is not known"),
                  std::string::npos)
            << run.err;
    }

    // The variable still names COM1's device, whatever the file.
    comByVariable = true;
    const auto help = Tavelin({"--help"}, "/dev/pts/7");
    EXPECT_NE(help.out.find("  COM1  /dev/pts/7  (TAVELIN_COM1)\n"), std::string::npos) << help.out;
}

// The file for all users of the PC that another user than root or this one
// could have written chooses nobody's device: the run ends with the port
// error naming the file and why, as for a file that cannot be read, though
// the device it names is there and answers. Put right, it is used again.
TEST_F(EndToEnd, SettingsFileForAllUsersThatOthersCouldWriteEndsTheRunWithThePortError)
{
    work.Put("down/ONE.TXT", "hello\r\n");
    Params("1,1", "", Dir("down"), "OVER", "NEWHISTORY", 1);
    StartSimulator({"--ids", "1"});
    comByVariable = false;
    const fs::path folder = config.Path() / "machine";
    const fs::path conf = folder / "tavelin.conf";
    const struct {
        const char* kind;
        fs::perms folderMode;
        fs::perms fileMode;
        bool givenAway;
        std::string why;
    } rows[] = {
        {"writable by all", fs::perms(0755), fs::perms(0666), false, "it can be written by every user"},
        {"in an open folder", fs::perms(0777), fs::perms(0644), false,
         "the folder " + folder.string() + " can be written by every user"},
        {"another user's", fs::perms(0755), fs::perms(0644), true,
         "it belongs to the user nobody, neither an administrator nor this user"},
    };
    for (const auto& row : rows) {
        if (row.givenAway && ::geteuid() != 0)
            continue; // only root can give a file away
        fs::remove_all(folder);
        fs::create_directories(folder);
        config.Put("machine/tavelin.conf", "[ports]\nCOM1=" + link + "\n");
        fs::permissions(conf, row.fileMode);
        fs::permissions(folder, row.folderMode);
        if (row.givenAway) {
            const passwd* nobody = ::getpwnam("nobody");
            ASSERT_NE(nobody, nullptr);
            ASSERT_EQ(::chown(conf.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
        }
        const std::string file =
            "the settings file for all users of this PC " + conf.string() + " is open to other users: " + row.why;
        fs::remove(work.Path() / "RESULT.DAT");
        const auto run = Tavelin({"/DOWN"});
        EXPECT_EQ(run.exitCode, 1) << row.kind << run.err;
        EXPECT_EQ(Result(), "-1 , 1 ,ＣＯＭポートエラー\r\n") << row.kind;
        EXPECT_NE(run.err.find("tavelin: " + file + "; the devices chosen in 設定 for this PC cannot be used\n"),
                  std::string::npos)
            << run.err;
        EXPECT_NE(run.err.find("tavelin: COM1 (no device): " + file + ", so the device chosen for COM1 is not known"),
                  std::string::npos)
            << run.err;
        EXPECT_FALSE(work.Has("hht/001/ONE.TXT")) << row.kind;
    }
    fs::permissions(folder, fs::perms(0755));
    ASSERT_EQ(::chown(conf.c_str(), ::getuid(), ::getgid()), 0);
    fs::permissions(conf, fs::perms(0644));
    const auto run = Tavelin({"/DOWN"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(work.Get("hht/001/ONE.TXT"), "hello\r\n");
}

// Device names are opened as the bytes given or refused with the reason: a
// NUL in the settings file does not open the name cut short, a line break in
// the variable does not forge a line of the log, a long name is not called a
// matter of permission, and bytes that are not UTF-8 are not guessed at.
TEST_F(EndToEnd, DeviceNamesAreRefusedWithTheirReasonNeverCutOrGuessed)
{
    work.Put("down/ONE.TXT", "hello\r\n");
    Params("1,1", "", Dir("down"), "OVER", "NEWHISTORY", 1);
    StartSimulator({"--ids", "1"});
    fs::create_directories(config.Path() / "tavelin");
    const std::string longName = Dir("") + std::string(300, 'a');
    const struct {
        std::string conf;     // COM1's line in [ports], when the variable is not used
        std::string variable; // else TAVELIN_COM1
        std::string shown;    // how the log names the device
        std::string refusal;
    } rows[] = {
        {link + "\\0junk", "", link + "\\x00junk", "holds a NUL byte"},
        {"", link + "\ntavelin: forged", link + "\\ntavelin: forged", "holds a control character"},
        {"", longName, longName, "is too long (" + std::to_string(longName.size()) + " bytes; at most 250)"},
        {link + "\xff", "", link + "\xEF\xBF\xBD", "is not valid UTF-8"},
    };
    for (const auto& row : rows) {
        comByVariable = !row.variable.empty();
        config.Put("tavelin/tavelin.conf", "[ports]\nCOM1=" + row.conf + "\n");
        fs::remove(work.Path() / "RESULT.DAT");
        const auto run = Tavelin({"/DOWN"}, row.variable);
        EXPECT_EQ(run.exitCode, 1) << run.err;
        EXPECT_EQ(Result(), "-1 , 1 ,ＣＯＭポートエラー\r\n") << row.shown;
        EXPECT_NE(run.err.find("tavelin: COM1 (" + row.shown + "): refused: the device name " + row.refusal),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(run.err.find("\ntavelin: forged"), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("permission denied"), std::string::npos) << run.err;
    }
    EXPECT_FALSE(work.Has("hht/001/ONE.TXT")); // the simulator behind the cut name was never reached
    // Nor was its port locked: no lock file is left for it.
    std::string lockName = link;
    std::replace(lockName.begin(), lockName.end(), '/', '_');
    EXPECT_FALSE(fs::exists("/var/lock/LCK.." + lockName)) << lockName;
}

TEST_F(EndToEnd, RunFailuresLeaveTheirResultCode)
{
    work.Put("down/X.DAT", "x");
    StartSimulator({"--ids", "1"});
    const struct {
        std::string downDir;
        std::string comPath;
        const char* result;
        std::string said; // on standard error
    } rows[] = {
        {Dir("down"), Dir("nothing-here") + "tty", "-1 , 1 ,ＣＯＭポートエラー\r\n", ""},
        {Dir("missing-dir"), "", "-1 , 4 ,データパラメータエラー\r\n",
         "DIRPRM.DAT line 2: the download folder " + Dir("missing-dir") + " is not there; the run ends with code 4 in "
         "RESULT.DAT\n"},
        {Dir("down") + "NOFILE.DAT", "", "-1 , 4 ,データパラメータエラー\r\n",
         "DIRPRM.DAT line 2: the file to download " + Dir("down") + "NOFILE.DAT is not there"},
        {Path("down").toStdString(), "", "-1 , 4 ,データパラメータエラー\r\n",
         "DIRPRM.DAT line 2: the file to download " + Path("down").toStdString() +
             " is a folder: end it with / to send the files in it"},
    };
    for (const auto& row : rows) {
        Params("1,1", "", row.downDir, "OVER", "NEWHISTORY", 1);
        const auto run = Tavelin({"/DOWN"}, row.comPath);
        EXPECT_EQ(Result(), row.result) << row.downDir;
        if (!row.said.empty()) {
            EXPECT_NE(run.err.find("tavelin: " + work.Text() + row.said), std::string::npos) << run.err;
        }
    }
    // A communication code out of range is refused before the port is touched.
    Params("1,1", "", Dir("down"), "OVER", "NEWHISTORY", 1, "2310005008000");
    Tavelin({"/DOWN"});
    EXPECT_EQ(Result(), "-1 , 2 ,通信条件パラメータエラー\r\n");
}

} // namespace
} // namespace tavelin
