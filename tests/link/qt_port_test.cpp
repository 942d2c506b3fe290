// SPDX-License-Identifier: MIT
// The Qt backend over a real pseudo-terminal: opening by TAVELIN_COMn, frames
// both ways through the real event loop, and a time-out.
#include "support/pty_pair.h"

#include "link/commands.h"
#include "link/port_setup.h"
#include "link/qt/qt_event_pump.h"
#include "link/port_names.h"
#include "link/qt/qt_serial_port.h"
#include "link/qt/serial_device_list.h"
#include "link/system/serial_devices.h"
#include "desktop/user_settings_store.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

#include <QSettings>
#include <QSocketNotifier>
#include <QTimer>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

namespace tavelin::testing {
namespace {

using namespace tavelin::link;
using namespace tavelin::desktop;

class QtPortTest : public ::testing::Test {
protected:
    QtPortTest()
    {
        auto& s = state.settings;
        s.BaudCode = "2", s.ParityCode = "2", s.DataBitsCode = "1", s.StopBitsCode = "0";
        s.ComPortCode = "0", s.PortKindCode = "0", s.PollTimeout = 500, s.CommTimeout = 800;
    }

    PtyPair pty;
    QtEventPump pump;
    QtSerialPort port{pump};
    settings::AppState state;
    Link link{port, pump, state};
};

TEST_F(QtPortTest, ConnectsToAHandHeldOnTheFarSide)
{
    ASSERT_TRUE(pty.Ok());
    const PortOpening opening = OpenHhtPort(link);
    ASSERT_EQ(opening.result, PortSetupResult::Ok) << opening.reason;

    // The hand-held answers the poll from inside the event loop, as a real
    // one answers while the program waits.
    const Bytes poll = BuildFrame('C', "001", 0, Bytes{'P'});
    Bytes heard;
    QSocketNotifier notifier(pty.MasterFd(), QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        const Bytes chunk = pty.Receive(1, 0);
        heard.insert(heard.end(), chunk.begin(), chunk.end());
        if (heard == poll)
            pty.Send(BuildFrame('A', "001", 0, Bytes{ACK}));
    });

    EXPECT_EQ(ConnectHht(link), kOk);
    EXPECT_EQ(heard, poll);
}

TEST_F(QtPortTest, BinaryFrameArrivesWithEveryByteValue)
{
    ASSERT_TRUE(pty.Ok());
    ASSERT_EQ(OpenHhtPort(link).result, PortSetupResult::Ok);
    Bytes data(512);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i); // CR, LF, XON, XOFF and all
    pty.Send(BuildFrame('D', "001", 7, data));
    port.SetInTimeout(2000);
    std::string header;
    Bytes got;
    ASSERT_EQ(RecvFrameBin(link, header, got), kOk);
    EXPECT_EQ(header, "\x02" "D00170512");
    EXPECT_EQ(got, data);

    SendFrameBin(link, "A", 7, Bytes{ACK});
    const Bytes expected = BuildFrame('A', "001", 7, Bytes{ACK});
    EXPECT_EQ(pty.Receive(expected.size(), 2000), expected);
}

TEST_F(QtPortTest, SilenceTimesOut)
{
    ASSERT_TRUE(pty.Ok());
    ASSERT_EQ(OpenHhtPort(link).result, PortSetupResult::Ok);
    port.SetInTimeout(200);
    std::string frame = "untouched";
    const auto start = Clock::now();
    EXPECT_EQ(RecvFrame(link, frame), kTimedOut);
    const auto took = std::chrono::duration_cast<Millis>(Clock::now() - start).count();
    EXPECT_GE(took, 200);
    EXPECT_LT(took, 1000);
    EXPECT_EQ(frame, "untouched");
}

// The answer comes in time, but the program is busy in one event until past
// the time-out: the bytes wait in the driver, unread. They are taken, not
// reported as silence.
TEST_F(QtPortTest, AnAnswerThatCameWhileTheProgramWasBusyIsNoTimeOut)
{
    ASSERT_TRUE(pty.Ok());
    ASSERT_EQ(OpenHhtPort(link).result, PortSetupResult::Ok);
    port.SetInTimeout(100);
    const Bytes answer = BuildFrame('A', "001", 3, Bytes{ACK});
    QTimer::singleShot(1, [&] {
        pty.Send(answer);
        ::usleep(300'000); // a window drawing, a slow disk
    });
    std::string frame;
    EXPECT_EQ(RecvFrame(link, frame), kOk);
    EXPECT_EQ(frame, std::string(answer.begin(), answer.end()));
}

double CpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The far side closing under a waiting receive: the port notices at once,
// closes itself, and from then on every read fails without waiting or
// burning the processor.
TEST_F(QtPortTest, FarSideClosingEndsTheWaitWithoutSpinning)
{
    ASSERT_TRUE(pty.Ok());
    ASSERT_EQ(OpenHhtPort(link).result, PortSetupResult::Ok);
    port.SetInTimeout(3000);
    QTimer::singleShot(100, [this] { pty.CloseMaster(); });
    const auto start = Clock::now();
    const double cpuBefore = CpuSeconds();
    std::string frame;
    EXPECT_EQ(RecvFrame(link, frame), kTimedOut);
    EXPECT_LT(Clock::now() - start, Millis(1000));
    EXPECT_TRUE(port.Lost());
    EXPECT_FALSE(port.IsOpen());

    const auto again = Clock::now();
    EXPECT_EQ(RecvFrame(link, frame), kTimedOut);
    EXPECT_EQ(ConnectHht(link), kTimedOut);
    EXPECT_LT(Clock::now() - again, Millis(100));
    WaitSec(pump, 0.3); // nothing left to wake the event loop
    EXPECT_LT(CpuSeconds() - cpuBefore, 0.1);

    // A quiet line that stays is no loss.
    PtyPair other(2);
    ASSERT_TRUE(other.Ok());
    state.settings.ComPortCode = "1";
    ASSERT_EQ(OpenHhtPort(link).result, PortSetupResult::Ok);
    EXPECT_FALSE(port.Lost());
    port.SetInTimeout(200);
    EXPECT_EQ(RecvFrame(link, frame), kTimedOut);
    EXPECT_FALSE(port.Lost());
    EXPECT_TRUE(port.IsOpen());
}

TEST_F(QtPortTest, LineStatesAPseudoTerminalLacksAreIgnored)
{
    ASSERT_TRUE(pty.Ok());
    state.settings.PortKindCode = "2"; // sets DTR and RTS at 19200 bit/s
    EXPECT_EQ(OpenHhtPort(link).result, PortSetupResult::Ok);
    EXPECT_TRUE(port.IsOpen());
}

TEST_F(QtPortTest, MissingDeviceReportsTheReason)
{
    ::setenv("TAVELIN_COM4", "/nonexistent/tty-for-test", 1);
    state.settings.ComPortCode = "3";
    const PortOpening opening = OpenHhtPort(link);
    EXPECT_EQ(opening.result, PortSetupResult::PortError);
    EXPECT_FALSE(opening.reason.empty());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Open().error, OpenError::NotFound);
    ::unsetenv("TAVELIN_COM4");
}

// Each way an open fails gets its own sentence: a missing device with the
// system's devices, a port held by another program as in use (Qt calls it a
// permission error), and a refused permission with the device's group.
TEST_F(QtPortTest, OpenFailuresAreToldApart)
{
    ::setenv("TAVELIN_COM4", "/nonexistent/tty-for-test", 1);
    state.settings.ComPortCode = "3";
    const PortOpening missing = OpenHhtPort(link);
    EXPECT_EQ(missing.result, PortSetupResult::PortError);
    EXPECT_EQ(missing.reason.rfind("no such device; the system", 0), 0u) << missing.reason;
    EXPECT_NE(missing.reason.find("(TAVELIN_COM4 names the device COM4 opens)"), std::string::npos) << missing.reason;
    ::unsetenv("TAVELIN_COM4");

    // Another program (here another port object) holds the pseudo-terminal.
    ASSERT_TRUE(pty.Ok());
    state.settings.ComPortCode = "0";
    const PortOpening opening = OpenHhtPort(link);
    ASSERT_EQ(opening.result, PortSetupResult::Ok) << opening.reason;
    QtSerialPort other{pump};
    other.SetCommPort(1);
    other.SetSettings("19200,N,8,1");
    const OpenResult second = other.Open();
    EXPECT_EQ(second.error, OpenError::InUse) << second.reason;
    // The device's lock file names the holder, for the operator to find it.
    EXPECT_EQ(second.reason.rfind("in use by process " + std::to_string(::getpid()), 0), 0u) << second.reason;
    EXPECT_TRUE(second.reason.ends_with("; end that program or choose another port")) << second.reason;
    EXPECT_EQ(other.LastOpenError(), OpenError::InUse);
    EXPECT_FALSE(other.IsOpen());
    port.Close();
    EXPECT_TRUE(other.Open().Ok()); // free again once the holder lets go
    EXPECT_EQ(other.LastOpenError(), OpenError::None);
    other.Close();
}

TEST(PortErrorText, PermissionNamesTheGroupAndMissingListsTheDevices)
{
    char path[] = "/tmp/tavelin-port-XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    // Joining is advised only for a serial devices' group; joining root, tty
    // or disk would give the user the machine. Only root may hand the file
    // to each group; an ordinary user sees the group of its own files.
    const std::string join = "permission denied: the device belongs to group %; add the user to it (usermod -aG % "
                             "USER) and log in again";
    const std::string dont = "permission denied: the device belongs to group %, which is not a group for serial "
                             "devices: do not add the user to it; have an administrator give the device to the "
                             "serial devices' group (a udev rule) or this user the right to read and write it";
    const struct {
        const char* group;
        const std::string& text;
    } rows[] = {{"root", dont}, {"tty", dont}, {"disk", dont}, {"dialout", join}, {"uucp", join}};
    for (const auto& row : rows) {
        const group* entry = ::getgrnam(row.group);
        if (::geteuid() != 0 || !entry)
            continue;
        ASSERT_EQ(::chown(path, uid_t(-1), entry->gr_gid), 0) << row.group;
        ASSERT_EQ(DeviceGroup(path), row.group);
        std::string expected = row.text;
        for (auto at = expected.find('%'); at != std::string::npos; at = expected.find('%'))
            expected.replace(at, 1, row.group);
        EXPECT_EQ(PortOpenFailureText(OpenError::NoPermission, 2, path, "Permission denied", {}, DeviceSource::Default),
                  expected);
    }
    if (::geteuid() != 0) { // the user's own group is no serial devices' group
        const std::string text =
            PortOpenFailureText(OpenError::NoPermission, 2, path, "Permission denied", {}, DeviceSource::Default);
        EXPECT_EQ(text.find("usermod"), std::string::npos) << text;
    }
    // A device this user may read and write cannot have refused for permission.
    EXPECT_EQ(TellDeniedApart(path), OpenError::InUse);
    ::chmod(path, 0);
    EXPECT_EQ(TellDeniedApart(path), ::geteuid() == 0 ? OpenError::InUse : OpenError::NoPermission);
    ::unlink(path);
    EXPECT_EQ(DeviceGroup(path), "");
    EXPECT_EQ(PortOpenFailureText(OpenError::NoPermission, 1, path, "", {}, DeviceSource::Default),
              "permission denied: this user may not read and write the device");

    EXPECT_EQ(PortOpenFailureText(OpenError::NotFound, 2, "/dev/ttyUSB9", "x", {"/dev/ttyS0", "/dev/ttyUSB0"},
                                  DeviceSource::Environment),
              "no such device; the system's serial devices are /dev/ttyS0, /dev/ttyUSB0 (TAVELIN_COM2 names the "
              "device COM2 opens)");
    EXPECT_EQ(PortOpenFailureText(OpenError::NotFound, 1, "/dev/ttyS0", "x", {}, DeviceSource::Default),
              "no such device; the system has no serial device (choose the device COM1 opens in 設定 (通信条件) or "
              "set TAVELIN_COM1)");
    EXPECT_EQ(PortOpenFailureText(OpenError::NotFound, 3, "/dev/serial/by-id/usb-x", "x", {"/dev/ttyUSB0"},
                                  DeviceSource::Chosen),
              "no such device; the system's serial devices are /dev/ttyUSB0 (the device COM3 opens was chosen in "
              "設定 (通信条件))");
    EXPECT_EQ(PortOpenFailureText(OpenError::Other, 1, "/dev/ttyS0", "Input/output error", {}, DeviceSource::Default),
              "cannot be opened: Input/output error");
    for (const auto& device : SystemSerialDevices())
        EXPECT_EQ(device.rfind("/dev/tty", 0), 0u) << device;
    // The settings dialog offers the devices the messages name, by their stable names.
    std::vector<std::string> offered;
    for (const SerialDeviceInfo& device : SystemSerialDeviceList().Devices()) {
        offered.push_back(device.systemLocation.toStdString());
        EXPECT_EQ(device.path.toStdString(), StableDeviceName(offered.back()));
    }
    std::sort(offered.begin(), offered.end());
    EXPECT_EQ(offered, SystemSerialDevices());
}

TEST(LineText, SettingsAndDeviceNames)
{
    const auto line = ParseLineSettings("115200,e,7,2");
    ASSERT_TRUE(line);
    EXPECT_EQ(line->parity, Parity::Even);
    for (const char* bad : {"9600,N,8", "9600,X,8,1", "9600,N,9,1", "9600,N,8,3", "9600,N,8,1,"})
        EXPECT_FALSE(ParseLineSettings(bad)) << bad;

    ::setenv("TAVELIN_COM3", "/dev/pts/77", 1);
    EXPECT_EQ(PortDeviceName(3, {}), "/dev/pts/77");
    ::unsetenv("TAVELIN_COM3");
    EXPECT_EQ(PortDeviceName(3, {}), "/dev/ttyS2");
    EXPECT_EQ(PortDeviceName(1, {}), "/dev/ttyS0");
}

// A device chosen in the settings dialog is what the port opens once no
// variable names one; one that is gone is named in the error as chosen there,
// with the devices that are there.
TEST_F(QtPortTest, ChosenDeviceIsOpenedAndAMissingOneIsNamed)
{
    ASSERT_TRUE(pty.Ok());
    ::unsetenv("TAVELIN_COM1");
    settings::DeviceChoices choices;
    choices.chosen[0] = pty.SlaveName();
    port.UseDeviceChoices(choices);
    const PortOpening chosen = OpenHhtPort(link);
    ASSERT_EQ(chosen.result, PortSetupResult::Ok) << chosen.reason;
    const std::uint8_t byte[] = {0x5a};
    port.Write(byte);
    EXPECT_EQ(pty.Receive(1, 1000), Bytes{0x5a});
    port.Close();

    // The variable still comes first.
    ::setenv("TAVELIN_COM1", "/nonexistent/tty-for-test", 1);
    const PortOpening named = OpenHhtPort(link);
    EXPECT_EQ(named.result, PortSetupResult::PortError);
    EXPECT_NE(named.reason.find("(TAVELIN_COM1 names the device COM1 opens)"), std::string::npos) << named.reason;
    ::unsetenv("TAVELIN_COM1");

    choices.chosen[0] = "/dev/serial/by-id/usb-unplugged-if00-port0";
    const OpenResult missing = port.Open();
    EXPECT_EQ(missing.error, OpenError::NotFound);
    EXPECT_NE(missing.reason.find("(the device COM1 opens was chosen in 設定 (通信条件))"), std::string::npos)
        << missing.reason;
    for (const auto& device : SystemSerialDevices())
        EXPECT_NE(missing.reason.find(device), std::string::npos) << missing.reason;
    EXPECT_EQ(PortFailureLine(1, choices, missing.reason).rfind("COM1 (" + choices.chosen[0] + "): no such device", 0),
              0u);
}

// A settings file its user may not read is no "no choice": the reason is
// kept, so no COM name falls back to the standard device. Root reads it all
// the same, so the case is made as an ordinary user.
TEST(DeviceMapStore, AFileThisUserMayNotReadIsNamedSo)
{
    TempDir config;
    std::filesystem::permissions(config.Path(), std::filesystem::perms::owner_all);
    RunUnprivileged(config.Path(), [&] {
        ASSERT_EQ(::setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1), 0);
        std::filesystem::create_directories(config.Path() / "tavelin");
        config.Put("tavelin/tavelin.conf", "[ports]\nCOM1=/dev/ttyUSB0\n");
        std::filesystem::permissions(config.Path() / "tavelin" / "tavelin.conf", std::filesystem::perms::none);
        const settings::DeviceChoices choices = LoadDeviceChoices();
        EXPECT_NE(choices.unreadable.find("cannot be read (permission denied)"), std::string::npos)
            << choices.unreadable;
        EXPECT_EQ(choices.chosen[0], "");
        EXPECT_FALSE(SaveDeviceChoices(choices));
    });
}

// The file for all users of the PC chooses every user's device, so one that
// anybody else than root or this user could have written is refused as an
// unreadable one is: the reason names the file, folder or owner at fault.
// The file, its folder, each folder above and, for a link, what it leads to
// and the link's folder are looked at; a sticky folder further up keeps
// others from replacing what is in it. Only root can give a file away.
TEST(DeviceMapStore, AFileForAllUsersThatOthersCouldWriteIsRefused)
{
    TempDir dir;
    const std::filesystem::path base = std::filesystem::canonical(dir.Path());
    const passwd* other = ::getpwnam("nobody");
    const std::string everyone = " can be written by every user";
    const std::string nobody = " belongs to the user nobody, neither an administrator nor this user";
    const auto folder = [&](const char* name) { return "the folder " + (base / name).string(); };
    const auto target = [&](const char* name) { return "the file it leads to, " + (base / name).string() + ","; };
    const struct {
        const char* kind;
        const char* file;                                 // made with fileMode; TAVELIN_MACHINE_CONF names it...
        const char* link;                                 // ...or this link to it, when given
        int fileMode;
        std::vector<std::pair<const char*, int>> folders; // modes set after
        const char* givenAway;                            // to nobody, as only root can
        std::string why;                                  // empty: read
    } rows[] = {
        {"as root keeps it", "etc/tavelin.conf", nullptr, 0644, {}, nullptr, ""},
        {"writable by all", "etc/tavelin.conf", nullptr, 0666, {}, nullptr, "it" + everyone},
        {"in an open folder", "open/tavelin.conf", nullptr, 0644, {{"open", 0777}}, nullptr, folder("open") + everyone},
        {"in a sticky open folder", "tmp/tavelin.conf", nullptr, 0644, {{"tmp", 01777}}, nullptr,
         folder("tmp") + everyone},
        {"below an open folder", "open/etc/tavelin.conf", nullptr, 0644, {{"open", 0777}}, nullptr,
         folder("open") + everyone},
        {"below a sticky folder", "tmp/etc/tavelin.conf", nullptr, 0644, {{"tmp", 01777}}, nullptr, ""},
        {"a link to a good file", "real/tavelin.conf", "etc/tavelin.conf", 0644, {}, nullptr, ""},
        {"a link to a file writable by all", "real/tavelin.conf", "etc/tavelin.conf", 0666, {}, nullptr,
         target("real/tavelin.conf") + everyone},
        {"a link in an open folder", "real/tavelin.conf", "open/tavelin.conf", 0644, {{"open", 0777}}, nullptr,
         folder("open") + everyone},
        {"another user's", "etc/tavelin.conf", nullptr, 0644, {}, "etc/tavelin.conf", "it" + nobody},
        {"in another user's folder", "etc/tavelin.conf", nullptr, 0644, {}, "etc", folder("etc") + nobody},
        {"a link to another user's file", "home/tavelin.conf", "etc/tavelin.conf", 0644, {}, "home/tavelin.conf",
         target("home/tavelin.conf") + nobody},
    };
    const std::optional<std::string> before =
        std::getenv("XDG_CONFIG_HOME") ? std::optional<std::string>(std::getenv("XDG_CONFIG_HOME")) : std::nullopt;
    ASSERT_EQ(::setenv("XDG_CONFIG_HOME", (base / "config").c_str(), 1), 0); // no file of this user's
    for (const auto& row : rows) {
        if (row.givenAway && (::geteuid() != 0 || !other))
            continue;
        for (const auto& entry : std::filesystem::directory_iterator(base))
            std::filesystem::remove_all(entry.path());
        std::filesystem::create_directories((base / row.file).parent_path());
        std::ofstream(base / row.file) << "[ports]\nCOM1=/dev/ttyUSB7\n";
        ASSERT_EQ(::chmod((base / row.file).c_str(), mode_t(row.fileMode)), 0);
        if (row.link) {
            std::filesystem::create_directories((base / row.link).parent_path());
            std::filesystem::create_symlink(base / row.file, base / row.link);
        }
        for (const auto& [name, mode] : row.folders)
            ASSERT_EQ(::chmod((base / name).c_str(), mode_t(mode)), 0);
        if (row.givenAway) {
            ASSERT_EQ(::chown((base / row.givenAway).c_str(), other->pw_uid, other->pw_gid), 0);
        }
        const std::string conf = (base / (row.link ? row.link : row.file)).string();
        ASSERT_EQ(::setenv("TAVELIN_MACHINE_CONF", conf.c_str(), 1), 0);

        settings::DeviceChoices choices = LoadDeviceChoices();
        const std::string refused = "the settings file for all users of this PC " + conf + " is open to other users: ";
        EXPECT_EQ(choices.machineUnreadable, row.why.empty() ? "" : refused + row.why) << row.kind;
        EXPECT_EQ(choices.machine[0], row.why.empty() ? "/dev/ttyUSB7" : "") << row.kind;
        choices.machine[0] = "/dev/ttyUSB0";
        EXPECT_EQ(SaveMachineDeviceChoices(choices), row.why.empty() && !row.link) << row.kind; // never saved over
    }
    ::unsetenv("TAVELIN_MACHINE_CONF");
    if (before)
        ::setenv("XDG_CONFIG_HOME", before->c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}

// Every save says the file's layout. A file without one, as earlier
// versions left it, reads as the first layout with all its groups; one a
// newer program wrote is read for the keys known here and keeps its version.
TEST(UserSettingsStore, SavesSayTheLayoutAndAFileWithoutOneReadsAsTheFirst)
{
    TempDir config;
    const std::optional<std::string> before =
        std::getenv("XDG_CONFIG_HOME") ? std::optional<std::string>(std::getenv("XDG_CONFIG_HOME")) : std::nullopt;
    ASSERT_EQ(::setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1), 0);
    const auto version = [] { return QSettings(UserSettingsFile(), QSettings::IniFormat).value("version"); };

    {
        UserSettingsStore fresh; // no file yet
        EXPECT_FALSE(fresh.LastWorkFolder());
        fresh.SaveWorkFolders("/srv/b", {"/srv/b", "/srv/a"});
        EXPECT_EQ(version().toInt(), kUserSettingsLayout);
        EXPECT_EQ(UserSettingsStore().RecentWorkFolders(), (std::vector<std::string>{"/srv/b", "/srv/a"}));
    }

    config.Put("tavelin/tavelin.conf", "[ports]\nCOM2=/dev/ttyUSB1\n[workdir]\nlast=/srv/first\n");
    settings::DeviceChoices choices = LoadDeviceChoices();
    EXPECT_EQ(choices.chosen[1], "/dev/ttyUSB1");
    EXPECT_EQ(UserSettingsStore().LastWorkFolder(), std::optional<std::string>("/srv/first"));
    choices.chosen[0] = "/dev/ttyUSB0";
    ASSERT_TRUE(SaveDeviceChoices(choices));
    EXPECT_EQ(version().toInt(), 1);
    EXPECT_EQ(LoadDeviceChoices(), choices);
    EXPECT_EQ(UserSettingsStore().LastWorkFolder(), std::optional<std::string>("/srv/first"));

    config.Put("tavelin/tavelin.conf", "[General]\nversion=7\n\n[ports]\nCOM1=/dev/ttyACM0\n");
    EXPECT_EQ(LoadDeviceChoices().chosen[0], "/dev/ttyACM0");
    UserSettingsStore newer;
    newer.SaveWindowGeometry(QByteArray("place"));
    EXPECT_EQ(version().toInt(), 7);
    EXPECT_EQ(UserSettingsStore().WindowGeometry(), QByteArray("place"));

    if (before)
        ::setenv("XDG_CONFIG_HOME", before->c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}

// The driver's flags of the terminal the port holds, recorded as the real
// control would read and write them.
class FlagsTty final : public TtyControl {
public:
    std::optional<int> ReadFlags(int fd) override
    {
        onOpenTerminal = onOpenTerminal && ::isatty(fd) == 1;
        return flags;
    }
    bool WriteFlags(int fd, int value) override
    {
        onOpenTerminal = onOpenTerminal && ::isatty(fd) == 1;
        flags = value;
        ++writes;
        return true;
    }
    int flags = 0x0050; // the driver's own, which must survive
    int writes = 0;
    bool onOpenTerminal = true;
};

TEST(QtPortLowLatency, AskedAtEachOpenAndGivenBackAtCloseAndDestruction)
{
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    QtEventPump pump;
    FlagsTty tty;
    {
        QtSerialPort port(pump, tty);
        port.SetSettings("19200,N,8,1");
        ASSERT_TRUE(port.Open().Ok());
        EXPECT_EQ(tty.flags, 0x0050 | kLowLatencyFlag);
        EXPECT_FALSE(port.AdapterLatencyTimer()); // a pseudo-terminal has no adapter's timer
        port.Close();
        EXPECT_EQ(tty.flags, 0x0050);
        ASSERT_TRUE(port.Open().Ok());
        EXPECT_EQ(tty.flags, 0x0050 | kLowLatencyFlag);
    }
    EXPECT_EQ(tty.flags, 0x0050);
    EXPECT_EQ(tty.writes, 4);
    EXPECT_TRUE(tty.onOpenTerminal);

    // The real control finds no serial settings on a pseudo-terminal, and the
    // port opens all the same.
    const int fd = ::open(pty.SlaveName().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(SystemTtyControl().ReadFlags(fd), std::nullopt);
    ::close(fd);
    QtSerialPort real(pump);
    real.SetSettings("19200,N,8,1");
    EXPECT_TRUE(real.Open().Ok());
}

} // namespace
} // namespace tavelin::testing
