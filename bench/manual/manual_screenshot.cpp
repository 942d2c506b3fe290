// SPDX-License-Identifier: MIT
// Takes the guides' pictures of the manual window: a simulated hand-held
// with a few warehouse files, the window in a scratch directory of PC files.
// Into OUTPUT_DIRECTORY go manual-work-folder.png (the work folder menu
// open, before connecting), manual-window.png (connected, the hand-held's
// list shown), manual-download.png (a download with its progress dialog
// over the window), manual-same-name.png (the question an upload asks when
// the PC has the file already) and auto-window.png (the automatic window of
// 全コピー during its run over hand-helds 1-3), and line-monitor.png (the line
// monitor, opened by its menu item before the connection, during the
// download). The emulated 19,200 bit/s line makes each copy last a few
// seconds. Needs a display
// (scripts/screenshot.sh runs it under Xvfb).
//
//   manual_screenshot OUTPUT_DIRECTORY
#include "manual_rig.h"

#include "link/qt/qt_event_pump.h"
#include "link/qt/qt_serial_port.h"
#include "modes/work_folders.h"
#include "ui/auto_window.h"
#include "ui/controls.h"
#include "ui/line_monitor_window.h"
#include "ui/manual_window.h"
#include "ui/program_icon.h"
#include "ui/transfer_dialog.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>
#include <utility>

using namespace tavelin;
namespace fs = std::filesystem;

namespace {

// The window with the dialog drawn over it where it stands, framed: there is
// no window manager under Xvfb to draw either frame.
QPixmap Composite(QWidget& window, QWidget& dialog)
{
    QPixmap picture = window.grab();
    const QPixmap over = dialog.grab();
    const QPoint at = dialog.geometry().topLeft() - window.geometry().topLeft();
    QPainter painter(&picture);
    painter.fillRect(QRect(at + QPoint(4, 4), over.deviceIndependentSize().toSize()), QColor(0, 0, 0, 60)); // shadow
    painter.drawPixmap(at, over);
    painter.setPen(QColor(90, 90, 90));
    painter.drawRect(QRect(at, over.deviceIndependentSize().toSize()).adjusted(0, 0, -1, -1));
    return picture;
}

bool Save(const QPixmap& picture, const fs::path& output)
{
    if (!picture.save(QString::fromStdString(output.string()), "PNG", 9)) {
        std::fprintf(stderr, "manual_screenshot: cannot write %s\n", output.c_str());
        return false;
    }
    std::printf("%s: %dx%d\n", output.c_str(), picture.width(), picture.height());
    return true;
}

// The work folder menu lists the folders of a site's day; choosing one does
// nothing here, since the menu is only looked at.
struct ExampleFolders final : modes::WorkFolders {
    std::vector<std::string> Recent() override
    {
        return {"/srv/warehouse/tavelin/data", "/srv/shop1/tavelin", "/srv/shop2/tavelin",
                "/home/operator/tavelin/returns"};
    }
    std::optional<std::string> AskFolder(const std::string&) override { return std::nullopt; }
    bool Enter(const std::string&) override { return false; }
};

// The window with its work folder menu open under the menu bar.
QPixmap WorkFolderMenuPicture(ui::ManualWindow& window)
{
    auto* menu = window.findChild<QMenu*>(QStringLiteral("Mn_Work"));
    if (!menu)
        return {};
    QAction* title = menu->menuAction();
    const QRect where = window.menuBar()->actionGeometry(title);
    window.menuBar()->setActiveAction(title); // opens the menu, its title highlighted
    benchrig::WaitFor([&] { return menu->isVisible(); }, 3000);
    benchrig::Pause(200);
    QPixmap picture = window.grab();
    if (menu->isVisible()) {
        const QPixmap over = menu->grab();
        const QPoint at = window.menuBar()->mapTo(&window, where.bottomLeft() + QPoint(0, 1));
        QPainter painter(&picture);
        painter.drawPixmap(at, over);
        painter.setPen(QColor(90, 90, 90));
        painter.drawRect(QRect(at, over.deviceIndependentSize().toSize()).adjusted(0, 0, -1, -1));
    } else {
        picture = QPixmap();
    }
    menu->hide();
    window.menuBar()->setActiveAction(nullptr);
    benchrig::Pause(100);
    return picture;
}

// Selects the hand-held file the PC has too, clicks Copy and takes the
// question over the window; キャンセル then leaves the PC's file as it was.
QPixmap SameNamePicture(ui::ManualWindow& window, const QString& name)
{
    auto* pcList = window.findChild<QListWidget*>(QStringLiteral("FcFile"));
    auto* hhtList = window.findChild<QTreeWidget*>(QStringLiteral("LbHHTFile"));
    auto* copy = window.findChild<QPushButton*>(QStringLiteral("BtnCopy"));
    const auto items = hhtList->findItems(name, Qt::MatchExactly);
    if (items.isEmpty())
        return {};
    pcList->clearSelection();
    hhtList->setFocus();
    hhtList->setCurrentItem(items.front());
    QPixmap picture;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* question = qobject_cast<ui::UploadFileDialog*>(top);
            if (question && question->isVisible()) {
                picture = Composite(window, *question);
                watch.stop();
                if (auto* cancel = question->findChild<QPushButton*>(QStringLiteral("BtnCancel")))
                    cancel->click();
            }
        }
    });
    watch.start(300);
    copy->click(); // returns when the question is answered and the upload has ended
    return picture;
}

// Selects the PC file alone, the hand-held's list cleared, as an operator
// does before copying it toward the hand-held.
bool SelectPcFile(ui::ManualWindow& window, const QString& name)
{
    auto* pcList = window.findChild<QListWidget*>(QStringLiteral("FcFile"));
    auto* hhtList = window.findChild<QTreeWidget*>(QStringLiteral("LbHHTFile"));
    const auto items = pcList->findItems(name, Qt::MatchExactly);
    if (items.isEmpty())
        return false;
    hhtList->clearSelection();
    pcList->setFocus();
    pcList->setCurrentItem(items.front());
    return true;
}

// Selects the PC file, clicks 全コピー and takes the automatic window once
// the first hand-held has its copy and the next one's bar has passed a third.
QPixmap CopyToAllPicture(ui::ManualWindow& window, const QString& name)
{
    auto* toAll = window.findChild<QPushButton*>(QStringLiteral("BtnADown"));
    if (!SelectPcFile(window, name))
        return {};
    QPixmap picture;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* automatic = qobject_cast<ui::AutoWindow*>(top);
            auto* bar = automatic && automatic->isVisible() ? automatic->findChild<QProgressBar*>(QStringLiteral("PBar"))
                                                            : nullptr;
            if (bar && bar->isVisible() && automatic->HistoryWidget()->count() >= 1 && bar->maximum() > 0 &&
                bar->value() >= bar->maximum() / 3) {
                picture = automatic->grab();
                watch.stop();
            }
        }
    });
    watch.start(100);
    toAll->click(); // returns when the run over every hand-held has ended
    return picture;
}

// The transfer dialog on the screen once its bar has passed `share` of the file.
ui::TransferDialog* DialogPast(double share)
{
    for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<ui::TransferDialog*>(top);
        auto* bar = dialog && dialog->isVisible() ? dialog->findChild<QProgressBar*>(QStringLiteral("PBar")) : nullptr;
        if (bar && bar->isVisible() && bar->maximum() > 0 && bar->value() >= bar->maximum() * share)
            return dialog;
    }
    return nullptr;
}

// Selects the PC file, clicks Copy and takes the picture once the dialog's
// bar has passed `share` of the file, and the line monitor's (when open) at
// `monitorShare`; the download then runs to its end.
QPixmap DownloadPicture(ui::ManualWindow& window, const QString& name, double share,
                        ui::LineMonitorWindow* monitor = nullptr, QPixmap* monitorPicture = nullptr,
                        double monitorShare = 0.7)
{
    auto* copy = window.findChild<QPushButton*>(QStringLiteral("BtnCopy"));
    if (!SelectPcFile(window, name))
        return {};
    QPixmap picture;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (ui::TransferDialog* dialog = picture.isNull() ? DialogPast(share) : nullptr)
            picture = Composite(window, *dialog);
        if (monitor && monitorPicture->isNull() && DialogPast(monitorShare)) {
            monitor->Refresh();
            *monitorPicture = monitor->grab();
        }
        if (!picture.isNull() && (!monitor || !monitorPicture->isNull()))
            watch.stop();
    });
    watch.start(100);
    copy->click(); // returns when the dialog has closed
    return picture;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: manual_screenshot OUTPUT_DIRECTORY\n");
        return 2;
    }
    const fs::path output = fs::absolute(argv[1]);
    if (!qEnvironmentVariableIsSet("DISPLAY") && !qEnvironmentVariableIsSet("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "manual_screenshot: needs a display (scripts/screenshot.sh starts Xvfb)\n");
        return 2;
    }

    // The PC directory sits a few levels down among sibling directories: the
    // directory tree, centred on it, shows them rather than whatever else the
    // temporary directory holds. The hand-held's store is hidden from the tree.
    benchrig::ScratchDir scratch("tavelin-shot");
    benchrig::EnsureRuntimeDir(scratch);
    const fs::path site = scratch.Path() / "srv" / "warehouse" / "tavelin";
    const fs::path work = site / "data";
    const fs::path store = scratch.Path() / ".hht";
    for (const char* sibling : {"archive", "backup", "config", "data", "export", "import", "logs", "reports", "returns",
                                "shipping", "stock"})
        fs::create_directories(site / sibling);
    fs::create_directories(store / "001");
    const std::pair<const char*, std::size_t> hhtFiles[] = {
        {"ITEMS.DAT", 48210}, {"STOCK.CSV", 12877}, {"ORDERS.TXT", 3456},  {"APP.HEX", 131072},
        {"PRICES.DAT", 20480}, {"LOCATION.CSV", 7312}, {"COUNT412.DAT", 9150}, {"SHIP.LOG", 1864},
    };
    for (const auto& [name, size] : hhtFiles)
        benchrig::PutFile(store / "001" / name, size, "ITEM");
    const std::pair<const char*, std::size_t> pcFiles[] = {
        {"MASTER.DAT", 26300}, {"PRICES.DAT", 20480}, {"ORDERS.TXT", 4120}, {"APP.HEX", 131072}, {"STORES.CSV", 2210},
    };
    for (const auto& [name, size] : pcFiles)
        benchrig::PutFile(work / name, size, "PC");
    // 全コピー goes to every hand-held of HHTPRM.DAT: the three served.
    std::ofstream(work / "HHTPRM.DAT", std::ios::binary) << "1,3\r\n";

    const fs::path line = store / "tty";
    benchrig::SimulatedHht simulator(
        TAVELIN_HHTSIM, {"--ids", "1-3", "--dir", store.string(), "--baud", "19200", "--quiet"}, line);
    if (!simulator.WaitForLink(5000)) {
        std::fprintf(stderr, "manual_screenshot: the simulator did not start\n");
        return 1;
    }
    setenv("TAVELIN_COM1", line.c_str(), 1);
    fs::current_path(work);

    QApplication application(argc, argv);
    QApplication::setWindowIcon(ui::ProgramIcon());
    if (!ui::UseCjkFont())
        std::fprintf(stderr, "manual_screenshot: no CJK font found; the captions will not render\n");
    settings::AppState state;
    link::QtEventPump pump;
    link::QtSerialPort port(pump);
    link::Link link{port, pump, state};
    if (!benchrig::StartLikeManualMode(state))
        return 1;

    ExampleFolders folders;
    ui::ManualWindow window(link, QString::fromStdString(app::WindowCaption(0)));
    window.SetWorkFolders(&folders);
    window.resize(900, 600);
    benchrig::DismissMessageBoxes(&window);
    window.show();
    benchrig::Pause(1500); // the directory tree fills in the background
    const QPixmap menu = WorkFolderMenuPicture(window);
    ui::LineMonitorWindow* monitor = nullptr;
    {
        for (QAction* action : window.actions()) {
            if (action->objectName() == QStringLiteral("Mn_Line"))
                action->trigger();
        }
        monitor = window.findChild<ui::LineMonitorWindow*>(QStringLiteral("Frm_Line"));
        if (!monitor) {
            std::fprintf(stderr, "manual_screenshot: the line monitor did not open\n");
            return 1;
        }
        monitor->resize(860, 440);
        window.activateWindow();
    }
    auto* start = window.findChild<QPushButton*>(QStringLiteral("BtnStart"));
    auto* list = window.findChild<QTreeWidget*>(QStringLiteral("LbHHTFile"));
    start->click();
    const bool shown = benchrig::WaitFor(
        [&] { return window.Session().ManualLinkOn() && !window.Session().HhtListPending(); }, 10000);
    if (!shown || list->topLevelItemCount() == 0) {
        std::fprintf(stderr, "manual_screenshot: the hand-held list did not arrive\n");
        return 1;
    }
    list->setCurrentItem(list->topLevelItem(0));
    list->setFocus();
    benchrig::Pause(300);

    const QPixmap picture = window.grab();
    QPixmap monitorPicture;
    const QPixmap download = DownloadPicture(window, QStringLiteral("MASTER.DAT"), 0.4, monitor, &monitorPicture);
    const QPixmap question = SameNamePicture(window, QStringLiteral("PRICES.DAT"));
    const QPixmap automatic = CopyToAllPicture(window, QStringLiteral("ORDERS.TXT"));
    bool closed = false;
    QObject::connect(&window, &ui::ManualWindow::Closed, [&] { closed = true; });
    window.close();
    benchrig::WaitFor([&] { return closed; }, 10000);
    const std::pair<const QPixmap*, const char*> pictures[] = {
        {&menu, "manual-work-folder.png"}, {&picture, "manual-window.png"}, {&download, "manual-download.png"},
        {&question, "manual-same-name.png"}, {&automatic, "auto-window.png"}, {&monitorPicture, "line-monitor.png"},
    };
    bool all = true;
    for (const auto& [shot, name] : pictures) {
        if (shot->isNull()) {
            std::fprintf(stderr, "manual_screenshot: %s: the window to take did not show\n", name);
            all = false;
        } else if (!Save(*shot, output / name)) {
            all = false;
        }
    }
    return all ? 0 : 1;
}
