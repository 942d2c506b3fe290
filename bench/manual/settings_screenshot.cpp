// SPDX-License-Identifier: MIT
// Takes the guides' pictures of the settings dialog, one PNG per page:
// settings-comm.png, settings-polling.png and settings-datafiles.png in the
// directory given, and settings-devices.png: the communication page with the
// list of COM1's device open over it. Runs on any platform plugin (offscreen or a display); the
// pictures are the dialog's own rendering, without a window frame.
//
//   settings_screenshot OUTPUT_DIRECTORY
#include "settings/param_files.h"
#include "ui/controls.h"
#include "ui/settings_dialog.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QPainter>
#include <QPixmap>
#include <QTabWidget>

#include <cstdio>
#include <filesystem>

using namespace tavelin;

namespace {

// Two USB adapters as the system would list them, so the picture does not
// depend on the machine it is taken on.
struct ExampleDevices final : link::SerialDeviceList {
    std::vector<link::SerialDeviceInfo> Devices() const override
    {
        return {{QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"),
                 QStringLiteral("/dev/ttyUSB0"), QStringLiteral("FT232R USB UART"), QStringLiteral("FTDI"),
                 QStringLiteral("A50285BI"), QStringLiteral("0403:6001")},
                {QStringLiteral("/dev/serial/by-id/usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0"),
                 QStringLiteral("/dev/ttyUSB1"), QStringLiteral("USB-Serial Controller"),
                 QStringLiteral("Prolific Technology Inc."), QString(), QStringLiteral("067b:2303")},
                {QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyS0"), {}, {}, {}, {}}};
    }
};

// The dialog with the open list painted where it shows: a popup is a
// window of its own, which grabbing the dialog leaves out.
QPixmap WithOpenList(QWidget& dialog, QComboBox& box)
{
    box.showPopup();
    QApplication::processEvents();
    QWidget* popup = box.view()->window();
    const QPixmap under = dialog.grab();
    const QPixmap list = popup->grab();
    const QPoint at = popup->mapToGlobal(QPoint()) - dialog.mapToGlobal(QPoint());
    const QRect whole = QRect(QPoint(), under.size()).united(QRect(at, list.size()));
    QPixmap picture(whole.size());
    picture.fill(dialog.palette().color(QPalette::Window));
    QPainter painter(&picture);
    painter.drawPixmap(-whole.topLeft(), under);
    painter.drawPixmap(at - whole.topLeft(), list);
    painter.end();
    box.hidePopup();
    return picture;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: settings_screenshot OUTPUT_DIRECTORY\n");
        return 2;
    }
    if (!ui::UseCjkFont())
        std::fprintf(stderr, "settings_screenshot: no CJK font installed; the captions may not show\n");
    const QString output = QString::fromLocal8Bit(argv[1]);

    // A site as an operator might have set it up; nothing is written, since
    // OK is never pressed.
    settings::AppState state;
    auto& s = state.settings;
    s.WorkDir = std::filesystem::temp_directory_path().string() + "/";
    settings::ApplyCommDefaults(s);
    s.BaudCode = "5";
    s.CommTimeout = 500;
    s.PollTimeout = 80;
    s.PortKindCode = "3";
    s.HhtIdRange[0] = {"1", "12"};
    s.HhtIdRange[1] = {"21", "24"};
    s.HhtIdRange[2] = {"101", "101"};
    s.ApFile = "/srv/warehouse/tavelin/app/HANDY.HEX";
    s.DownDir = "/srv/warehouse/tavelin/export/";
    s.UpDir = "/srv/warehouse/tavelin/import/";
    s.UploadMode = 2;
    s.HistoryMode = 2;
    s.AutoPollCount = 3;

    state.devices.chosen[0] = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    state.devices.chosen[1] = "/dev/ttyACM0";

    const ExampleDevices devices;
    ui::SettingsDialog dialog(state, nullptr, &devices);
    dialog.show();
    auto* tabs = dialog.findChild<QTabWidget*>(QStringLiteral("STabSet"));
    const char* names[] = {"settings-comm.png", "settings-polling.png", "settings-datafiles.png"};
    for (int page = 0; page < tabs->count(); ++page) {
        tabs->setCurrentIndex(page);
        QApplication::processEvents();
        const QString path = output + QLatin1Char('/') + QString::fromLatin1(names[page]);
        if (!dialog.grab().save(path)) {
            std::fprintf(stderr, "settings_screenshot: cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }

    tabs->setCurrentIndex(0);
    QApplication::processEvents();
    auto* com1 = dialog.findChild<QComboBox*>(QStringLiteral("CboDevCom1"));
    const QString path = output + QStringLiteral("/settings-devices.png");
    if (!com1 || !WithOpenList(dialog, *com1).save(path)) {
        std::fprintf(stderr, "settings_screenshot: cannot write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("%s\n", qPrintable(path));
    return 0;
}
