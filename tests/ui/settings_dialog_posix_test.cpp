// SPDX-License-Identifier: MIT
// The settings dialog's settings file where POSIX lets a test link it
// elsewhere.
#include "settings_dialog_fixture.h"
#include "desktop/user_settings_store.h"

#include <filesystem>

namespace fs = std::filesystem;
using namespace tavelin;
using tavelin::testing::TempDir;
using tavelin::testing::UseSettingsFilesIn;

// Its settings files are its own from the start.
class SettingsDialogPosixTest : public QObject {
    Q_OBJECT
public:
    SettingsDialogPosixTest() { UseSettingsFilesIn(config_); }

private slots:
    // A settings file that is a link is read but never written through; one
    // that cannot be read is neither read nor overwritten: the dialog's save
    // fails (and says so) instead.
    void aLinkedOrUnreadableSettingsFileIsNeverWritten()
    {
        const fs::path file = desktop::UserSettingsFile().toStdString();
        fs::remove(file);
        fs::create_directories(file.parent_path());
        const std::string elsewhere = "[ports]\nCOM1=/dev/ttyUSB0\n";
        config_.Put("elsewhere.conf", elsewhere);
        fs::create_symlink(config_.Path() / "elsewhere.conf", file);
        settings::DeviceChoices choices = desktop::LoadDeviceChoices();
        QCOMPARE(choices.chosen[0], std::string("/dev/ttyUSB0"));
        choices.chosen[1] = "/dev/ttyUSB1";
        QVERIFY(!desktop::SaveDeviceChoices(choices));
        QVERIFY(fs::is_symlink(file));
        QCOMPARE(config_.Get("elsewhere.conf"), elsewhere);

        fs::remove(file);
        const std::string garbage = "[ports\nCOM1=/dev/ttyUSB0\n";
        config_.Put("tavelin/tavelin.conf", garbage);
        const settings::DeviceChoices unread = desktop::LoadDeviceChoices();
        QCOMPARE(unread.chosen[0], std::string());
        QCOMPARE(unread.unreadable,
                 "the settings file " + file.string() + " is not in the form of a settings file");
        QVERIFY(!desktop::SaveDeviceChoices(choices));
        QCOMPARE(config_.Get("tavelin/tavelin.conf"), garbage);
        fs::remove(file);

        // The same for the file of all users of the PC.
        const fs::path pc = config_.Path() / "pc" / "linked.conf";
        fs::create_directories(pc.parent_path());
        qputenv("TAVELIN_MACHINE_CONF", QByteArray::fromStdString(pc.string()));
        fs::create_symlink(config_.Path() / "elsewhere.conf", pc);
        choices = desktop::LoadDeviceChoices();
        QCOMPARE(choices.machine[0], std::string("/dev/ttyUSB0"));
        choices.machine[0] = "/dev/ttyUSB1";
        QVERIFY(!desktop::SaveMachineDeviceChoices(choices));
        QCOMPARE(config_.Get("elsewhere.conf"), elsewhere);
        fs::remove(pc);
        config_.Put("pc/linked.conf", garbage);
        const settings::DeviceChoices unreadPc = desktop::LoadDeviceChoices();
        QCOMPARE(unreadPc.machine[0], std::string());
        QCOMPARE(unreadPc.machineUnreadable,
                 "the settings file for all users of this PC " + pc.string() + " is not in the form of a settings file");
        QVERIFY(!desktop::SaveMachineDeviceChoices(choices));
        QCOMPARE(config_.Get("pc/linked.conf"), garbage);
        fs::remove(pc);
        qputenv("TAVELIN_MACHINE_CONF", QByteArray::fromStdString((config_.Path() / "pc.conf").string()));
    }

private:
    TempDir config_;
};

QTEST_MAIN(SettingsDialogPosixTest)
#include "settings_dialog_posix_test.moc"
