// Runs the built program as a batch job would: in a temporary work
// directory, without a display, with a private runtime directory so that
// tests running side by side never see each other's instance lock.
#include "settings/codepage.h"
#include "temp_dir.h"

#include <QLockFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace tavelin {
namespace {

class Program : public ::testing::Test {
protected:
    Program() { std::filesystem::permissions(runtime.Path(), std::filesystem::perms::owner_all); }

    struct Run {
        int exitCode = -1;
        std::string standardError;
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
        env.insert("TAVELIN_COM1", QString::fromStdString((work.Path() / "no-such-port").string()));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(QString::fromStdString(work.Path().string()));
        process.start(TAVELIN_PROGRAM, arguments);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(20000));
        return {process.exitCode(), process.readAllStandardError().toStdString()};
    }

    // RESULT.DAT without its date and time stamps.
    std::string ResultTail() const
    {
        const std::string line = settings::Cp932ToUtf8(work.Get("RESULT.DAT"));
        return line.size() > 18 ? line.substr(18) : line;
    }

    void PutGoodFiles() const
    {
        work.Put("RSPRM.DAT", "2210005008000\r\n");
        work.Put("HHTPRM.DAT", "1,3\r\n");
        work.Put("DIRPRM.DAT", "/ap/A.HEX\r\n/down/\r\n/up/\r\nOVER\r\nNEWHISTORY\r\n1\r\n");
    }

    testing::TempDir work;
    testing::TempDir runtime;
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

TEST_F(Program, SecondInstanceEndsSilentlyBeforeReadingAnyFile)
{
    QLockFile held(QString::fromStdString((runtime.Path() / "tavelin.lock").string()));
    ASSERT_TRUE(held.tryLock(0));
    work.Put("RSPRM.DAT", "bad");
    const auto run = Start({"/DOWN"});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.standardError.empty()) << run.standardError;
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
    EXPECT_EQ(Start({"/DOWN"}).exitCode, 0);
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
            EXPECT_EQ(run.exitCode, 0) << name << " fifo " << fifo << "\n" << run.standardError;
            EXPECT_EQ(ResultTail(), "-1 , 1 ,ＣＯＭポートエラー\r\n") << name << " fifo " << fifo;
            std::filesystem::remove(work.Path() / name);
        }
    }
}

TEST_F(Program, HistoryIsDeletedAtTheStartOfABatchRun)
{
    PutGoodFiles();
    work.Put("HISTORY.DAT", "001, 2 ,OLD.TXT, 1 , 0 ,x\r\n");
    const auto run = Start({"/DOWN"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(work.Has("HISTORY.DAT"));
    // The run itself then fails on the port that is not there.
    EXPECT_EQ(ResultTail(), "-1 , 1 ,ＣＯＭポートエラー\r\n");
    EXPECT_NE(run.standardError.find("no-such-port"), std::string::npos) << run.standardError;
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
