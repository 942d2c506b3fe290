// SPDX-License-Identifier: MIT
// The settings dialog's tests, on every system and on one alone: a record
// to show, devices that come and go as a test says, the dialog's controls
// by name, and modal loops answered once they show their window.
#pragma once

#include "idle_windows.h"
#include "link/qt/serial_device_list.h"
#include "desktop/user_settings_store.h"
#include "settings/param_files.h"
#include "support/system.h"
#include "support/temp_dir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

namespace tavelin::testing {

// The device map goes to a settings file in `config`, and there is no
// choice for all users of the PC this runs on. Windows keeps the file in the
// user's application data: a test folder there.
inline void UseSettingsFilesIn(const TempDir& config)
{
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.Path().string()));
    qputenv("TAVELIN_MACHINE_CONF", QByteArray::fromStdString((config.Path() / "pc.conf").string()));
    if (!SettingsFileFollowsXdgConfigHome()) {
        QStandardPaths::setTestModeEnabled(true);
        QFile::remove(desktop::UserSettingsFile());
    }
}

inline QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// Runs `step` once the modal loop about to start has shown its window. A
// step that failed half-way closes that window, so the test ends.
inline void WhenShown(std::function<void()> step)
{
    QTimer::singleShot(0, [step = std::move(step)] {
        step();
        if (QTest::currentTestFailed())
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
    });
}

// Clicks `button`, which opens a message box; answers it and returns its text.
inline QString ClickForMessage(QAbstractButton* button)
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

inline link::SerialDeviceInfo Adapter()
{
    return {QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"),
            QStringLiteral("/dev/ttyUSB0"), QStringLiteral("FT232R USB UART"), QStringLiteral("FTDI"),
            QStringLiteral("A50285BI"), QStringLiteral("0403:6001")};
}

inline QComboBox* DeviceBox(QWidget* dialog, int commPort)
{
    return Control<QComboBox>(dialog, ("CboDevCom" + std::to_string(commPort)).c_str());
}

inline QStringList Items(QComboBox* box)
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

} // namespace tavelin::testing
