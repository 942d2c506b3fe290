// SPDX-License-Identifier: MIT
// Takes the README's pictures of the settings dialog, one PNG per page:
// settings-comm.png, settings-polling.png and settings-datafiles.png in the
// directory given. Runs on any platform plugin (offscreen or a display); the
// pictures are the dialog's own rendering, without a window frame.
//
//   settings_screenshot OUTPUT_DIRECTORY
#include "settings/param_files.h"
#include "ui/controls.h"
#include "ui/settings_dialog.h"

#include <QApplication>
#include <QPixmap>
#include <QTabWidget>

#include <cstdio>
#include <filesystem>

using namespace tavelin;

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

    ui::SettingsDialog dialog(state, nullptr);
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
    return 0;
}
