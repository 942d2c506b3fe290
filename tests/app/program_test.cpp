// SPDX-License-Identifier: MIT
// Runs the built program as a batch job would: in a temporary work
// directory, without a display, with a private runtime directory so that
// tests running side by side never see each other's instance lock.
#include "app/single_instance.h"
#include "settings/codepage.h"
#include "support/not_a_file.h"
#include "support/temp_dir.h"

#include <QDataStream>
#include <QLockFile>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QSettings>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <vector>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavelin {
namespace {

class Program : public ::testing::Test {
protected:
    // A simulated hand-held with `options` on a pseudo-terminal linked at
    // `folder`/ttyHHT, its files in `folder`/hht; true once the link is there.
    static bool StartSimulator(QProcess& simulator, const std::filesystem::path& folder, QStringList options)
    {
        const std::filesystem::path link = folder / "ttyHHT";
        options << "--dir" << QString::fromStdString((folder / "hht").string()) << "--link"
                << QString::fromStdString(link.string()) << "--quiet";
        simulator.start(TAVELIN_SIMULATOR, options);
        if (!simulator.waitForStarted())
            return false;
        for (int i = 0; i < 100 && !std::filesystem::exists(link); ++i)
            QThread::msleep(20);
        return std::filesystem::exists(link);
    }
    // Hand-held 7 at its own speed on a pseudo-terminal that COM1 names.
    bool StartHandHeld7(QProcess& simulator, const char* baud)
    {
        comPath = (work.Path() / "ttyHHT").string();
        return StartSimulator(simulator, work.Path(), {"--ids", "7", "--baud", baud});
    }
    Program() { std::filesystem::permissions(runtime.Path(), std::filesystem::perms::owner_all); }

    struct Run {
        int exitCode = -1;
        std::string standardError;
        std::string standardOutput;
        qint64 processId = 0;
    };

    // What a scheduler, a shell or a desktop may hand the program besides
    // its arguments.
    struct Surroundings {
        std::map<QString, QString> environment;
        std::function<void()> inChild;                  // runs in the child just before the program
        std::function<void(QProcess&)> onceStarted;     // runs here as soon as the program runs
    };

    Run Start(const QStringList& arguments, const Surroundings& surroundings = {}, int waitMs = 20000) const
    {
        QProcess process;
        Launch(process, arguments, surroundings);
        if (surroundings.onceStarted && process.processId() != 0)
            surroundings.onceStarted(process);
        return Finish(process, waitMs);
    }

    // Starts the program as Start does, without waiting for it to end.
    void Launch(QProcess& process, const QStringList& arguments, const Surroundings& surroundings = {}) const
    {
        auto env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.Path().string()));
        // No test reaches a real serial device by accident.
        const std::string port = comPath.empty() ? (work.Path() / "no-such-port").string() : comPath;
        env.insert("TAVELIN_COM1", QString::fromStdString(port));
        for (const auto& [name, value] : surroundings.environment)
            env.insert(name, value);
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(QString::fromStdString(work.Path().string()));
        if (surroundings.inChild)
            process.setChildProcessModifier(surroundings.inChild);
        process.start(TAVELIN_PROGRAM, arguments);
        EXPECT_TRUE(process.waitForStarted());
    }

    // The end of a program Launch started.
    static Run Finish(QProcess& process, int waitMs = 20000)
    {
        const qint64 processId = process.processId();
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(waitMs));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << "ended by a signal";
        return {process.exitCode(), process.readAllStandardError().toStdString(),
                process.readAllStandardOutput().toStdString(), processId};
    }

    // An X server of this test's own (800x600), ended with the test; the
    // display's name, or an empty text (the test failed) when none can run.
    QString Display()
    {
        const int number = 200 + int(getpid() % 700);
        const QString display = ":" + QString::number(number);
        if (xserver.state() != QProcess::NotRunning)
            return display;
        if (!std::filesystem::exists("/usr/bin/Xvfb")) {
            ADD_FAILURE() << "no X server for this test: Xvfb (Debian package xvfb, installed by make setup) is needed";
            return {};
        }
        xserver.start("/usr/bin/Xvfb", {display, "-nolisten", "tcp", "-screen", "0", "800x600x24"});
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
        for (int i = 0; i < 100 && !std::filesystem::exists(socket); ++i)
            QThread::msleep(50);
        if (std::filesystem::exists(socket))
            return display;
        ADD_FAILURE() << "Xvfb did not start on " << display.toStdString();
        return {};
    }
    ~Program() override
    {
        xserver.terminate();
        xserver.waitForFinished(5000);
    }

    // A window (or a box) on `display` that is given a moment to come up
    // and then asked to close as a signal asks; `home` holds the user's
    // settings when given.
    static Surroundings ClosedOnceUp(const QString& display, const testing::TempDir* home = nullptr)
    {
        Surroundings window{{{"DISPLAY", display}}, {}, [](QProcess& program) {
                                EXPECT_FALSE(program.waitForFinished(1500)); // up, and waiting for its operator
                                program.terminate();
                            }};
        if (home) {
            window.environment["HOME"] = QString::fromStdString(home->Path().string());
            window.environment["XDG_CONFIG_HOME"] = QString::fromStdString((home->Path() / "config").string());
        }
        return window;
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

    // Root reads a file whatever its mode: a case that needs the refusal runs
    // the program as the user "nobody", to whom the work and runtime folders
    // (as they stand now) are given. Anyone else runs it as themselves.
    Surroundings AsOrdinaryUser() const
    {
        if (geteuid() != 0)
            return {};
        const passwd* nobody = getpwnam("nobody");
        if (nobody == nullptr) {
            ADD_FAILURE() << "no user nobody to run the program as";
            return {};
        }
        const uid_t uid = nobody->pw_uid;
        const gid_t gid = nobody->pw_gid;
        for (const auto* dir : {&work, &runtime}) {
            EXPECT_EQ(lchown(dir->Path().c_str(), uid, gid), 0);
            for (const auto& entry : std::filesystem::recursive_directory_iterator(dir->Path()))
                EXPECT_EQ(lchown(entry.path().c_str(), uid, gid), 0) << entry.path();
        }
        const QString home = QString::fromStdString(runtime.Path().string());
        return {{{"HOME", home}, {"XDG_CONFIG_HOME", home + "/config"}, {"TAVELIN_MACHINE_CONF", home + "/none.conf"}},
                [uid, gid] {
                    if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0)
                        _exit(126);
                },
                {}};
    }

    // The name of the lock file of the work folder `folder`.
    static std::string LockName(const testing::TempDir& folder)
    {
        return app::SingleInstance::LockName(QString::fromStdString(folder.Path().string())).toStdString();
    }

    testing::TempDir work;
    testing::TempDir runtime;
    QProcess xserver;
    std::string comPath; // the serial device of TAVELIN_COM1; none when empty
};

TEST_F(Program, StartupFailuresInBatchRunsLeaveTheirResultCode)
{
    const struct {
        const char* file;
        const char* content;
        const char* tail;
        const char* said; // on standard error, after the work folder
    } rows[] = {
        {"RSPRM.DAT", "2210005008009", "-1 , 2 ,通信条件パラメータエラー\r\n", ""},
        {"HHTPRM.DAT", "5,1", "-1 , 3 ,ＨＨＴアドレスパラメータエラー\r\n", ""},
        {"DIRPRM.DAT", "", "-1 , 4 ,データパラメータエラー\r\n",
         "DIRPRM.DAT has 0 of its 6 lines: line 1 (the application file) is missing; the start ends with code 4 in "
         "RESULT.DAT\n"},
        {"DIRPRM.DAT", "/ap/A.HEX\n/down/\n/up/\nOVER\nNEWHISTORY", "-1 , 4 ,データパラメータエラー\r\n",
         "DIRPRM.DAT has 5 of its 6 lines: line 6 (the number of rounds) is missing"},
        {"RSPRM.DAT", "0210005008002", "-1 , 6 ,通信ﾊﾟﾗﾒｰﾀﾌｧｲﾙのﾎﾞｰﾚｰﾄ項目が範囲外です。\r\n", ""},
    };
    for (const auto& row : rows) {
        PutGoodFiles();
        work.Put(row.file, row.content);
        const auto run = Start({"/DOWN"});
        EXPECT_EQ(run.exitCode, 1) << row.content;
        EXPECT_EQ(ResultTail(), row.tail) << row.content;
        if (*row.said) {
            EXPECT_NE(run.standardError.find("tavelin: " + work.Path().string() + "/" + row.said), std::string::npos)
                << run.standardError;
        }
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
    QLockFile held(QString::fromStdString((runtime.Path() / LockName(work)).string()));
    ASSERT_TRUE(held.tryLock(0));
    work.Put("RSPRM.DAT", "bad");
    const auto run = Start({"/DOWN"});
    EXPECT_EQ(run.exitCode, 3);
    // The holder's lock file names this test's process first.
    EXPECT_NE(run.standardError.find("another copy is already running in the work folder " +
                                     std::filesystem::canonical(work.Path()).string() + " (process " +
                                     std::to_string(getpid()) + ")"),
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
    const auto lockPath = runtime.Path() / LockName(work);
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
    runtime.Put(LockName(work), content);

    PutGoodFiles();
    EXPECT_EQ(Start({"/DOWN"}).exitCode, 1); // it ran: the port error of the missing device
    EXPECT_EQ(ResultTail(), "-1 , 1 ,ＣＯＭポートエラー\r\n");
}

TEST_F(Program, LockFileLeftEmptyOrGarbledNeverBlocksARunButOneThatCannotBeUsedDoes)
{
    PutGoodFiles();
    for (const std::string content : {"", "\xFF\xFEgarbage", "0\n", "not a pid\nx\ny\n"}) {
        runtime.Put(LockName(work), content);
        const auto run = Start({"/DOWN"});
        EXPECT_EQ(run.exitCode, 1) << run.standardError; // ran, and met the missing device
        EXPECT_EQ(run.standardError.find("lock file"), std::string::npos) << run.standardError;
    }

    // A lock that cannot be used at all may be another copy's: said, and no run.
    std::filesystem::remove(runtime.Path() / LockName(work));
    std::filesystem::remove(work.Path() / "RESULT.DAT");
    std::filesystem::create_directory(runtime.Path() / LockName(work));
    const auto run = Start({"/DOWN"});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.standardError.find("cannot use the lock file"), std::string::npos) << run.standardError;
    EXPECT_NE(run.standardError.find("another copy may be running"), std::string::npos) << run.standardError;
    EXPECT_FALSE(work.Has("RESULT.DAT"));
}

// Without XDG_RUNTIME_DIR (under cron), or with a relative one, or one that
// another user could empty (open to others, another user's, a link), the
// lock lives in a folder of the user's own in the temporary directory, where
// no other user can plant a link or a file. A folder there that is a link, a
// file, open to others or another user's cannot hold it, and then the run
// ends as beside another copy: never a run without the check.
TEST_F(Program, LockWithoutARuntimeDirLivesInAPrivateFolderOrNoRunStarts)
{
    testing::TempDir temp;
    const QString tempDir = QString::fromStdString(temp.Path().string());
    const Surroundings cron{{{"XDG_RUNTIME_DIR", ""}, {"TMPDIR", tempDir}}, {}, {}};
    const auto folder = temp.Path() / ("tavelin-" + std::to_string(getuid()));
    const auto elsewhere = temp.Path() / "elsewhere";
    std::filesystem::create_directory(elsewhere);
    // Where the lock used to be, planted by another user: no matter now.
    std::filesystem::create_symlink(elsewhere / "x", temp.Path() / ("tavelin-" + std::to_string(getuid()) + ".lock"));
    PutGoodFiles();
    // Runtime folders the lock must not trust, each made by its row.
    const auto untrusted = temp.Path() / "runtime";
    const auto runtimeIn = [&](std::function<void()> make) {
        return std::pair{Surroundings{{{"XDG_RUNTIME_DIR", QString::fromStdString(untrusted.string())},
                                       {"TMPDIR", tempDir}},
                                      {},
                                      {}},
                         make};
    };
    const auto privateFolder = [&](std::filesystem::perms mode) {
        std::filesystem::create_directory(untrusted);
        std::filesystem::permissions(untrusted, mode);
    };
    std::vector<std::pair<Surroundings, std::function<void()>>> rows = {
        {cron, [] {}},
        {Surroundings{{{"XDG_RUNTIME_DIR", "rt"}, {"TMPDIR", tempDir}}, {}, {}}, [] {}},
        runtimeIn([&] { privateFolder(std::filesystem::perms::all); }),
        runtimeIn([&] { privateFolder(std::filesystem::perms::owner_all | std::filesystem::perms::group_all); }),
        runtimeIn([&] {
            privateFolder(std::filesystem::perms::owner_all);
            std::filesystem::rename(untrusted, temp.Path() / "own");
            std::filesystem::create_directory_symlink(temp.Path() / "own", untrusted);
        }),
    };
    if (geteuid() == 0) // only root can give a folder away
        rows.push_back(runtimeIn([&] {
            privateFolder(std::filesystem::perms::owner_all);
            ASSERT_EQ(chown(untrusted.c_str(), 65534, 65534), 0);
        }));
    for (std::size_t row = 0; row < rows.size(); ++row) {
        for (const auto& made : {folder, untrusted, temp.Path() / "own"})
            std::filesystem::remove_all(made);
        rows[row].second();
        const auto run = Start({"/DOWN"}, rows[row].first);
        EXPECT_EQ(run.exitCode, 1) << row << run.standardError; // ran, and met the missing device
        EXPECT_EQ(run.standardError.find("lock"), std::string::npos) << row << run.standardError;
        EXPECT_EQ(std::filesystem::symlink_status(folder).type(), std::filesystem::file_type::directory) << row;
        EXPECT_EQ(std::filesystem::status(folder).permissions(), std::filesystem::perms::owner_all) << row;
        EXPECT_EQ(temp.Get(folder.filename() / LockName(work)),
                  std::to_string(run.processId) + "\n" + std::filesystem::canonical(work.Path()).string() + "\n")
            << row;
        EXPECT_FALSE(std::filesystem::exists(untrusted / LockName(work))) << row;
    }
    EXPECT_FALSE(work.Has("rt")); // a relative runtime folder is none: no stray folder in the work folder

    std::vector<std::function<void()>> plants = {
        [&] { std::filesystem::create_directory_symlink(elsewhere, folder); },
        [&] { std::ofstream(folder) << "x"; },
        [&] {
            std::filesystem::create_directory(folder);
            std::filesystem::permissions(folder, std::filesystem::perms::all);
        },
    };
    if (geteuid() == 0) // only root can give a folder away
        plants.push_back([&] {
            std::filesystem::create_directory(folder);
            std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
            ASSERT_EQ(chown(folder.c_str(), 65534, 65534), 0);
        });
    for (std::size_t row = 0; row < plants.size(); ++row) {
        std::filesystem::remove_all(folder);
        std::filesystem::remove(work.Path() / "RESULT.DAT");
        plants[row]();
        const auto run = Start({"/DOWN"}, cron);
        EXPECT_EQ(run.exitCode, 3) << row << run.standardError;
        EXPECT_NE(run.standardError.find("another copy may be running"), std::string::npos) << row << run.standardError;
        EXPECT_FALSE(work.Has("RESULT.DAT")) << row;
        EXPECT_FALSE(std::filesystem::exists(elsewhere / LockName(work))) << row;
    }
    std::filesystem::remove_all(folder);
}

// A TMPDIR that is relative (a folder of wherever the run is) or names no
// folder is none: the lock's folder, and the runtime folder named for Qt,
// are then in /tmp, never in "/" (where root could make them) nor in the
// work folder.
TEST_F(Program, LockWithAnUnusableTmpdirLivesInTmp)
{
    const std::string uid = std::to_string(getuid());
    const std::vector<std::filesystem::path> strays = {"/tavelin-" + uid, "/runtime-" + uid,
                                                       work.Path() / "tmp" / ("tavelin-" + uid),
                                                       work.Path() / "tmp" / ("runtime-" + uid)};
    for (const auto& stray : strays)
        ASSERT_FALSE(std::filesystem::exists(stray)) << stray << " is there before the test";
    std::filesystem::create_directory(work.Path() / "tmp");
    PutGoodFiles();
    for (const std::string& tmpdir :
         std::vector<std::string>{"tmp", "/nonexistent-tavelin-tmpdir", (work.Path() / "RSPRM.DAT").string()}) {
        const auto run =
            Start({"/DOWN"}, {{{"XDG_RUNTIME_DIR", ""}, {"TMPDIR", QString::fromStdString(tmpdir)}}, {}, {}});
        EXPECT_EQ(run.exitCode, 1) << tmpdir << run.standardError; // ran, and met the missing device
        EXPECT_EQ(run.standardError.find("lock"), std::string::npos) << tmpdir << run.standardError;
        for (const auto& stray : strays) {
            EXPECT_FALSE(std::filesystem::exists(stray)) << tmpdir << ": " << stray;
            std::filesystem::remove_all(stray); // as root, "/" would otherwise keep it
        }
        EXPECT_EQ(std::filesystem::symlink_status("/tmp/tavelin-" + uid + "/" + LockName(work)).type(),
                  std::filesystem::file_type::regular)
            << tmpdir;
    }
}

// A parameter file that is there but cannot be read is no missing file: the
// defaults it would leave (COM1; the work folder, parameter files and all,
// as the download folder) must never run. The start ends with the file's
// code and says why; only a file that is truly missing stands for them.
TEST_F(Program, ParameterFilesThatCannotBeReadEndTheStartWithTheirCode)
{
    const struct {
        const char* name;
        int code;
        const char* tail;
    } files[] = {
        {"RSPRM.DAT", 2, "-1 , 2 ,通信条件パラメータエラー\r\n"},
        {"HHTPRM.DAT", 3, "-1 , 3 ,ＨＨＴアドレスパラメータエラー\r\n"},
        {"DIRPRM.DAT", 4, "-1 , 4 ,データパラメータエラー\r\n"},
    };
    std::vector<testing::NotAFile> kinds = testing::NotAFileKinds();
    kinds.insert(kinds.begin(), {"mode 000",
                                 [](const std::filesystem::path& path) {
                                     std::ofstream(path) << "1\r\n";
                                     std::filesystem::permissions(path, std::filesystem::perms::none);
                                 },
                                 "cannot be read (permission denied)"});
    for (const auto& file : files) {
        const auto path = work.Path() / file.name;
        for (const auto& kind : kinds) {
            PutGoodFiles();
            std::filesystem::remove(path);
            kind.make(path);
            std::filesystem::remove(work.Path() / "RESULT.DAT");
            const auto run = Start({"/DOWN"}, AsOrdinaryUser());
            EXPECT_EQ(run.exitCode, 1) << file.name << " " << kind.kind << "\n" << run.standardError;
            EXPECT_EQ(ResultTail(), file.tail) << file.name << " " << kind.kind;
            EXPECT_NE(run.standardError.find("tavelin: " + path.string() + " " + kind.why + "; the start ends with code " +
                                             std::to_string(file.code) + " in RESULT.DAT\n"),
                      std::string::npos)
                << run.standardError;
            std::filesystem::remove(path);
        }
        // Missing: the defaults, whose COM1 is not there here.
        const auto run = Start({"/DOWN"}, AsOrdinaryUser());
        EXPECT_EQ(run.exitCode, 1) << file.name;
        EXPECT_EQ(ResultTail(), "-1 , 1 ,ＣＯＭポートエラー\r\n") << file.name;
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
        comPath = (work.Path() / "ttyHHT").string();
        EXPECT_TRUE(StartSite(simulator, work, {}));
    }
    // A site in `folder`: hand-held 1 with `options` on its own
    // pseudo-terminal (folder/ttyHHT), and parameter files that send down/.
    static bool StartSite(QProcess& simulator, const testing::TempDir& folder, const QStringList& options)
    {
        std::filesystem::create_directories(folder.Path() / "down");
        std::filesystem::create_directories(folder.Path() / "hht");
        folder.Put("RSPRM.DAT", "2210005008000\r\n");
        folder.Put("HHTPRM.DAT", "1,1\r\n");
        folder.Put("DIRPRM.DAT",
                   "\r\n" + (folder.Path() / "down").string() + "/\r\n/up/\r\nOVER\r\nNEWHISTORY\r\n1\r\n");
        return StartSimulator(simulator, folder.Path(), QStringList{"--ids", "1"} + options);
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

// The scan finds a hand-held at 38400 bit/s with ID 7 on a line configured
// for 19200, where its answers at the other speeds arrive garbled; the
// speeds tried are the RS-232C cable's six, and nothing is written.
TEST_F(Program, ScanNamesTheHandHeldsSpeedAndIdAndWritesNothing)
{
    QProcess simulator;
    ASSERT_TRUE(StartHandHeld7(simulator, "38400"));
    PutGoodFiles(); // 19200, N,8,1, RS-232C, PollTimeout 50 ms
    const auto run = Start({"--scan", "com1"}, {}, 60000);
    simulator.terminate();
    simulator.waitForFinished(5000);

    EXPECT_EQ(run.exitCode, 0) << run.standardError;
    EXPECT_EQ(run.standardOutput, "38400 bit/s, N,8,1, RS-232C: ID 007\n");
    EXPECT_NE(run.standardError.find("scan 6/6: COM1 at 115200 bit/s"), std::string::npos) << run.standardError;
    for (const char* file : {"RESULT.DAT", "HISTORY.DAT", "RSPRM.DAT.new", "TAV0001.INF"})
        EXPECT_FALSE(std::filesystem::exists(work.Path() / file)) << file;
    EXPECT_EQ(work.Get("RSPRM.DAT"), "2210005008000\r\n");
}

// A stop from outside ends the scan after the poll under way, long before
// the 46 s a silent line may take, and says what it left.
TEST_F(Program, ScanStopsOnASignalAndOnEndParam)
{
    QProcess simulator;
    ASSERT_TRUE(StartHandHeld7(simulator, "115200"));
    PutGoodFiles();
    QElapsedTimer clock;
    clock.start();
    const auto signalled = Start({"--scan"}, {{}, {}, [](QProcess& program) {
                                                   EXPECT_FALSE(program.waitForFinished(1000));
                                                   program.terminate();
                                               }});
    EXPECT_EQ(signalled.exitCode, 1);
    EXPECT_NE(signalled.standardError.find("stopped by a signal"), std::string::npos) << signalled.standardError;
    // Within a second the scan is at the first speed: the rest of it, and the other five, are named.
    EXPECT_NE(signalled.standardError.find("not polled: IDs "), std::string::npos) << signalled.standardError;
    EXPECT_NE(signalled.standardError.find("not polled: 5 settings from 9600 bit/s, N,8,1, RS-232C on"),
              std::string::npos)
        << signalled.standardError;
    const auto ended = Start({"--scan"}, {{}, {}, [this](QProcess& program) {
                                              EXPECT_FALSE(program.waitForFinished(1000));
                                              work.Put("ENDPRM.DAT", "1");
                                          }});
    EXPECT_NE(ended.standardError.find("stopped (ENDPRM.DAT)"), std::string::npos) << ended.standardError;
    EXPECT_LT(clock.elapsed(), 10000);
    simulator.terminate();
    simulator.waitForFinished(5000);
}

TEST_F(Program, ScanWithoutAnAnswerEndsWithStatusOne)
{
    PutGoodFiles(); // COM1 names a device that is not there
    const auto run = Start({"--scan"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.standardOutput, "");
    EXPECT_NE(run.standardError.find("no hand-held answered"), std::string::npos) << run.standardError;
    EXPECT_EQ(Start({"--scan", "COM5"}).exitCode, 2);
}

TEST_F(ProgramWithHandHeld, AFileNameWithALineBreakCannotForgeAHistoryLine)
{
    work.Put("down/GOOD.TXT", "data");
    work.Put("down/A\r\n001, 2 ,FORGED.TXT, 4 , 0 ,正常終了", "data");
    const auto run = Start({"/DOWN"});
    // The name refused is a file that failed.
    EXPECT_EQ(run.exitCode, 6) << run.standardError;
    EXPECT_NE(run.standardError.find("tavelin: 1 file(s) of this run failed"), std::string::npos) << run.standardError;
    // The start line says what the run does and how to end it; standard output stays for history lines.
    EXPECT_NE(run.standardError.find("tavelin: /DOWN run on COM1 (" + comPath + " -> /dev/pts/"), std::string::npos)
        << run.standardError;
    EXPECT_NE(run.standardError.find("polling IDs 1, 1 round(s); to stop, write 1 (stop) or 2 (quit) into "),
              std::string::npos)
        << run.standardError;
    EXPECT_NE(run.standardError.find("ENDPRM.DAT or send SIGINT (Ctrl+C), SIGTERM or SIGHUP\n"), std::string::npos)
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

// Standard output and error whose reader has gone (`tavelin /DOWN | head -0`):
// the lines written there are lost, the run is not.
TEST_F(ProgramWithHandHeld, ADeadOutputPipeNeverEndsTheRun)
{
    work.Put("down/GOOD.TXT", "data");
    int ends[2];
    ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
    close(ends[0]); // the reader is gone before the program writes its first line
    const int writeEnd = ends[1];
    const auto run = Start({"/DOWN"}, {{}, [writeEnd] {
                                           dup2(writeEnd, 1);
                                           dup2(writeEnd, 2);
                                       },
                                       {}});
    close(writeEnd);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(ResultTail(), " 0 , 1 ,正常終了\r\n");
    EXPECT_EQ(History(), "001, 2 ,GOOD.TXT, 4 , 0 ,正常終了\r\n");
    EXPECT_EQ(work.Get("hht/001/GOOD.TXT"), "data");
}

// Started with standard descriptors closed: nothing the program opens may
// take their numbers, or history and start lines would land in it.
TEST_F(ProgramWithHandHeld, ClosedStandardDescriptorsAreNoPlaceForItsFiles)
{
    work.Put("down/GOOD.TXT", "data");
    auto run = Start({"/DOWN"}, {{}, [] {
                                     close(1);
                                     close(2);
                                 },
                                 {}});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(ResultTail(), " 0 , 1 ,正常終了\r\n");
    const std::string lock = runtime.Get(LockName(work));
    EXPECT_EQ(lock, std::to_string(run.processId) + "\n" + std::filesystem::canonical(work.Path()).string() + "\n")
        << lock; // its owner and folder, nothing else

    const std::string trace = (work.Path() / "trace.txt").string();
    run = Start({"/DOWN"}, {{{"TAVELIN_TRACE", QString::fromStdString(trace)}}, [] {
                                close(0);
                                close(1);
                                close(2);
                            },
                            {}});
    EXPECT_EQ(run.exitCode, 0);
    const std::string traced = work.Get("trace.txt");
    EXPECT_NE(traced.find(" ms sent C 001 0 "), std::string::npos) << traced;
    EXPECT_EQ(traced.find("tavelin:"), std::string::npos) << traced;
    EXPECT_EQ(traced.find("GOOD.TXT :"), std::string::npos) << traced;
    EXPECT_EQ(runtime.Get(LockName(work)),
              std::to_string(run.processId) + "\n" + std::filesystem::canonical(work.Path()).string() + "\n");
    EXPECT_EQ(History(), "001, 2 ,GOOD.TXT, 4 , 0 ,正常終了\r\n");
}

// A stop signal that comes the moment the program starts (held back here
// until the program takes it, as a blocked mask inherited from the starter
// holds it) quits the run as ENDPRM.DAT "2" does: this run's RESULT.DAT line,
// never an earlier run's, and status 4.
TEST_F(ProgramWithHandHeld, StopSignalAtTheStartQuitsTheRunAsEndParamDoes)
{
    work.Put("DIRPRM.DAT", "\r\n" + (work.Path() / "down").string() + "/\r\n/up/\r\nOVER\r\nNEWHISTORY\r\n0\r\n");
    const std::string earlier = settings::Utf8ToCp932("99/01/01,00:00:00, 0 , 7 ,正常終了\r\n");
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
        work.Put("RESULT.DAT", earlier);
        const auto run = Start({"/UP"}, {{}, [number] {
                                             sigset_t held;
                                             sigemptyset(&held);
                                             sigaddset(&held, number);
                                             sigprocmask(SIG_BLOCK, &held, nullptr);
                                         },
                                         [number](QProcess& program) { kill(pid_t(program.processId()), number); }});
        EXPECT_EQ(run.exitCode, 4) << number << run.standardError;
        EXPECT_EQ(ResultTail(), " 0 , 0 ,正常終了\r\n") << number;
        EXPECT_NE(work.Get("RESULT.DAT"), earlier) << number;
    }
}

// History of earlier runs whose last line has no line end (a lone CR, a
// lone LF, a lead byte without its second byte, or nothing): this run's
// first line starts on a line of its own.
TEST_F(ProgramWithHandHeld, HistoryLineNeverGluesOntoAnUnendedLastLine)
{
    work.Put("down/GOOD.TXT", "data");
    work.Put("DIRPRM.DAT", "\r\n" + (work.Path() / "down").string() + "/\r\n/up/\r\nOVER\r\nADDHISTORY\r\n1\r\n");
    const std::string line = settings::Utf8ToCp932("001, 2 ,GOOD.TXT, 4 , 0 ,正常終了\r\n");
    const std::string old = "001, 2 ,OLD.TXT, 1 , 0 ,x";
    for (const std::string tail : {"", "\r", "\n", "\x82", "\r\n"}) {
        work.Put("HISTORY.DAT", old + tail);
        const auto run = Start({"/DOWN"});
        EXPECT_EQ(run.exitCode, 0) << run.standardError;
        const std::string history = work.Get("HISTORY.DAT");
        const std::string expected = tail == "\r\n" ? old + tail + line : old + tail + "\r\n" + line;
        EXPECT_EQ(history, expected) << ::testing::PrintToString(tail);
    }
}

// Logs that are symbolic links are not written through, whether they name a
// file outside or one that is not there yet: what they name stays as it was,
// and the run says so and ends with status 5.
TEST_F(ProgramWithHandHeld, LogsThatAreSymbolicLinksAreNotWrittenThrough)
{
    work.Put("down/GOOD.TXT", "data");
    work.Put("DIRPRM.DAT", "\r\n" + (work.Path() / "down").string() + "/\r\n/up/\r\nOVER\r\nADDHISTORY\r\n1\r\n");
    testing::TempDir outside;
    outside.Put("outside.txt", "keep\n");
    for (const bool dangling : {false, true}) {
        const auto target = outside.Path() / (dangling ? "not-there.txt" : "outside.txt");
        std::filesystem::remove(work.Path() / "RESULT.DAT");
        std::filesystem::remove(work.Path() / "HISTORY.DAT");
        std::filesystem::create_symlink(target, work.Path() / "RESULT.DAT");
        std::filesystem::create_symlink(target, work.Path() / "HISTORY.DAT");
        const auto run = Start({"/DOWN"});
        EXPECT_EQ(run.exitCode, 5) << run.standardError;
        EXPECT_NE(run.standardError.find("RESULT.DAT could not be written (a symbolic link, never written through)"),
                  std::string::npos)
            << run.standardError;
        EXPECT_NE(run.standardError.find("1 line(s) could not be written to " + work.Text() +
                                         "HISTORY.DAT (a symbolic link, never written through)"),
                  std::string::npos)
            << run.standardError;
        EXPECT_EQ(outside.Get("outside.txt"), "keep\n");
        EXPECT_FALSE(outside.Has("not-there.txt"));
        EXPECT_TRUE(std::filesystem::is_symlink(work.Path() / "RESULT.DAT"));
        EXPECT_EQ(work.Get("hht/001/GOOD.TXT"), "data"); // the run itself went well
    }
}

// A file-size limit (`ulimit -f`) refuses writes; it must not end the run.
// An upload that does not fit fails with its history line and leaves no
// temporary file; a HISTORY.DAT at the limit takes no line, and RESULT.DAT,
// which still fits, says how the run went; status 5 says what is missing.
TEST_F(ProgramWithHandHeld, AFileSizeLimitFailsTheWriteNotTheRun)
{
    const auto limited = [](rlim_t bytes) {
        return [bytes] {
            std::signal(SIGXFSZ, SIG_DFL); // as a shell hands it on
            const rlimit limit{bytes, bytes};
            setrlimit(RLIMIT_FSIZE, &limit);
        };
    };
    std::filesystem::create_directory(work.Path() / "up");
    work.Put("DIRPRM.DAT", "\r\n" + (work.Path() / "down").string() + "/\r\n" + (work.Path() / "up").string() +
                               "/\r\nOVER\r\nNEWHISTORY\r\n1\r\n");
    std::filesystem::create_directories(work.Path() / "hht" / "001");
    work.Put("hht/001/BIG.DAT", std::string(6000, 'x'));
    auto run = Start({"/UP"}, {{}, limited(4096), {}});
    EXPECT_NE(History().find("001, 3 ,BIG.DAT, 0 ,-5 ,ファイルＩ／Ｏエラー\r\n"), std::string::npos) << History();
    EXPECT_FALSE(std::filesystem::exists(work.Path() / "up" / "BIG.DAT"));
    for (const auto& entry : std::filesystem::directory_iterator(work.Path()))
        EXPECT_NE(entry.path().filename().string().rfind("UPTMP.", 0), 0u) << entry.path();
    EXPECT_TRUE(work.Has("RESULT.DAT"));
    EXPECT_NE(run.exitCode, 5) << run.standardError;

    std::filesystem::remove(work.Path() / "hht" / "001" / "BIG.DAT");
    work.Put("down/GOOD.TXT", "data");
    work.Put("DIRPRM.DAT", "\r\n" + (work.Path() / "down").string() + "/\r\n/up/\r\nOVER\r\nADDHISTORY\r\n1\r\n");
    work.Put("HISTORY.DAT", std::string(4094, 'h') + "\r\n");
    run = Start({"/DOWN"}, {{}, limited(4096), {}});
    EXPECT_EQ(run.exitCode, 5) << run.standardError;
    EXPECT_NE(run.standardError.find("1 line(s) could not be written"), std::string::npos) << run.standardError;
    EXPECT_EQ(ResultTail(), " 0 , 1 ,正常終了\r\n");
    EXPECT_EQ(work.Get("HISTORY.DAT").size(), 4096u);

    std::filesystem::remove(work.Path() / "RESULT.DAT");
    run = Start({"/DOWN"}, {{}, limited(0), {}}); // not even RESULT.DAT fits
    EXPECT_EQ(run.exitCode, 5) << run.standardError;
    EXPECT_NE(run.standardError.find("RESULT.DAT could not be written"), std::string::npos) << run.standardError;
}

// A low limit on open files (`ulimit -n`) once let GLib end a run with
// SIGTRAP halfway, leaving no RESULT.DAT: what is free is counted before Qt
// starts, and too little ends the start with a line and status 1, nothing
// written. A limit with room enough runs.
TEST_F(ProgramWithHandHeld, TooFewFreeDescriptorsEndTheStartWithALineNotACrash)
{
    work.Put("down/GOOD.TXT", "data");
    const auto limited = [](rlim_t files) {
        return [files] {
            const rlimit limit{files, files};
            setrlimit(RLIMIT_NOFILE, &limit);
        };
    };
    for (const rlim_t files : {9, 10}) {
        const auto run = Start({"/UP"}, {{}, limited(files), {}});
        EXPECT_EQ(run.exitCode, 1) << files << run.standardError;
        EXPECT_NE(run.standardError.find(" more files can be opened (ulimit -n) where 10 are needed; nothing was read or "
                                         "written\n"),
                  std::string::npos)
            << run.standardError;
        EXPECT_FALSE(work.Has("RESULT.DAT")) << files;
    }
    const auto run = Start({"/DOWN"}, {{}, limited(64), {}});
    EXPECT_EQ(run.exitCode, 0) << run.standardError;
    EXPECT_EQ(ResultTail(), " 0 , 1 ,正常終了\r\n");
}

// A file the run could not put in place fails with its history line; the
// run itself went on and RESULT.DAT counts the hand-held served as ever, so
// only the status (6) and a line on standard error tell a scheduler.
TEST_F(ProgramWithHandHeld, AFileThatFailedEndsTheRunWithStatusSix)
{
    std::filesystem::create_directories(work.Path() / "hht" / "001");
    std::filesystem::create_directories(work.Path() / "up" / "B.DAT"); // a folder where the upload goes
    work.Put("hht/001/A.DAT", "a");
    work.Put("hht/001/B.DAT", "b");
    work.Put("DIRPRM.DAT", "\r\n/down/\r\n" + (work.Path() / "up").string() + "/\r\nOVER\r\nNEWHISTORY\r\n1\r\n");
    const auto run = Start({"/UP"});
    EXPECT_EQ(run.exitCode, 6) << run.standardError;
    EXPECT_EQ(ResultTail(), " 0 , 1 ,正常終了\r\n");
    EXPECT_NE(History().find("001, 3 ,B.DAT, 0 ,-1 ,異常終了\r\n"), std::string::npos) << History();
    EXPECT_EQ(work.Get("up/A.DAT"), "a");
    EXPECT_NE(run.standardError.find("tavelin: 1 file(s) of this run failed; the history lines with a result other than "
                                     "0 say which\n"),
              std::string::npos)
        << run.standardError;
}
// Two sites on one PC, each with its work folder and its cradle on its own
// line, run at the same time; their hand-helds pause, so the runs overlap.
TEST_F(ProgramWithHandHeld, RunsInTwoFoldersOnTwoDevicesGoSideBySide)
{
    testing::TempDir other;
    QProcess otherHandHeld;
    ASSERT_TRUE(StartSite(otherHandHeld, other, {"--pause-before-received", "2:1500"}));
    simulator.terminate();
    simulator.waitForFinished(5000);
    ASSERT_TRUE(StartSite(simulator, work, {"--pause-before-received", "2:1500"}));
    work.Put("down/ONE.TXT", "first site\r\n");
    other.Put("down/TWO.TXT", std::string("second\0site", 11));

    QProcess first;
    QProcess second;
    Launch(first, {"/DOWN"});
    Launch(second, {"--workdir", QString::fromStdString(other.Path().string()), "/DOWN"},
           {{{"TAVELIN_COM1", QString::fromStdString((other.Path() / "ttyHHT").string())}}, {}, {}});
    const Run runs[] = {Finish(first), Finish(second)};
    for (const Run& run : runs)
        EXPECT_EQ(run.exitCode, 0) << run.standardError;
    EXPECT_EQ(work.Get("hht/001/ONE.TXT"), "first site\r\n");
    EXPECT_EQ(other.Get("hht/001/TWO.TXT"), std::string("second\0site", 11));
    EXPECT_EQ(ResultTail(), " 0 , 1 ,正常終了\r\n");
    otherHandHeld.terminate();
    otherHandHeld.waitForFinished(5000);
}

// While a run holds its folder and its device (its hand-held pauses), a
// second run in the same folder, and a run and a scan in another folder on
// the same device, all end with status 3, each naming what it found held and by
// which process; the first run goes on undisturbed.
TEST_F(ProgramWithHandHeld, ASecondRunInTheSameFolderOrOnTheSameDeviceEndsWithStatusThree)
{
    simulator.terminate();
    simulator.waitForFinished(5000);
    ASSERT_TRUE(StartSite(simulator, work, {"--pause-before-received", "2:3000"}));
    work.Put("down/GOOD.TXT", "data");
    QProcess first;
    Launch(first, {"/DOWN"});
    const std::string pid = std::to_string(first.processId());
    for (int i = 0; i < 100 && !work.Has("TAV0001.INF") && !work.Has("HISTORY.DAT"); ++i)
        QThread::msleep(20); // under way
    QThread::msleep(300);

    const Run sameFolder = Start({"/DOWN"});
    EXPECT_EQ(sameFolder.exitCode, 3) << sameFolder.standardError;
    EXPECT_NE(sameFolder.standardError.find("another copy is already running in the work folder " +
                                            std::filesystem::canonical(work.Path()).string() + " (process " + pid +
                                            ")"),
              std::string::npos)
        << sameFolder.standardError;

    testing::TempDir other;
    QProcess unused;
    ASSERT_TRUE(StartSite(unused, other, {}));
    const Run sameDevice = Start({"--workdir", QString::fromStdString(other.Path().string()), "/DOWN"});
    EXPECT_EQ(sameDevice.exitCode, 3) << sameDevice.standardError;
    EXPECT_NE(sameDevice.standardError.find("COM1 (" + comPath), std::string::npos) << sameDevice.standardError;
    EXPECT_NE(sameDevice.standardError.find("in use by process " + pid + " (tavelin)"), std::string::npos)
        << sameDevice.standardError;
    EXPECT_EQ(settings::Cp932ToUtf8(other.Get("RESULT.DAT")).substr(18), "-1 , 1 ,ＣＯＭポートエラー\r\n");
    const Run scan = Start({"--workdir", QString::fromStdString(other.Path().string()), "--scan", "com1"});
    EXPECT_EQ(scan.exitCode, 3) << scan.standardError;
    EXPECT_NE(scan.standardError.find("in use by process " + pid + " (tavelin)"), std::string::npos)
        << scan.standardError;

    const Run run = Finish(first);
    EXPECT_EQ(run.exitCode, 0) << run.standardError;
    EXPECT_EQ(work.Get("hht/001/GOOD.TXT"), "data");
    unused.terminate();
    unused.waitForFinished(5000);
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
    QLockFile held(QString::fromStdString((runtime.Path() / LockName(work)).string()));
    ASSERT_TRUE(held.tryLock(0));
    const auto workBefore = listing(work.Path());
    const auto runtimeBefore = listing(runtime.Path());

    for (const QStringList& arguments : {QStringList{"--help"}, QStringList{"/DOWN", "--help"}}) {
        const auto run = Start(arguments);
        EXPECT_EQ(run.exitCode, 0) << run.standardError;
        EXPECT_EQ(run.standardError, "");
        for (const char* part : {"/APIN", "/DOWN", "/UP", "/ICON", "RSPRM.DAT", "HHTPRM.DAT", "DIRPRM.DAT", "RESULT.DAT",
                                 "HISTORY.DAT", "ENDPRM.DAT", "TAVELIN_COM1", "TAVELIN_COM4", "TAVELIN_TRACE=FILE",
                                 "SIGTERM", "Exit status", "  4  a signal ended the run", "  5  ",
                                 "  6  a batch run ended normally, but a file of it failed", "--workdir DIR",
                                 "--desktop", "XDG_DATA_HOME", "--scan-all [COMn]", "at most 46 s"})
            EXPECT_NE(run.standardOutput.find(part), std::string::npos) << part;
    }
    for (const QStringList& arguments : {QStringList{"--version"}, QStringList{"/UP", "--version"}}) {
        const auto run = Start(arguments);
        EXPECT_EQ(run.exitCode, 0) << run.standardError;
        EXPECT_EQ(run.standardOutput.rfind("tavelin 1.17\nQt " QT_VERSION_STR "\n", 0), 0u) << run.standardOutput;
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
    const QString display = Display();
    ASSERT_FALSE(display.isEmpty());
    PutGoodFiles();
    const auto run = Start({}, ClosedOnceUp(display));
    EXPECT_EQ(run.exitCode, 4) << run.standardError;
    EXPECT_TRUE(work.Has("TAV0001.INF"));
    EXPECT_FALSE(work.Has("RESULT.DAT"));
}

// A message box waiting for its OK (a start-up error of a batch run on a
// display, a manual-mode message) gives way to a signal: the box closes and
// the run ends as a signal ends it, whether the signal came before the box
// or while it waited.
TEST_F(Program, SignalClosesAMessageBoxThatWaits)
{
    const QString display = Display();
    ASSERT_FALSE(display.isEmpty());
    const Surroundings onDisplay = ClosedOnceUp(display); // the box waits for its OK

    PutGoodFiles();
    work.Put("RSPRM.DAT", "2210005008009"); // out of range: RESULT.DAT code 2 and a box
    auto run = Start({"/DOWN"}, onDisplay);
    EXPECT_EQ(run.exitCode, 1) << run.standardError;
    EXPECT_EQ(ResultTail(), "-1 , 2 ,通信条件パラメータエラー\r\n");

    std::filesystem::remove(work.Path() / "RESULT.DAT");
    PutGoodFiles();
    work.Put("HHTPRM.DAT", "5,1\r\n9,2\r\n"); // manual mode: a box for each bad range, then the window
    run = Start({}, onDisplay);
    EXPECT_EQ(run.exitCode, 4) << run.standardError;
    EXPECT_TRUE(work.Has("TAV0001.INF")); // the window came and closed as its close button closes it
    EXPECT_FALSE(work.Has("RESULT.DAT"));
}

// A batch run's box that nobody answers ends the run after its bound with
// the code the check wrote, as an answer would (the bound shortened here).
TEST_F(Program, BatchRunBoxThatNobodyAnswersEndsTheRunByItself)
{
    const QString display = Display();
    ASSERT_FALSE(display.isEmpty());
    const Surroundings onDisplay{{{"DISPLAY", display}, {"TAVELIN_BOX_WAIT_MS", "700"}}, {}, {}};
    const struct {
        const char* rsprm;
        const char* tail;
    } rows[] = {
        {"2210005008009", "-1 , 2 ,通信条件パラメータエラー\r\n"},                          // out of range
        {"0210005008002", "-1 , 6 ,通信ﾊﾟﾗﾒｰﾀﾌｧｲﾙのﾎﾞｰﾚｰﾄ項目が範囲外です。\r\n"}, // a forbidden speed
    };
    for (const auto& row : rows) {
        PutGoodFiles();
        work.Put("RSPRM.DAT", row.rsprm);
        const auto run = Start({"/DOWN"}, onDisplay, 15000);
        EXPECT_EQ(run.exitCode, 1) << run.standardError;
        EXPECT_EQ(ResultTail(), row.tail);
        EXPECT_NE(run.standardError.find("nobody answered the message box within 0.7 s"), std::string::npos)
            << run.standardError;
    }
}

// A DISPLAY that names no reachable X server: a batch run goes on without a
// display, its messages on standard error; manual mode ends as without one.
TEST_F(Program, DisplayThatCannotBeReachedCountsAsNoDisplay)
{
    int number = 97;
    while (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number)))
        ++number;
    const Surroundings unreachable{{{"DISPLAY", ":" + QString::number(number)}}, {}, {}};
    PutGoodFiles();
    work.Put("RSPRM.DAT", "2210005008009");
    auto run = Start({"/DOWN"}, unreachable);
    EXPECT_EQ(run.exitCode, 1) << run.standardError;
    EXPECT_EQ(ResultTail(), "-1 , 2 ,通信条件パラメータエラー\r\n");
    EXPECT_NE(run.standardError.find("通信ﾊﾟﾗﾒｰﾀﾌｧｲﾙの設定値が範囲外です。"), std::string::npos) << run.standardError;

    PutGoodFiles();
    run = Start({"/UP"}, unreachable);
    EXPECT_EQ(run.exitCode, 1) << run.standardError;
    EXPECT_EQ(ResultTail(), "-1 , 1 ,ＣＯＭポートエラー\r\n");

    std::filesystem::remove(work.Path() / "RESULT.DAT");
    run = Start({}, unreachable);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.standardError.find("manual mode needs a display"), std::string::npos) << run.standardError;
    EXPECT_FALSE(work.Has("RESULT.DAT"));
}

// A FIFO as the trace file, with nobody reading it: the run never waits for
// a reader; it says so and goes on without a trace.
TEST_F(Program, TraceFifoWithoutAReaderNeverHoldsTheRun)
{
    PutGoodFiles();
    const auto fifo = work.Path() / "trace.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const auto run = Start({"/DOWN"}, {{{"TAVELIN_TRACE", QString::fromStdString(fifo.string())}}, {}, {}});
    EXPECT_EQ(run.exitCode, 1) << run.standardError;
    EXPECT_EQ(ResultTail(), "-1 , 1 ,ＣＯＭポートエラー\r\n");
    EXPECT_NE(run.standardError.find("trace"), std::string::npos) << run.standardError;
}

// A trace that names a file of the run, however named, would mix its lines
// into what other programs read there: it is refused with a line, and the
// run goes on without one. Any other file takes the trace.
TEST_F(Program, TraceNamingAFileOfTheRunIsRefusedAndTheRunGoesOn)
{
    PutGoodFiles();
    work.Put("RESULT.DAT", "old\r\n");
    work.Put("HISTORY.DAT", "old\r\n");
    std::filesystem::create_directory(work.Path() / "sub");
    std::filesystem::create_symlink(work.Path() / "DIRPRM.DAT", work.Path() / "to-dirprm");
    std::filesystem::create_symlink("ENDPRM.DAT", work.Path() / "to-endprm"); // a file not there yet
    std::filesystem::create_hard_link(work.Path() / "HHTPRM.DAT", work.Path() / "hhtprm-too");
    const std::string files[] = {"RESULT.DAT",
                                 "./HISTORY.DAT",
                                 (work.Path() / "RSPRM.DAT").string(),
                                 "sub/../RSPRM.DAT",
                                 "to-dirprm",
                                 "hhtprm-too",
                                 "ENDPRM.DAT",
                                 "to-endprm",
                                 "TAV0001.INF",
                                 (runtime.Path() / LockName(work)).string()};
    const std::string parameters = work.Get("RSPRM.DAT") + work.Get("HHTPRM.DAT") + work.Get("DIRPRM.DAT");
    for (const auto& file : files) {
        const auto run = Start({"/DOWN"}, {{{"TAVELIN_TRACE", QString::fromStdString(file)}}, {}, {}});
        EXPECT_EQ(run.exitCode, 1) << file << run.standardError; // ran, and met the missing device
        EXPECT_EQ(ResultTail(), "-1 , 1 ,ＣＯＭポートエラー\r\n") << file;
        EXPECT_EQ(Count(run.standardError, "a file of the run; running without a trace\n"), 1u)
            << file << run.standardError;
        EXPECT_EQ(work.Get("RSPRM.DAT") + work.Get("HHTPRM.DAT") + work.Get("DIRPRM.DAT"), parameters) << file;
        EXPECT_FALSE(work.Has("ENDPRM.DAT")) << file;
        EXPECT_FALSE(work.Has("TAV0001.INF")) << file;
    }
    // Under cron, with no runtime folder, the lock held is the one in the
    // user's own folder of the temporary directory.
    testing::TempDir temp;
    const auto cronLock = temp.Path() / ("tavelin-" + std::to_string(getuid())) / LockName(work);
    const auto cron = Start({"/DOWN"}, {{{"XDG_RUNTIME_DIR", ""},
                                         {"TMPDIR", QString::fromStdString(temp.Path().string())},
                                         {"TAVELIN_TRACE", QString::fromStdString(cronLock.string())}},
                                        {},
                                        {}});
    EXPECT_EQ(Count(cron.standardError, "a file of the run; running without a trace\n"), 1u) << cron.standardError;
    EXPECT_TRUE(std::filesystem::exists(cronLock));

    const auto run = Start({"/DOWN"}, {{{"TAVELIN_TRACE", "trace.txt"}}, {}, {}});
    EXPECT_EQ(run.standardError.find("trace"), std::string::npos) << run.standardError;
    EXPECT_TRUE(work.Has("trace.txt"));
}

// A current directory removed under the program has no name to take: "/"
// must never stand in for it. Nothing is read or written; status 1.
TEST_F(Program, WorkDirectoryThatIsGoneEndsTheRunWritingNothing)
{
    const auto gone = work.Path() / "gone";
    const bool resultInRoot = std::filesystem::exists("/RESULT.DAT");
    for (const QStringList& arguments : {QStringList{"/DOWN"}, QStringList{"/UP"}, QStringList{}}) {
        std::filesystem::create_directory(gone);
        const std::string path = gone.string();
        const auto run = Start(arguments, {{}, [path] {
                                               if (chdir(path.c_str()) != 0 || rmdir(path.c_str()) != 0)
                                                   _exit(99);
                                           },
                                           {}});
        EXPECT_EQ(run.exitCode, 1) << run.standardError;
        EXPECT_NE(run.standardError.find("current directory"), std::string::npos) << run.standardError;
        EXPECT_EQ(run.standardError.find("COM1"), std::string::npos) << run.standardError; // no run began
    }
    EXPECT_EQ(std::filesystem::exists("/RESULT.DAT"), resultInRoot);
    EXPECT_FALSE(work.Has("RESULT.DAT"));
}

TEST_F(Program, ManualModeNeedsADisplay)
{
    PutGoodFiles();
    const auto run = Start({});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.standardError.find("needs a display"), std::string::npos);
}

// --workdir: the run takes place there, as if started there; a folder that
// cannot be entered ends it before anything is read or written. The
// folder's name is no place to look for a switch.
TEST_F(Program, WorkdirRunsThereAndAFolderThatCannotBeEnteredWritesNothing)
{
    testing::TempDir other;
    other.Put("RSPRM.DAT", "2210005008000\r\n");
    auto run = Start({"/DOWN", "--workdir", QString::fromStdString(other.Path().string())});
    EXPECT_EQ(run.exitCode, 1) << run.standardError; // the port of this test is missing
    EXPECT_TRUE(other.Has("RESULT.DAT"));
    EXPECT_FALSE(work.Has("RESULT.DAT"));

    const auto upload = other.Path() / "UPLOAD";
    std::filesystem::create_directory(upload);
    run = Start({"--workdir=" + QString::fromStdString(upload.string())});
    EXPECT_EQ(run.exitCode, 2) << run.standardError; // the window, not a batch /UP
    EXPECT_NE(run.standardError.find("needs a display"), std::string::npos) << run.standardError;

    other.Put("file", "");
    for (const auto& dir : {other.Path() / "missing", other.Path() / "file"}) {
        run = Start({"/DOWN", "--workdir", QString::fromStdString(dir.string())});
        EXPECT_EQ(run.exitCode, 1) << run.standardError;
        EXPECT_NE(run.standardError.find("cannot enter the work folder " + dir.string()), std::string::npos)
            << run.standardError;
        EXPECT_EQ(run.standardError.find("COM1"), std::string::npos) << run.standardError; // no run began
    }
    EXPECT_FALSE(work.Has("RESULT.DAT"));
}

TEST_F(Program, UnknownOptionGivesAUsageLineAndStatusTwo)
{
    PutGoodFiles();
    for (const QStringList& arguments : {QStringList{"-x"}, QStringList{"/DOWN", "--wrokdir", "/tmp"},
                                         QStringList{"--workdir"}}) {
        const auto run = Start(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_NE(run.standardError.find("usage: tavelin"), std::string::npos) << run.standardError;
        EXPECT_EQ(run.standardOutput, "");
    }
    EXPECT_FALSE(work.Has("RESULT.DAT"));
}

// The desktop entry's start: the folder used last while it exists, else the
// user's data folder, made on first use; never the folder it was started in.
TEST_F(Program, DesktopStartRunsInTheLastFolderElseTheDataFolder)
{
    testing::TempDir home;
    const auto data = home.Path() / "data";
    const auto config = home.Path() / "config";
    const Surroundings desktop{{{"HOME", QString::fromStdString(home.Path().string())},
                                {"XDG_DATA_HOME", QString::fromStdString(data.string())},
                                {"XDG_CONFIG_HOME", QString::fromStdString(config.string())}},
                               {},
                               {}};
    auto run = Start({"--desktop", "/DOWN"}, desktop);
    EXPECT_EQ(run.exitCode, 1) << run.standardError;
    EXPECT_TRUE(std::filesystem::exists(data / "tavelin" / "RESULT.DAT"));
    EXPECT_FALSE(work.Has("RESULT.DAT"));
    // Made now, so it starts with settings of its own: nothing sent from the
    // work folder itself, one round.
    std::ifstream dirprm(data / "tavelin" / "DIRPRM.DAT", std::ios::binary);
    const std::string lines((std::istreambuf_iterator<char>(dirprm)), std::istreambuf_iterator<char>());
    EXPECT_NE(lines.find("/tavelin/down/\r\n"), std::string::npos) << lines;
    EXPECT_NE(lines.find("NEWHISTORY\r\n1\r\n"), std::string::npos) << lines;
    EXPECT_TRUE(std::filesystem::is_directory(data / "tavelin" / "down"));

    testing::TempDir last;
    std::filesystem::create_directories(config / "tavelin");
    std::ofstream(config / "tavelin" / "tavelin.conf") << "[workdir]\nlast=" << last.Path().string() << "\n";
    run = Start({"--desktop", "/DOWN"}, desktop);
    EXPECT_TRUE(last.Has("RESULT.DAT")) << run.standardError;

    // Gone again: back to the data folder.
    std::filesystem::remove_all(data);
    std::filesystem::remove(last.Path() / "RESULT.DAT");
    std::filesystem::remove(last.Path());
    run = Start({"--desktop", "/DOWN"}, desktop);
    EXPECT_TRUE(std::filesystem::exists(data / "tavelin" / "RESULT.DAT")) << run.standardError;
    EXPECT_NE(run.standardError.find("the work folder used last (" + last.Path().string() + ") is gone"),
              std::string::npos)
        << run.standardError;
    std::filesystem::create_directory(last.Path()); // for the scratch folder's own removal
}

// A desktop start that gives way to a copy already running makes no folder;
// a window start says so in a box where a display can show one.
TEST_F(Program, ADesktopStartThatGivesWayMakesNothingAndSaysSoInABox)
{
    testing::TempDir home;
    const auto data = home.Path() / "data";
    // The folder the desktop start would make and run in.
    QLockFile held(QString::fromStdString(
        (runtime.Path() / app::SingleInstance::LockName(QString::fromStdString((data / "tavelin").string())).toStdString())
            .string()));
    ASSERT_TRUE(held.tryLock(0));
    Surroundings desktop{{{"HOME", QString::fromStdString(home.Path().string())},
                          {"XDG_DATA_HOME", QString::fromStdString(data.string())},
                          {"XDG_CONFIG_HOME", QString::fromStdString((home.Path() / "config").string())}},
                         {},
                         {}};
    for (const QStringList& arguments : {QStringList{"--desktop", "/DOWN"}, QStringList{"--desktop"}}) {
        const auto run = Start(arguments, desktop);
        EXPECT_EQ(run.exitCode, 3) << run.standardError;
        EXPECT_NE(run.standardError.find("another copy is already running"), std::string::npos) << run.standardError;
    }
    EXPECT_FALSE(std::filesystem::exists(data));

    const QString display = Display();
    ASSERT_FALSE(display.isEmpty());
    desktop.environment["DISPLAY"] = display;
    desktop.onceStarted = ClosedOnceUp(display).onceStarted; // the box waits for its OK
    const auto run = Start({"--desktop"}, desktop);
    EXPECT_EQ(run.exitCode, 3) << run.standardError;
    EXPECT_FALSE(std::filesystem::exists(data));
}

// A window started again in the folder of a running window brings that
// window forward and ends without a word; the running one hears it.
TEST_F(Program, AWindowStartedAgainInItsFolderBringsTheFirstForward)
{
    const QString display = Display();
    ASSERT_FALSE(display.isEmpty());
    testing::TempDir home;
    const Surroundings window = ClosedOnceUp(display, &home);
    QProcess first;
    Launch(first, {}, window);
    EXPECT_FALSE(first.waitForFinished(2000)); // up, and listening

    const Surroundings again{window.environment, {}, {}};
    for (int start = 0; start < 2; ++start) {
        const Run second = Start({"--workdir", QString::fromStdString(work.Path().string())}, again);
        EXPECT_EQ(second.exitCode, 0) << second.standardError;
        EXPECT_EQ(second.standardError, "");
    }
    first.terminate();
    const Run run = Finish(first);
    EXPECT_EQ(run.exitCode, 4) << run.standardError;
    EXPECT_EQ(Count(run.standardError, "tavelin: started again in this work folder; this window comes forward\n"), 2u)
        << run.standardError;
}

// The window started with --workdir remembers that folder for the desktop
// and where the window stood.
TEST_F(Program, WindowRemembersItsFolderAndPlace)
{
    const QString display = Display();
    ASSERT_FALSE(display.isEmpty());
    testing::TempDir home;
    testing::TempDir other;
    const auto run = Start({"--workdir", QString::fromStdString(other.Path().string())}, ClosedOnceUp(display, &home));
    EXPECT_EQ(run.exitCode, 4) << run.standardError;
    EXPECT_TRUE(other.Has("TAV0001.INF"));
    EXPECT_FALSE(work.Has("TAV0001.INF"));
    std::ifstream conf(home.Path() / "config" / "tavelin" / "tavelin.conf");
    const std::string text((std::istreambuf_iterator<char>(conf)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("last=" + std::filesystem::canonical(other.Path()).string()), std::string::npos) << text;
    EXPECT_NE(text.find("[window]"), std::string::npos) << text;
    EXPECT_NE(text.find("geometry="), std::string::npos) << text;
}

// The window's frame as QWidget::saveGeometry keeps it (format 3.0), and back.
QByteArray SavedGeometry(const QRect& frame)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_0);
    out << quint32(0x1D9D0CB) << quint16(3) << quint16(0) << frame << frame << qint32(0) << quint8(0) << quint8(0)
        << qint32(800) << frame;
    return bytes;
}
QRect SavedFrame(const QByteArray& bytes)
{
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_4_0);
    quint32 magic = 0;
    quint16 major = 0, minor = 0;
    QRect frame;
    in >> magic >> major >> minor >> frame;
    return frame;
}

// A saved size larger than the screen (a settings file edited by hand, a
// monitor since removed) opens the default size, and that is what is saved.
TEST_F(Program, WindowTooLargeForTheScreenOpensAtItsDefaultSize)
{
    const QString display = Display();
    ASSERT_FALSE(display.isEmpty());
    testing::TempDir home;
    const QString conf = QString::fromStdString((home.Path() / "config" / "tavelin" / "tavelin.conf").string());
    {
        QSettings settings(conf, QSettings::IniFormat);
        settings.setValue("window/geometry", SavedGeometry(QRect(0, 0, 99999, 99999)));
    }
    const auto run = Start({}, ClosedOnceUp(display, &home));
    EXPECT_EQ(run.exitCode, 4) << run.standardError;
    const QRect saved = SavedFrame(QSettings(conf, QSettings::IniFormat).value("window/geometry").toByteArray());
    EXPECT_TRUE(saved.isValid());
    EXPECT_LE(saved.width(), 800);
    EXPECT_LE(saved.height(), 600);
}

// The per-user settings file as a link: read (the desktop start goes to the
// folder it names) but never written through, not even when the window
// closes; as a FIFO it is given up at once with a line, never waited on.
TEST_F(Program, SettingsFileLinkIsReadNotWrittenAndAFifoIsGivenUp)
{
    const QString display = Display();
    ASSERT_FALSE(display.isEmpty());
    testing::TempDir home;
    testing::TempDir last;
    const auto config = home.Path() / "config";
    const auto conf = config / "tavelin" / "tavelin.conf";
    std::filesystem::create_directories(conf.parent_path());
    const std::string outside = "[workdir]\nlast=" + last.Path().string() + "\n";
    home.Put("outside.txt", outside);
    std::filesystem::create_symlink(home.Path() / "outside.txt", conf);
    const Surroundings window = ClosedOnceUp(display, &home);
    Surroundings batch{window.environment, {}, {}};
    batch.environment.erase("DISPLAY");
    PutGoodFiles();
    const QStringList here{"--workdir", QString::fromStdString(work.Path().string())};

    auto run = Start(here, window);
    EXPECT_EQ(run.exitCode, 4) << run.standardError;
    EXPECT_TRUE(work.Has("TAV0001.INF"));
    EXPECT_TRUE(std::filesystem::is_symlink(conf));
    EXPECT_EQ(home.Get("outside.txt"), outside);
    EXPECT_EQ(Count(run.standardError, "tavelin: the settings file " + conf.string() +
                                           " is a symbolic link; the work folders and the window's place are not "
                                           "saved in it\n"),
              1u)
        << run.standardError;
    run = Start({"--desktop", "/DOWN"}, batch);
    EXPECT_TRUE(last.Has("RESULT.DAT")) << run.standardError;
    EXPECT_EQ(home.Get("outside.txt"), outside);

    std::filesystem::remove(conf);
    ASSERT_EQ(::mkfifo(conf.c_str(), 0600), 0);
    run = Start(here, window);
    EXPECT_EQ(run.exitCode, 4) << run.standardError;
    EXPECT_EQ(Count(run.standardError, "tavelin: the settings file " + conf.string() +
                                           " is not a regular file (a FIFO, socket or device); the devices chosen "
                                           "in 設定 cannot be used\n"),
              1u)
        << run.standardError;
    EXPECT_EQ(Count(run.standardError, "\n"), 1u) << run.standardError;
}

} // namespace
} // namespace tavelin
