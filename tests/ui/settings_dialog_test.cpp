// SPDX-License-Identifier: MIT
// The settings dialog and its directory chooser on the offscreen platform:
// what they show, OK and its messages, the files written, Cancel by the
// window frame, and the dialog opened from the manual window's menu.
#include "settings_dialog_fixture.h"
#include "support/system.h"
#include "link/port_names.h"
#include "link/qt/qt_event_pump.h"
#include "link/qt/system_serial_port.h"
#include "desktop/user_settings_store.h"
#include "settings/param_files.h"
#include "settings/texts.h"
#include "support/temp_dir.h"
#include "ui/dir_dialog.h"
#include "ui/manual_window.h"
#include "ui/settings_dialog.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <filesystem>
#include <functional>

using namespace tavelin;
using namespace tavelin::testing;
namespace fs = std::filesystem;

class SettingsDialogTest : public QObject {
    Q_OBJECT

private slots:
    // The device map goes to a settings file of the test's own.
    void initTestCase() { UseSettingsFilesIn(config_); }

    void showsTheRecordNamesItsControlsAndSavesABaudRate()
    {
        Work work;
        fs::create_directory(work.dir.Path() / "dev");
        work.dir.Put("dev/com1", "");
        const bool deviceFiles = testing::SerialDevicesAreFiles();
        if (deviceFiles) {
            qputenv("TAVELIN_COM1", QByteArray::fromStdString((work.dir.Path() / "dev/com1").string()));
            qputenv("TAVELIN_COM2", QByteArray::fromStdString((work.dir.Path() / "dev/none").string()));
        } else {
            qputenv("TAVELIN_COM1", "COM7");
        }
        bool checked = false;
        WhenShown([&] {
            auto* dialog = ShownWindow<ui::SettingsDialog>();
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), U("設定"));
            auto* tabs = Control<QTabWidget>(dialog, "STabSet");
            QVERIFY(tabs && tabs->count() == 3);
            QCOMPARE(tabs->tabText(0), U("通信条件"));
            QCOMPARE(tabs->tabText(2), U("データファイル"));
            for (const char* name :
                 {"OBtB48", "OBtB96", "OBtB192", "OBtB384", "OBtB115K", "OBtPEve", "OBtPOdd", "OBtPNon", "OBtD7", "OBtD8",
                  "OBtS1", "OBtS2", "OBtCom1", "OBtCom2", "OBtCom3", "OBtCom4", "OBtO232C", "OBtOOPT", "OBtOJET", "OBtOIRL",
                  "TxtRSTOut", "TxtPTOut", "TxtIDS0", "TxtIDE0", "TxtIDS4", "TxtIDE4", "TxtDirAP", "TxtDirDown", "TxtDirUp",
                  "BtnDirA", "BtnDirD", "BtnDirU", "OBtUpOver", "OBtUpAdd", "OBtUpNon", "OBtHisNew", "OBtHisAdd",
                  "OBtHisNon", "TxtRetry", "BtnOk", "BtnCancel"}) {
                auto* control = Control<QWidget>(dialog, name);
                QVERIFY(control);
                QCOMPARE(control->accessibleDescription(), QString::fromLatin1(name));
                QVERIFY2(!control->accessibleName().isEmpty(), name);
            }
            auto* b48 = Control<QRadioButton>(dialog, "OBtB48");
            auto* b96 = Control<QRadioButton>(dialog, "OBtB96");
            auto* b192 = Control<QRadioButton>(dialog, "OBtB192");
            auto* timeout = Control<QLineEdit>(dialog, "TxtRSTOut");
            QCOMPARE(b48->text(), U("４８００"));
            QVERIFY(b192->isChecked());
            QCOMPARE(timeout->text(), QStringLiteral("1500")); // the record's, not the 19200 default
            QVERIFY(!b48->isEnabled() && b96->isEnabled()); // the port kind set them, last
            QVERIFY(!Control<QRadioButton>(dialog, "OBtB384")->isEnabled());
            QVERIFY(Control<QRadioButton>(dialog, "OBtOJET")->isChecked());
            QVERIFY(Control<QRadioButton>(dialog, "OBtUpAdd")->isChecked());
            QCOMPARE(Control<QLineEdit>(dialog, "TxtIDE0")->text(), QStringLiteral("3"));
            QCOMPARE(Control<QLineEdit>(dialog, "TxtIDS1")->text(), QString());
            QCOMPARE(Control<QLineEdit>(dialog, "TxtRetry")->text(), QStringLiteral("4"));
            const QString com1 = Control<QRadioButton>(dialog, "OBtCom1")->toolTip();
            const QString com2 = Control<QRadioButton>(dialog, "OBtCom2")->toolTip();
            QVERIFY(!Control<QWidget>(dialog, "CboDevCom1")->accessibleName().isEmpty());
            if (deviceFiles) {
                QVERIFY2(com1.contains(QLatin1String("dev/com1")) && com1.contains(U("（あり）")), qPrintable(com1));
                QVERIFY2(com2.contains(QLatin1String("dev/none")) && com2.contains(U("（見つかりません）")), qPrintable(com2));
            } else {
                // COMn opens in the device namespace, and is found when the
                // system's list of COM ports has it; the variable names a port.
                bool systemHasCom2 = false;
                for (const auto& device : link::SystemSerialDeviceList().Devices())
                    systemHasCom2 = systemHasCom2 || device.systemLocation == QLatin1String("COM2");
                QVERIFY2(com1.contains(QLatin1String("\\\\.\\COM7 (TAVELIN_COM1)\n")), qPrintable(com1));
                QVERIFY2(com2.contains(QLatin1String("\\\\.\\COM2\n")), qPrintable(com2));
                QVERIFY2(com2.contains(systemHasCom2 ? U("（あり）") : U("（見つかりません）")), qPrintable(com2));
            }
            // The variable overrules a choice; the box for COM1 says so.
            QVERIFY2(Control<QWidget>(dialog, "CboDevCom1")->toolTip().contains(QLatin1String("TAVELIN_COM1")),
                     qPrintable(Control<QWidget>(dialog, "CboDevCom1")->toolTip()));

            QTest::mouseClick(b96, Qt::LeftButton);
            QCOMPARE(timeout->text(), QStringLiteral("1000"));
            Control<QPushButton>(dialog, "BtnOk")->click();
            QVERIFY(!dialog->isVisible());
            checked = true;
        });
        QVERIFY(ui::ShowSettingsDialog(nullptr, work.state));
        QVERIFY(checked);
        QCOMPARE(work.dir.Get("RSPRM.DAT"), std::string("1210005010002\r\n"));
        QCOMPARE(work.state.settings.CommTimeout, std::int16_t(1000));
        qunsetenv("TAVELIN_COM1");
        qunsetenv("TAVELIN_COM2");
    }

    // A click on a baud button, by mouse or arrow key, and on the one already
    // selected, runs its handler once. The box is marked as the button
    // announces its click, after it has turned on and before the group passes
    // the click on: a second run, wired to the turning on, would have put the
    // default in before the mark.
    void aBaudClickRunsItsHandlerOnce()
    {
        Work work;
        work.state.settings.PortKindCode = "0";
        ui::SettingsDialog dialog(work.state, nullptr);
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog)); // the arrow keys move the focus
        auto* timeout = Control<QLineEdit>(&dialog, "TxtRSTOut");
        QCOMPARE(timeout->text(), QStringLiteral("1500")); // the record's, after the selected button's default
        QStringList shown;
        connect(timeout, &QLineEdit::textChanged, [&](const QString& text) { shown << text; });
        for (const char* name : {"OBtB48", "OBtB96", "OBtB192", "OBtB384", "OBtB115K"})
            connect(Control<QRadioButton>(&dialog, name), &QRadioButton::clicked,
                    [&] { timeout->setText(QStringLiteral("mark")); });

        QTest::mouseClick(Control<QRadioButton>(&dialog, "OBtB96"), Qt::LeftButton);
        QCOMPARE(shown, (QStringList{QStringLiteral("mark"), QStringLiteral("1000")}));
        shown.clear();
        Control<QRadioButton>(&dialog, "OBtB96")->setFocus();
        QTest::keyClick(Control<QRadioButton>(&dialog, "OBtB96"), Qt::Key_Down); // to 19200
        QVERIFY(Control<QRadioButton>(&dialog, "OBtB192")->isChecked());
        QCOMPARE(shown, (QStringList{QStringLiteral("mark"), QStringLiteral("800")}));
        shown.clear();
        timeout->setText(QStringLiteral("600"));
        QTest::mouseClick(Control<QRadioButton>(&dialog, "OBtB192"), Qt::LeftButton); // already selected
        QCOMPARE(shown, (QStringList{QStringLiteral("600"), QStringLiteral("mark"), QStringLiteral("800")}));
    }

    void aBaudRateThePortKindCannotCarryIsSavedAndTheDialogStaysOpen()
    {
        Work work;
        work.state.settings.PortKindCode = "0";
        QString message;
        bool stayedOpen = false;
        WhenShown([&] {
            auto* dialog = ShownWindow<ui::SettingsDialog>();
            QVERIFY(dialog);
            auto* b48 = Control<QRadioButton>(dialog, "OBtB48");
            QTest::mouseClick(b48, Qt::LeftButton);
            QCOMPARE(Control<QLineEdit>(dialog, "TxtRSTOut")->text(), QStringLiteral("2000"));
            QTest::mouseClick(Control<QRadioButton>(dialog, "OBtOJET"), Qt::LeftButton);
            QVERIFY(!b48->isEnabled() && b48->isChecked()); // disabled, still selected
            message = ClickForMessage(Control<QPushButton>(dialog, "BtnOk"));
            stayedOpen = dialog->isVisible();
            dialog->close(); // by the frame: the save stands
        });
        QVERIFY(ui::ShowSettingsDialog(nullptr, work.state));
        QCOMPARE(message, U("ボーレートが指定されていません"));
        QVERIFY(stayedOpen);
        QCOMPARE(work.dir.Get("RSPRM.DAT"), std::string("0210005020002\r\n"));
        QVERIFY(work.dir.Has("HHTPRM.DAT") && work.dir.Has("DIRPRM.DAT"));
    }

    void aRefusalKeepsTheDialogOpenAndClosingByTheFrameChangesNothing()
    {
        Work work;
        QString message;
        WhenShown([&] {
            auto* dialog = ShownWindow<ui::SettingsDialog>();
            QVERIFY(dialog);
            QTest::mouseClick(Control<QRadioButton>(dialog, "OBtB96"), Qt::LeftButton);
            Control<QLineEdit>(dialog, "TxtRSTOut")->setText(QStringLiteral("700"));
            Control<QLineEdit>(dialog, "TxtPTOut")->setText(QStringLiteral("301"));
            message = ClickForMessage(Control<QPushButton>(dialog, "BtnOk"));
            QVERIFY(dialog->isVisible());
            QCOMPARE(Control<QLineEdit>(dialog, "TxtRSTOut")->text(), QStringLiteral("800")); // raised before the refusal
            dialog->close();
        });
        const settings::Settings before = work.state.settings;
        QVERIFY(!ui::ShowSettingsDialog(nullptr, work.state));
        QCOMPARE(message, U("ポーリングTimeOutの値が正しくありません"));
        QCOMPARE(work.state.settings.BaudCode, before.BaudCode);
        QCOMPARE(work.state.settings.CommTimeout, before.CommTimeout);
        QVERIFY(!work.dir.Has("RSPRM.DAT") && !work.dir.Has("HHTPRM.DAT") && !work.dir.Has("DIRPRM.DAT"));
    }

    // OK that cannot write (the work folder deleted while the window was
    // open, as a full disk): the box names the file, the dialog stays open
    // with the values typed, and the record and files stay as they were.
    void anOkThatCannotWriteSaysWhichFileAndKeepsTheValuesTyped()
    {
        Work work;
        work.state.settings.WorkDir = work.dir.Text() + "gone/";
        QString message;
        QString timeout;
        bool stayedOpen = false;
        WhenShown([&] {
            auto* dialog = ShownWindow<ui::SettingsDialog>();
            QVERIFY(dialog);
            Control<QLineEdit>(dialog, "TxtRSTOut")->setText(QStringLiteral("2500"));
            message = ClickForMessage(Control<QPushButton>(dialog, "BtnOk"));
            stayedOpen = dialog->isVisible();
            timeout = Control<QLineEdit>(dialog, "TxtRSTOut")->text();
            dialog->close();
        });
        const settings::Settings before = work.state.settings;
        QVERIFY(!ui::ShowSettingsDialog(nullptr, work.state));
        QVERIFY(stayedOpen);
        QCOMPARE(timeout, QStringLiteral("2500"));
        QVERIFY2(message.startsWith(QString::fromUtf8(texts::kMsgSettingsNotSaved.data(), qsizetype(texts::kMsgSettingsNotSaved.size()))), qPrintable(message));
        QVERIFY2(message.endsWith(QString::fromStdString(work.dir.Text() + "gone/RSPRM.DAT")), qPrintable(message));
        QCOMPARE(work.state.settings.CommTimeout, before.CommTimeout);
        QVERIFY(!work.dir.Has("gone"));
    }

    // The box holds the system's own form of the path: `\` and a drive
    // letter on Windows; the tree and the model speak Qt's `/`.
    void theChooserFillsItsBoxWithADirectoryEndingInOneSeparator()
    {
        Work work;
        fs::create_directories(work.dir.Path() / "DATA/SUB");
        const QString data = QDir::fromNativeSeparators(QString::fromStdString((work.dir.Path() / "DATA").string()));
        const QString root = QString::fromStdString(fs::path(data.toStdString()).root_path().generic_string()); // "/", "C:/"
        QStringList boxTexts;
        WhenShown([&] {
            auto* dialog = ShownWindow<ui::SettingsDialog>();
            QVERIFY(dialog);
            auto* box = Control<QLineEdit>(dialog, "TxtDirAP");
            auto* browse = Control<QPushButton>(dialog, "BtnDirA");
            box->setText(QDir::toNativeSeparators(data + QStringLiteral("/AP.HEX")));

            // Opens at the file's directory; a subdirectory is taken.
            WhenShown([&] {
                auto* chooser = ShownWindow<ui::DirDialog>();
                QVERIFY(chooser);
                QCOMPARE(chooser->windowTitle(), U("ディレクトリ参照"));
                QCOMPARE(Control<QLineEdit>(chooser, "TxtMsg")->text(), U("アプリケーションディレクトリを選択してください"));
                auto* tree = Control<QTreeView>(chooser, "FcDir");
                auto* model = qobject_cast<QFileSystemModel*>(tree->model());
                QTRY_COMPARE(model->filePath(tree->currentIndex()), data);
                QCOMPARE(Control<QComboBox>(chooser, "FcDrive")->currentData().toString(),
                         QStorageInfo(data).rootPath());
                tree->setCurrentIndex(model->index(data + QStringLiteral("/SUB")));
                Control<QPushButton>(chooser, "BtnOk")->click();
            });
            browse->click();
            boxTexts << box->text();

            // The root gets no second separator.
            WhenShown([&] {
                auto* chooser = ShownWindow<ui::DirDialog>();
                QVERIFY(chooser);
                auto* tree = Control<QTreeView>(chooser, "FcDir");
                tree->setCurrentIndex(qobject_cast<QFileSystemModel*>(tree->model())->index(root));
                QTest::keyClick(tree, Qt::Key_Return); // Enter takes the highlighted directory
            });
            browse->click();
            boxTexts << box->text();

            // Closed by its frame: the box keeps its text.
            WhenShown([&] {
                auto* chooser = ShownWindow<ui::DirDialog>();
                QVERIFY(chooser);
                chooser->close();
            });
            Control<QPushButton>(dialog, "BtnDirU")->click();
            boxTexts << Control<QLineEdit>(dialog, "TxtDirUp")->text();
            dialog->close();
        });
        QVERIFY(!ui::ShowSettingsDialog(nullptr, work.state));
        QCOMPARE(boxTexts, (QStringList{QDir::toNativeSeparators(data + QStringLiteral("/SUB/")),
                                        QDir::toNativeSeparators(root), QString::fromStdString(work.dir.Text())}));
        QCOMPARE(work.state.settings.ApFile, work.dir.Text() + "AP.HEX"); // nothing applied before OK
    }

    void theChooserOpensAtTheCurrentDirectoryWhenTheBoxDirectoryIsGone()
    {
        ui::DirDialog chooser(settings::DirTarget::DownDir, QStringLiteral("/no/such/dir/X.DAT"), nullptr);
        QCOMPARE(chooser.Directory(), QDir::currentPath());
        QCOMPARE(chooser.findChild<QLineEdit*>(QStringLiteral("TxtMsg"))->text(), U("ダウンロードディレクトリを選択してください"));
    }

    // Last: needs the manual window's menu to open the dialog.
    void theManualWindowMenuOpensTheDialog()
    {
        Work work;
        work.state.settings.PortKindCode = "0";
        work.state.settings.PollInterval = 30;
        link::QtEventPump pump;
        const auto port = link::MakeSystemSerialPort(pump, work.state.devices);
        link::Link link{*port, pump, work.state};
        ui::ManualWindow window(link, QStringLiteral("caption"));
        window.show();
        auto* menu = window.findChild<QAction*>(QStringLiteral("Mn_Set"));
        QVERIFY(menu);
        QTRY_VERIFY(menu->isEnabled());
        bool opened = false;
        WhenShown([&] {
            auto* dialog = ShownWindow<ui::SettingsDialog>();
            QVERIFY(dialog);
            opened = true;
            QTest::mouseClick(Control<QRadioButton>(dialog, "OBtB384"), Qt::LeftButton);
            Control<QPushButton>(dialog, "BtnOk")->click();
        });
        menu->trigger();
        window.close();
        QVERIFY(opened);
        QCOMPARE(work.dir.Get("RSPRM.DAT"), std::string("3210005005000\r\n"));
    }

    // The system's devices by their stable names with what is known of them,
    // kept up to date while the dialog shows, a typed path taken as typed;
    // OK stores the map in the user's file beside other groups, Cancel not.
    void theDeviceChoiceOffersTheDevicesAndOkStoresTheMap()
    {
        qunsetenv("TAVELIN_COM1");
        qunsetenv("TAVELIN_COM2");
        {
            QSettings other(desktop::UserSettingsFile(), QSettings::IniFormat);
            other.setValue(QStringLiteral("workdir/last"), QStringLiteral("/srv/tavelin"));
        }
        Work work;
        FakeDevices fake;
        fake.devices = {Adapter()};
        ui::SettingsDialog dialog(work.state, nullptr, &fake);
        dialog.show();
        QComboBox* com1 = DeviceBox(&dialog, 1);
        QComboBox* com2 = DeviceBox(&dialog, 2);
        QVERIFY(com1 && com2 && DeviceBox(&dialog, 4));
        QVERIFY(com1->isEditable() && !com1->completer());
        QCOMPARE(com1->currentText(), QString()); // no choice yet: the standard device
        QVERIFY(com1->lineEdit()->placeholderText().contains(QString::fromStdString(link::StandardDevice(1))));
        QCOMPARE(Items(com2), QStringList{Adapter().path});
        const QString tip = com1->itemData(0, Qt::ToolTipRole).toString();
        for (const char* part : {"FT232R USB UART", "FTDI", "A50285BI", "0403:6001", "/dev/ttyUSB0"})
            QVERIFY2(tip.contains(QLatin1String(part)), qPrintable(tip));

        // A device plugged in while the dialog shows appears without a click;
        // opening the list looks again at once.
        auto second = Adapter();
        second.path = second.systemLocation = QStringLiteral("/dev/ttyACM0");
        second.vidPid.clear();
        fake.devices.push_back(second);
        QTRY_COMPARE_WITH_TIMEOUT(int(Items(com1).size()), 2, 10000);
        fake.devices.erase(fake.devices.begin());
        const int asked = fake.asked;
        com1->showPopup();
        com1->hidePopup();
        QVERIFY(fake.asked > asked);
        QCOMPARE(Items(com1), QStringList{QStringLiteral("/dev/ttyACM0")});

        // The adapter, chosen and then unplugged, stays chosen; a typed path too.
        com1->setEditText(Adapter().path);
        com2->setEditText(QStringLiteral("  /dev/pts/77 "));
        QVERIFY(Control<QRadioButton>(&dialog, "OBtCom1")->toolTip().contains(Adapter().path));
        Control<QPushButton>(&dialog, "BtnOk")->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(work.state.devices.chosen[0], Adapter().path.toStdString());
        QCOMPARE(work.state.devices.chosen[1], std::string("/dev/pts/77"));
        QCOMPARE(work.state.devices.chosen[2], std::string());
        if (testing::SettingsFileFollowsXdgConfigHome())
            QCOMPARE(desktop::UserSettingsFile(), QString::fromStdString((config_.Path() / "tavelin/tavelin.conf").string()));
        else
            QVERIFY2(desktop::UserSettingsFile().endsWith(QLatin1String("/qttest/tavelin-settings/tavelin.conf")),
                     qPrintable(desktop::UserSettingsFile()));
        QSettings stored(desktop::UserSettingsFile(), QSettings::IniFormat);
        QCOMPARE(stored.value(QStringLiteral("ports/COM1")).toString(), Adapter().path);
        QCOMPARE(stored.value(QStringLiteral("ports/COM2")).toString(), QStringLiteral("/dev/pts/77"));
        QVERIFY(!stored.contains(QStringLiteral("ports/COM3")));
        QCOMPARE(stored.value(QStringLiteral("workdir/last")).toString(), QStringLiteral("/srv/tavelin"));
        QCOMPARE(desktop::LoadDeviceChoices(), work.state.devices);

        // Shown again, the boxes hold the map; Cancel keeps it as it was.
        ui::SettingsDialog again(work.state, nullptr, &fake);
        again.show();
        QCOMPARE(DeviceBox(&again, 1)->currentText(), Adapter().path);
        DeviceBox(&again, 1)->setEditText(QString());
        Control<QPushButton>(&again, "BtnCancel")->click();
        QCOMPARE(work.state.devices.chosen[0], Adapter().path.toStdString());
        QCOMPARE(desktop::LoadDeviceChoices(), work.state.devices);
    }

    // Saved for all users of the PC, the choices go to the PC's file (its
    // folder made) and this user's own are dropped, so the user opens them
    // too; shown again, the box is ticked. Where the PC's folder cannot be
    // written the dialog says so and keeps the choice as this user's.
    void theChoiceForAllUsersGoesToThePcsFileOrStaysTheUsers()
    {
        qunsetenv("TAVELIN_COM1");
        qunsetenv("TAVELIN_COM2");
        const fs::path machine = config_.Path() / "pc" / "tavelin" / "tavelin.conf";
        qputenv("TAVELIN_MACHINE_CONF", QByteArray::fromStdString(machine.string()));
        QCOMPARE(desktop::MachineSettingsFile(), QString::fromStdString(machine.string()));
        {
            QSettings own(desktop::UserSettingsFile(), QSettings::IniFormat);
            own.remove(QStringLiteral("ports"));
            own.setValue(QStringLiteral("ports/COM2"), QStringLiteral("/dev/pts/1"));
        }
        Work work;
        work.state.devices = desktop::LoadDeviceChoices();
        FakeDevices fake;
        {
            ui::SettingsDialog dialog(work.state, nullptr, &fake);
            dialog.show();
            auto* forAll = Control<QCheckBox>(&dialog, "ChkDevAllUsers");
            QVERIFY(forAll && !forAll->isChecked()); // this user has a choice of their own
            QVERIFY(!forAll->accessibleName().isEmpty());
            QCOMPARE(DeviceBox(&dialog, 2)->currentText(), QStringLiteral("/dev/pts/1"));
            DeviceBox(&dialog, 1)->setEditText(QStringLiteral("/dev/ttyUSB5"));
            forAll->setChecked(true);
            Control<QPushButton>(&dialog, "BtnOk")->click();
            QVERIFY(!dialog.isVisible());
        }
        QSettings pc(QString::fromStdString(machine.string()), QSettings::IniFormat);
        QCOMPARE(pc.value(QStringLiteral("ports/COM1")).toString(), QStringLiteral("/dev/ttyUSB5"));
        QCOMPARE(pc.value(QStringLiteral("ports/COM2")).toString(), QStringLiteral("/dev/pts/1"));
        QCOMPARE(work.state.devices.chosen, (std::array<std::string, 4>{}));
        QCOMPARE(desktop::LoadDeviceChoices(), work.state.devices);
        QCOMPARE(link::ResolvePortDevice(1, work.state.devices).source, link::DeviceSource::ChosenForPc);
        {
            ui::SettingsDialog again(work.state, nullptr, &fake);
            again.show();
            QVERIFY(Control<QCheckBox>(&again, "ChkDevAllUsers")->isChecked());
            QCOMPARE(DeviceBox(&again, 1)->currentText(), QStringLiteral("/dev/ttyUSB5"));
            // Saved for this user alone, only what differs from the PC's is kept.
            Control<QCheckBox>(&again, "ChkDevAllUsers")->setChecked(false);
            DeviceBox(&again, 2)->setEditText(QStringLiteral("/dev/ttyUSB6"));
            Control<QPushButton>(&again, "BtnOk")->click();
        }
        QCOMPARE(work.state.devices.chosen[0], std::string());
        QCOMPARE(work.state.devices.chosen[1], std::string("/dev/ttyUSB6"));
        QCOMPARE(work.state.devices.machine[1], std::string("/dev/pts/1"));
        QCOMPARE(desktop::LoadDeviceChoices(), work.state.devices);

        // A file where the folder would be: not even an administrator writes
        // there, as a user without the right may not write ProgramData.
        const fs::path locked = config_.Path() / "locked";
        config_.Put("locked", "not a folder");
        qputenv("TAVELIN_MACHINE_CONF", QByteArray::fromStdString((locked / "tavelin/tavelin.conf").string()));
        work.state.devices = desktop::LoadDeviceChoices();
        QString message;
        {
            ui::SettingsDialog refused(work.state, nullptr, &fake);
            refused.show();
            DeviceBox(&refused, 3)->setEditText(QStringLiteral("/dev/ttyUSB9"));
            Control<QCheckBox>(&refused, "ChkDevAllUsers")->setChecked(true);
            message = ClickForMessage(Control<QPushButton>(&refused, "BtnOk"));
            QVERIFY(!refused.isVisible());
        }
        QVERIFY2(message.contains(U("すべてのユーザーに保存できませんでした")), qPrintable(message));
        QVERIFY2(message.contains(QDir::toNativeSeparators(QString::fromStdString((locked / "tavelin").string()))),
                 qPrintable(message));
        QCOMPARE(config_.Get("locked"), std::string("not a folder"));
        QCOMPARE(work.state.devices.chosen[2], std::string("/dev/ttyUSB9")); // nothing lost
        QCOMPARE(work.state.devices.chosen[1], std::string("/dev/ttyUSB6"));
        QCOMPARE(desktop::LoadDeviceChoices(), work.state.devices);
        qputenv("TAVELIN_MACHINE_CONF", QByteArray::fromStdString((config_.Path() / "pc.conf").string()));
    }


private:
    testing::TempDir config_;
};

QTEST_MAIN(SettingsDialogTest)
#include "settings_dialog_test.moc"
