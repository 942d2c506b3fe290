// SPDX-License-Identifier: MIT
// Runs the built program as a batch job would: in a temporary work
// directory, without a display, with a private runtime directory so that
// tests running side by side never see each other's instance lock.
#include "settings/codepage.h"
#include "temp_dir.h"

#include <QLockFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace tavelin {
namespace {

class Program : public ::testing::Test {
protected:
    Program() { std::filesystem::permissions(runtime.Path(), std::filesystem::perms::owner_all); }

    struct Run {
        int exitCode = -1;
        std::string standardError;
        std::string standardOutput;
    };

    Run Start(const QStringList& arguments) const
    {
        QProcess process;
        auto env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.Path().string()));
        // No test reaches a real serial device by accident.
        const std::string port = comPath.empty() ? (work.Path() / "no-such-port").string() : comPath;
        env.insert("TAVELIN_COM1", QString::fromStdString(port));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(QString::fromStdString(work.Path().string()));
        process.start(TAVELIN_PROGRAM, arguments);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(20000));
        return {process.exitCode(), process.readAllStandardError().toStdString(),
                process.readAllStandardOutput().toStdString()};
    }

    // RESULT.DAT without its date and time stamps.
    std::string ResultTail() const
    {
        const std::string line = settings::Cp932ToUtf8(work.Get("RESULT.DAT"));
        return line.size() > 18 ? line.substr(18) : line;
    }

    static std::size_t Count(const std::string& text, const std::string& part)
    {
        std::size_t count = 0;
        for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
            ++count;
        return count;
    }

    void PutGoodFiles() const
    {
        work.Put("RSPRM.DAT", "2210005008000\r\n");
        work.Put("HHTPRM.DAT", "1,3\r\n");
        work.Put("DIRPRM.DAT", "/ap/A.HEX\r\n/down/\r\n/up/\r\nOVER\r\nNEWHISTORY\r\n1\r\n");
    }

    testing::TempDir work;
    testing::TempDir runtime;
    std::string comPath; // the serial device of TAVELIN_COM1; none when empty
};

TEST_F(Program, StartupFailuresInBatchRunsLeaveTheirResultCode)
{
    const struct {
        const char* file;
        const char* content;
        const char* tail;
    } rows[] = {
        {"RSPRM.DAT", "2210005008009", "-1 , 2 ,通信条件パラメータエラー\r\n"},
        {"HHTPRM.DAT", "5,1", "-1 , 3 ,ＨＨＴアドレスパラメータエラー\r\n"},
        {"DIRPRM.DAT", "", "-1 , 4 ,データパラメータエラー\r\n"},
        {"RSPRM.DAT", "0210005008002", "-1 , 6 ,通信ﾊﾟﾗﾒｰﾀﾌｧｲﾙのﾎﾞｰﾚｰﾄ項目が範囲外です。\r\n"},
    };
    for (const auto& row : rows) {
        PutGoodFiles();
        work.Put(row.file, row.content);
        const auto run = Start({"/DOWN"});
        EXPECT_EQ(run.exitCode, 1) << row.content;
        EXPECT_EQ(ResultTail(), row.tail) << row.content;
    }
}

TEST_F(Program, OutOfRangeMessageGoesToStandardErrorWithoutADisplay)
{
    PutGoodFiles();
    work.Put("RSPRM.DAT", "2210005008009");
    const auto run = Start({"/up", "/icon"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.standardError.find("通信ﾊﾟﾗﾒｰﾀﾌｧｲﾙの設定値が範囲外です。"), std::string::npos) << run.standardError;
}

TEST_F(Program, SecondInstanceSaysSoAndEndsBeforeReadingAnyFile)
{
    QLockFile held(QString::fromStdString((runtime.Path() / "tavelin.lock").string()));
    ASSERT_TRUE(held.tryLock(0));
    work.Put("RSPRM.DAT", "bad");
    const auto run = Start({"/DOWN"});
    EXPECT_EQ(run.exitCode, 3);
    // The holder's lock file names this test's process first.
    EXPECT_NE(run.standardError.find("another copy is already running (process " + std::to_string(getpid()) + ")"),
              std::string::npos)
        << run.standardError;
    EXPECT_FALSE(work.Has("RESULT.DAT"));

    held.unlock(); // once the first copy is gone, the next one runs
    EXPECT_EQ(Start({"/DOWN"}).exitCode, 1);
    EXPECT_TRUE(work.Has("RESULT.DAT"));
}

TEST_F(Program, LockOfACrashedRunIsTakenOver)
{
    // A lock file as a run leaves it, naming a process that no longer exists.
    const auto lockPath = runtime.Path() / "tavelin.lock";
    {
        QLockFile model(QString::fromStdString(lockPath.string()));
        ASSERT_TRUE(model.tryLock(0));
        std::filesystem::copy_file(lockPath, runtime.Path() / "model");
    }
    QProcess gone;
    gone.start("true");
    ASSERT_TRUE(gone.waitForStarted());
    const auto deadPid = gone.processId();
    ASSERT_TRUE(gone.waitForFinished());
    std::string content = runtime.Get("model");
    content.replace(0, content.find('\n'), std::to_string(deadPid));
    runtime.Put("tavelin.lock", content);

    PutGoodFiles();
    EXPECT_EQ(Start({"/DOWN"}).exitCode, 1); // it ran: the port error of the missing device
    EXPECT_EQ(ResultTail(), "-1 , 1 ,ＣＯＭポートエラー\r\n");
}

TEST_F(Program, LockFileLeftEmptyOrGarbledOrUnusableNeverBlocksARun)
{
    PutGoodFiles();
    for (const std::string content : {"", "\xFF\xFEgarbage", "0\n", "not a pid\nx\ny\n"}) {
        runtime.Put("tavelin.lock", content);
        const auto run = Start({"/DOWN"});
        EXPECT_EQ(run.exitCode, 1) << run.standardError; // ran, and met the missing device
        EXPECT_EQ(run.standardError.find("lock file"), std::string::npos) << run.standardError;
    }

    // A lock that cannot be used at all is said, and the run goes on.
    std::filesystem::remove(runtime.Path() / "tavelin.lock");
    std::filesystem::create_directory(runtime.Path() / "tavelin.lock");
    const auto run = Start({"/DOWN"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.standardError.find("cannot use the lock file"), std::string::npos) << run.standardError;
    EXPECT_EQ(ResultTail(), "-1 , 1 ,ＣＯＭポートエラー\r\n");
}

TEST_F(Program, ParameterFilesThatAreNoRegularFilesCountAsMissing)
{
    // Each stands in for a missing file: the defaults lead to COM1, which is
    // not there, so each run must end and leave that result.
    for (const char* name : {"RSPRM.DAT", "HHTPRM.DAT", "DIRPRM.DAT"}) {
        for (const bool fifo : {false, true}) {
            PutGoodFiles();
            std::filesystem::remove(work.Path() / name);
            if (fifo)
                ASSERT_EQ(mkfifo((work.Path() / name).c_str(), 0600), 0);
            else
                std::filesystem::create_directory(work.Path() / name);
            std::filesystem::remove(work.Path() / "RESULT.DAT");
            const auto run = Start({"/DOWN"});
            EXPECT_EQ(run.exitCode, 1) << name << " fifo " << fifo << "\n" << run.standardError;
            EXPECT_EQ(ResultTail(), "-1 , 1 ,ＣＯＭポートエラー\r\n") << name << " fifo " << fifo;
            std::filesystem::remove(work.Path() / name);
        }
    }
}

TEST_F(Program, ResultThatCannotBeWrittenIsSaidAndEndsWithStatusFive)
{
    // A directory in its place: unwritable even for root.
    std::filesystem::create_directory(work.Path() / "RESULT.DAT");
    for (const char* rsprm : {"2210005008000", "2210005008009"}) { // a run, and a start-up check that fails
        PutGoodFiles();
        work.Put("RSPRM.DAT", rsprm);
        const auto run = Start({"/DOWN"});
        EXPECT_EQ(run.exitCode, 5) << rsprm;
        EXPECT_EQ(Count(run.standardError, "RESULT.DAT could not be written"), 1u) << run.standardError;
    }
}

TEST_F(Program, HistoryIsDeletedAtTheStartOfABatchRun)
{
    PutGoodFiles();
    work.Put("HISTORY.DAT", "001, 2 ,OLD.TXT, 1 , 0 ,x\r\n");
    const auto run = Start({"/DOWN"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_FALSE(work.Has("HISTORY.DAT"));
    // The run itself then fails on the port that is not there.
    EXPECT_EQ(ResultTail(), "-1 , 1 ,ＣＯＭポートエラー\r\n");
    EXPECT_NE(run.standardError.find("no-such-port"), std::string::npos) << run.standardError;
}

#ifdef TAVELIN_SIMULATOR
// Runs that reach a hand-held: only they write history lines.
class ProgramWithHandHeld : public Program {
protected:
    ProgramWithHandHeld()
    {
        std::filesystem::create_directories(work.Path() / "down");
        std::filesystem::create_directories(work.Path() / "hht");
        comPath = (work.Path() / "ttyHHT").string();
        const QString hht = QString::fromStdString((work.Path() / "hht").string());
        simulator.start(TAVELIN_SIMULATOR, {"--ids", "1", "--dir", hht, "--link", QString::fromStdString(comPath), "--quiet"});
        EXPECT_TRUE(simulator.waitForStarted());
        for (int i = 0; i < 100 && !std::filesystem::exists(comPath); ++i)
            QThread::msleep(20);
        EXPECT_TRUE(std::filesystem::exists(comPath));
        work.Put("RSPRM.DAT", "2210005008000\r\n");
        work.Put("HHTPRM.DAT", "1,1\r\n");
        work.Put("DIRPRM.DAT", "\r\n" + (work.Path() / "down").string() + "/\r\n/up/\r\nOVER\r\nNEWHISTORY\r\n1\r\n");
    }
    ~ProgramWithHandHeld() override
    {
        simulator.terminate();
        if (!simulator.waitForFinished(5000))
            simulator.kill();
    }
    std::string History() const { return settings::Cp932ToUtf8(work.Get("HISTORY.DAT")); }

    QProcess simulator;
};

TEST_F(ProgramWithHandHeld, AFileNameWithALineBreakCannotForgeAHistoryLine)
{
    work.Put("down/GOOD.TXT", "data");
    work.Put("down/A\r\n001, 2 ,FORGED.TXT, 4 , 0 ,正常終了", "data");
    const auto run = Start({"/DOWN"});
    EXPECT_EQ(run.exitCode, 0) << run.standardError;
    // The start line says what the run does and how to end it; standard output stays for history lines.
    EXPECT_NE(run.standardError.find("tavelin: /DOWN run on COM1 (" + comPath + " -> /dev/pts/"), std::string::npos)
        << run.standardError;
    EXPECT_NE(run.standardError.find("polling IDs 1, 1 round(s); to stop, write 1 (stop) or 2 (quit) into "),
              std::string::npos)
        << run.standardError;
    EXPECT_EQ(run.standardOutput.find("tavelin:"), std::string::npos) << run.standardOutput;
    const std::string history = History();
    EXPECT_EQ(Count(history, "\r\n"), 2u) << history;
    EXPECT_EQ(Count(history, "\n"), 2u) << history;
    EXPECT_NE(history.find("001, 2 ,GOOD.TXT, 4 , 0 ,正常終了\r\n"), std::string::npos) << history;
    EXPECT_NE(history.find("001, 2 ,A??001, 2 ,FORGED.TXT, 4 , 0 ,正常終了, 0 ,-5 ,ファイルＩ／Ｏエラー\r\n"),
              std::string::npos)
        << history;
    // The batch log on standard output gets the same single line.
    EXPECT_NE(run.standardOutput.find("ID 001: A??001, 2 ,FORGED.TXT"), std::string::npos) << run.standardOutput;
    EXPECT_EQ(run.standardOutput.find("\n001, 2 ,FORGED"), std::string::npos) << run.standardOutput;
}

TEST_F(ProgramWithHandHeld, HistoryThatCannotBeWrittenIsSaidOnceAndEndsWithStatusFive)
{
    work.Put("down/ONE.TXT", "1");
    work.Put("down/TWO.TXT", "22");
    std::filesystem::create_directory(work.Path() / "HISTORY.DAT"); // unwritable even for root, and never removed
    const auto run = Start({"/DOWN"});
    EXPECT_EQ(run.exitCode, 5);
    EXPECT_EQ(Count(run.standardError, "HISTORY.DAT"), 1u) << run.standardError;
    EXPECT_NE(run.standardError.find("2 line(s) could not be written"), std::string::npos) << run.standardError;
    EXPECT_TRUE(std::filesystem::is_directory(work.Path() / "HISTORY.DAT"));
    // The run itself went well, and says so where it is asked.
    EXPECT_EQ(ResultTail(), " 0 , 1 ,正常終了\r\n");
    EXPECT_EQ(work.Get("hht/001/TWO.TXT"), "22");
}
#endif

// --help and --version answer and end: they take no lock (one is held here,
// which would end a run with status 3), read and write nothing, even beside
// a run switch.
TEST_F(Program, HelpAndVersionStartNothingAndTouchNoFile)
{
    PutGoodFiles();
    work.Put("ENDPRM.DAT", "2");
    const auto listing = [](const std::filesystem::path& dir) {
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            files[entry.path().filename().string()] =
                std::to_string(std::filesystem::last_write_time(entry.path()).time_since_epoch().count());
        return files;
    };
    QLockFile held(QString::fromStdString((runtime.Path() / "tavelin.lock").string()));
    ASSERT_TRUE(held.tryLock(0));
    const auto workBefore = listing(work.Path());
    const auto runtimeBefore = listing(runtime.Path());

    for (const QStringList& arguments : {QStringList{"--help"}, QStringList{"/DOWN", "--help"}}) {
        const auto run = Start(arguments);
        EXPECT_EQ(run.exitCode, 0) << run.standardError;
        EXPECT_EQ(run.standardError, "");
        for (const char* part : {"/APIN", "/DOWN", "/UP", "/ICON", "RSPRM.DAT", "HHTPRM.DAT", "DIRPRM.DAT", "RESULT.DAT",
                                 "HISTORY.DAT", "ENDPRM.DAT", "TAVELIN_COM1", "TAVELIN_COM4", "TAVELIN_TRACE=FILE",
                                 "SIGTERM", "Exit status", "  4  a signal ended the run", "  5  "})
            EXPECT_NE(run.standardOutput.find(part), std::string::npos) << part;
    }
    for (const QStringList& arguments : {QStringList{"--version"}, QStringList{"/UP", "--version"}}) {
        const auto run = Start(arguments);
        EXPECT_EQ(run.exitCode, 0) << run.standardError;
        EXPECT_EQ(run.standardOutput.rfind("Tavelin Ver1.17\nQt " QT_VERSION_STR "\n", 0), 0u) << run.standardOutput;
    }
    EXPECT_EQ(listing(work.Path()), workBefore);
    EXPECT_EQ(listing(runtime.Path()), runtimeBefore);
#ifdef TAVELIN_SIMULATOR
    QProcess simulator;
    simulator.start(TAVELIN_SIMULATOR, {"--version"});
    ASSERT_TRUE(simulator.waitForFinished(5000));
    EXPECT_EQ(simulator.exitCode(), 0);
    EXPECT_EQ(simulator.readAllStandardOutput().toStdString(), "tavelin-hhtsim (Tavelin Ver1.17)\n");
#endif
}

// A COM name whose device is missing: the result code stays, standard error
// names the device and what the system has instead.
TEST_F(Program, MissingDeviceIsNamedWithTheSystemsSerialDevices)
{
    PutGoodFiles();
    const auto run = Start({"/DOWN"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(ResultTail(), "-1 , 1 ,ＣＯＭポートエラー\r\n");
    const std::string device = (work.Path() / "no-such-port").string();
    EXPECT_NE(run.standardError.find("COM1 (" + device + "): no such device; the system"), std::string::npos)
        << run.standardError;
    EXPECT_NE(run.standardError.find("TAVELIN_COM1 names the device COM1 opens"), std::string::npos)
        << run.standardError;
    EXPECT_EQ(run.standardOutput, "");
}

// The manual window on a display of its own: a signal closes it as its close
// button does (TAV0001.INF written), and the status says a signal ended it.
TEST_F(Program, SignalClosesTheManualWindowAsItsCloseButtonDoes)
{
    if (!std::filesystem::exists("/usr/bin/Xvfb"))
        GTEST_SKIP() << "no Xvfb";
    const int number = 200 + int(getpid() % 700);
    const QString display = ":" + QString::number(number);
    QProcess server;
    server.start("/usr/bin/Xvfb", {display, "-nolisten", "tcp", "-screen", "0", "800x600x24"});
    const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
    for (int i = 0; i < 100 && !std::filesystem::exists(socket); ++i)
        QThread::msleep(50);
    if (!std::filesystem::exists(socket))
        GTEST_SKIP() << "Xvfb did not start on " << display.toStdString();

    PutGoodFiles();
    QProcess program;
    auto env = QProcessEnvironment::systemEnvironment();
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    env.insert("DISPLAY", display);
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.Path().string()));
    env.insert("TAVELIN_COM1", QString::fromStdString((work.Path() / "no-such-port").string()));
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(QString::fromStdString(work.Path().string()));
    program.start(TAVELIN_PROGRAM, {});
    EXPECT_FALSE(program.waitForFinished(1500)); // the window is up and waits for its operator
    program.terminate();
    EXPECT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 4) << program.readAllStandardError().toStdString();
    EXPECT_TRUE(work.Has("TAV0001.INF"));
    EXPECT_FALSE(work.Has("RESULT.DAT"));
    server.terminate();
    server.waitForFinished(5000);
}

TEST_F(Program, ManualModeNeedsADisplay)
{
    PutGoodFiles();
    const auto run = Start({});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.standardError.find("needs a display"), std::string::npos);
}

} // namespace
} // namespace tavelin
