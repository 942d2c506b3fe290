// SPDX-License-Identifier: MIT
// The settings dialog and its directory chooser on the offscreen platform:
// what they show, OK and its messages, the files written, Cancel by the
// window frame, and the dialog opened from the manual window's menu.
#include "idle_windows.h"
#include "link/port_names.h"
#include "link/qt/qt_event_pump.h"
#include "link/qt/system_serial_port.h"
#include "desktop/user_settings_store.h"
#include "settings/param_files.h"
#include "settings/texts.h"
#include "temp_dir.h"
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
using tavelin::testing::ShownWindow;
namespace fs = std::filesystem;

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }


// Runs `step` once the modal loop about to start has shown its window. A
// step that failed half-way closes that window, so the test ends.
void WhenShown(std::function<void()> step)
{
    QTimer::singleShot(0, [step = std::move(step)] {
        step();
        if (QTest::currentTestFailed())
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
    });
}

// Clicks `button`, which opens a message box; answers it and returns its text.
QString ClickForMessage(QAbstractButton* button)
{
    QString text;
    WhenShown([&] {
        if (auto* box = ShownWindow<QMessageBox>()) {
            text = box->text();
            box->accept();
        }
    });
    button->click();
    return text;
}

template <typename T> T* Control(QWidget* dialog, const char* name)
{
    auto* control = dialog->findChild<T*>(QString::fromLatin1(name));
    if (!control)
        qWarning("no control %s", name);
    return control;
}

// Devices that come and go as the test says.
struct FakeDevices final : link::SerialDeviceList {
    std::vector<link::SerialDeviceInfo> devices;
    mutable int asked = 0;
    std::vector<link::SerialDeviceInfo> Devices() const override
    {
        ++asked;
        return devices;
    }
};

link::SerialDeviceInfo Adapter()
{
    return {QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"),
            QStringLiteral("/dev/ttyUSB0"), QStringLiteral("FT232R USB UART"), QStringLiteral("FTDI"),
            QStringLiteral("A50285BI"), QStringLiteral("0403:6001")};
}

QComboBox* DeviceBox(QWidget* dialog, int commPort)
{
    return Control<QComboBox>(dialog, ("CboDevCom" + std::to_string(commPort)).c_str());
}

QStringList Items(QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

struct Work {
    testing::TempDir dir;
    settings::AppState state;

    Work()
    {
        auto& s = state.settings;
        s.WorkDir = dir.Text();
        settings::ApplyCommDefaults(s);
        s.CommTimeout = 1500;
        s.PortKindCode = "2"; // JetEye PC: 4800 and 38400 off
        s.HhtIdRange[0] = {"1", "3"};
        s.HhtIdOn.fill("0");
        s.HhtIdOn[0] = s.HhtIdOn[1] = s.HhtIdOn[2] = "1";
        s.ApFile = dir.Text() + "AP.HEX";
        s.DownDir = s.UpDir = dir.Text();
        s.UploadMode = 2;
        s.HistoryMode = 1;
        s.AutoPollCount = 4;
    }
};

} // namespace

class SettingsDialogTest : public QObject {
    Q_OBJECT

private slots:
    // The device map goes to a settings file of the test's own.
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config_.Path().string()));
        // and no choice for all users of the PC this runs on
        qputenv("TAVELIN_MACHINE_CONF", QByteArray::fromStdString((config_.Path() / "pc.conf").string()));
#ifdef _WIN32
        // Windows keeps it in the user's application data: a test folder there.
        QStandardPaths::setTestModeEnabled(true);
        QFile::remove(desktop::UserSettingsFile());
#endif
    }

    void showsTheRecordNamesItsControlsAndSavesABaudRate()
    {
        Work work;
        fs::create_directory(work.dir.Path() / "dev");
        work.dir.Put("dev/com1", "");
#ifdef _WIN32
        qputenv("TAVELIN_COM1", "COM7");
#else
        qputenv("TAVELIN_COM1", QByteArray::fromStdString((work.dir.Path() / "dev/com1").string()));
        qputenv("TAVELIN_COM2", QByteArray::fromStdString((work.dir.Path() / "dev/none").string()));
#endif
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
#ifdef _WIN32
            // COMn opens in the device namespace, and is found when the
            // system's list of COM ports has it; the variable names a port.
            bool systemHasCom2 = false;
            for (const auto& device : link::SystemSerialDeviceList().Devices())
                systemHasCom2 = systemHasCom2 || device.systemLocation == QLatin1String("COM2");
            QVERIFY2(com1.contains(QLatin1String("\\\\.\\COM7 (TAVELIN_COM1)\n")), qPrintable(com1));
            QVERIFY2(com2.contains(QLatin1String("\\\\.\\COM2\n")), qPrintable(com2));
            QVERIFY2(com2.contains(systemHasCom2 ? U("（あり）") : U("（見つかりません）")), qPrintable(com2));
#else
            QVERIFY2(com1.contains(QLatin1String("dev/com1")) && com1.contains(U("（あり）")), qPrintable(com1));
            QVERIFY2(com2.contains(QLatin1String("dev/none")) && com2.contains(U("（見つかりません）")), qPrintable(com2));
#endif
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
#ifdef _WIN32
        const QString root = data.left(3); // "C:/"
        QVERIFY2(QRegularExpression(QStringLiteral("^[A-Z]:/$")).match(root).hasMatch(), qPrintable(root));
#else
        const QString root = QStringLiteral("/");
#endif
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
#ifdef _WIN32
                QCOMPARE(Control<QComboBox>(chooser, "FcDrive")->currentData().toString(), root);
                QCOMPARE(Control<QComboBox>(chooser, "FcDrive")->currentText(), QDir::toNativeSeparators(root));
#else
                QCOMPARE(Control<QComboBox>(chooser, "FcDrive")->currentData().toString(),
                         QStorageInfo(data).rootPath());
#endif
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

#ifdef _WIN32
    // The drive list holds the drive letters, shown as the system writes
    // them; a drive chosen there is where the tree goes, and OK answers its
    // root in the system's form.
    void theChooserListsDriveLettersAndItsTreeFollowsTheDriveChosen()
    {
        Work work;
        ui::DirDialog chooser(settings::DirTarget::DownDir, QString::fromStdString(work.dir.Text()), nullptr);
        chooser.show();
        auto* drives = Control<QComboBox>(&chooser, "FcDrive");
        auto* tree = Control<QTreeView>(&chooser, "FcDir");
        auto* model = qobject_cast<QFileSystemModel*>(tree->model());
        const QRegularExpression letter(QStringLiteral("^[A-Z]:/$"));
        QVERIFY(drives->count() >= 1);
        for (int i = 0; i < drives->count(); ++i) {
            const QString root = drives->itemData(i).toString();
            QVERIFY2(letter.match(root).hasMatch(), qPrintable(root));
            QCOMPARE(drives->itemText(i), QDir::toNativeSeparators(root)); // "C:\"
        }
        const QString here = QDir::fromNativeSeparators(QString::fromStdString(work.dir.Path().string()));
        QCOMPARE(drives->currentData().toString(), here.left(3));
        QTRY_COMPARE(model->filePath(tree->currentIndex()), here);

        // Another drive that can be read where there is one (Wine maps Z:
        // to the host's /), else the same drive's root.
        int other = drives->currentIndex();
        for (int i = 0; i < drives->count(); ++i) {
            std::error_code unreadable;
            fs::directory_iterator probe(drives->itemData(i).toString().toStdWString(), unreadable);
            if (i != drives->currentIndex() && !unreadable)
                other = i;
        }
        const QString root = drives->itemData(other).toString();
        drives->setCurrentIndex(other);
        emit drives->activated(other);
        QCOMPARE(chooser.Directory(), root);
        QCOMPARE(model->filePath(tree->currentIndex()), root);
        Control<QPushButton>(&chooser, "BtnOk")->click();
        QCOMPARE(chooser.Chosen(), std::optional<QString>(QDir::toNativeSeparators(root)));
    }

    // COM names: the system's COM ports offered by name, a choice opened in
    // the device namespace (COM10 and above too), found or not in the
    // system's list whatever the case it was typed in.
    void aComPortIsFoundByItsNameInTheSystemsList()
    {
        Work work;
        FakeDevices fake;
        fake.devices = {{QStringLiteral("COM3"), QStringLiteral("COM3"), QStringLiteral("USB Serial Port"), {}, {}, {}},
                        {QStringLiteral("COM12"), QStringLiteral("COM12"), {}, {}, {}, {}}};
        ui::SettingsDialog dialog(work.state, nullptr, &fake);
        dialog.show();
        QComboBox* com1 = DeviceBox(&dialog, 1);
        QCOMPARE(Items(com1), (QStringList{QStringLiteral("COM3"), QStringLiteral("COM12")}));
        QVERIFY(com1->lineEdit()->placeholderText().contains(QLatin1String("\\\\.\\COM1")));
        const auto tip = [&](int commPort) {
            return Control<QRadioButton>(&dialog, ("OBtCom" + std::to_string(commPort)).c_str())->toolTip();
        };
        QVERIFY2(tip(1).contains(QLatin1String("\\\\.\\COM1\n")) && tip(1).contains(U("（見つかりません）")),
                 qPrintable(tip(1)));
        QVERIFY2(tip(3).contains(QLatin1String("\\\\.\\COM3\n")) && tip(3).contains(U("（あり）")), qPrintable(tip(3)));

        com1->setEditText(QStringLiteral("com12"));
        DeviceBox(&dialog, 2)->setEditText(QStringLiteral("COM7"));
        QVERIFY2(tip(1).contains(QLatin1String("\\\\.\\com12\n")) && tip(1).contains(U("（あり）")), qPrintable(tip(1)));
        QVERIFY2(tip(2).contains(QLatin1String("\\\\.\\COM7\n")) && tip(2).contains(U("（見つかりません）")),
                 qPrintable(tip(2)));
        Control<QPushButton>(&dialog, "BtnOk")->click();
        QCOMPARE(work.state.devices.chosen[0], std::string("com12"));
        QCOMPARE(link::PortDeviceName(1, work.state.devices), std::string("\\\\.\\com12"));
    }
#endif

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
#ifdef _WIN32
        QVERIFY(com1->lineEdit()->placeholderText().contains(QLatin1String("\\\\.\\COM1")));
#else
        QVERIFY(com1->lineEdit()->placeholderText().contains(QLatin1String("/dev/ttyS0")));
#endif
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
#ifdef _WIN32
        QVERIFY2(desktop::UserSettingsFile().endsWith(QLatin1String("/qttest/tavelin/tavelin.conf")),
                 qPrintable(desktop::UserSettingsFile()));
#else
        QCOMPARE(desktop::UserSettingsFile(), QString::fromStdString((config_.Path() / "tavelin/tavelin.conf").string()));
#endif
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

#ifndef _WIN32
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
#endif

private:
    testing::TempDir config_;
};

QTEST_MAIN(SettingsDialogTest)
#include "settings_dialog_test.moc"
