// SPDX-License-Identifier: MIT
// The program: the options, the work folder, one copy per work folder, then a
// batch run or the operator's window (session.h) and its exit status
// (exit_status.h). Stop signals are caught from the first moment, before
// the slow start of the window system (stop_signals.h).
#include "already_running.h"
#include "desktop_start.h"
#include "display.h"
#include "exit_status.h"
#include "help_text.h"
#include "options.h"
#include "scan_command.h"
#include "session.h"
#include "settings/console_output.h"
#include "single_instance.h"
#include "startup.h"
#include "stop_signals.h"
#include "surroundings.h"
#include "system_log.h"

#include "desktop/user_settings.h"
#include "settings/paths.h"

#include <QApplication>
#include <QDir>

#include <cstdio>
#include <optional>
#include <string>

using namespace tavelin;

int main(int argc, char** argv)
{
    app::OpenMissingStandardDescriptors();
    app::IgnoreBrokenPipes();
    app::IgnoreFileSizeLimitSignal();
    const app::Options options = app::ParseOptions(argc, argv);
    switch (options.action) {
    case app::OptionsAction::Help: app::PrintHelp(); return app::kExitOk;
    case app::OptionsAction::Version: app::PrintVersion(); return app::kExitOk;
    case app::OptionsAction::Usage: app::PrintUsage(options.problem); return app::kExitUsage;
    case app::OptionsAction::Run:
    case app::OptionsAction::Scan: break;
    }
    const std::string& commandLine = options.commandLine; // the switches, without the options and their folders
    // Before anything of Qt's: GLib cannot fail gracefully once it runs.
    const bool window = options.action == app::OptionsAction::Run && app::RunModeFromCommandLine(commandLine) == 0;
    // A batch run that ends before its session leaves its entry in the
    // system's log all the same: a site watches for exactly these.
    const bool batch = options.action == app::OptionsAction::Run && !window;
    const auto endBefore = [batch](int status) {
        if (batch)
            app::WriteToSystemLog(app::DescribeBatchRun({}, status));
        return status;
    };
    const int needed = window ? app::kDescriptorsForTheWindow : app::kDescriptorsForABatchRun;
    if (const int free = app::FreeDescriptors(needed); free < needed) {
        settings::PrintText(stderr,
                            "tavelin: only %d more files can be opened (ulimit -n) where %d are needed; nothing was "
                            "read or written\n",
                            free, needed);
        return endBefore(app::kExitStartupFailed);
    }
    app::CatchStopSignals();
    // This user's settings and this PC's, read once for the whole run.
    desktop::UserSettings userSettings;
    std::optional<app::DesktopFolder> desktop;
    if (options.desktop) {
        desktop = app::ChooseDesktopStartFolder(userSettings.LastWorkFolder());
        if (!desktop)
            return endBefore(app::kExitStartupFailed);
    }
    if (options.workDir && !app::EnterNamedWorkFolder(*options.workDir))
        return endBefore(app::kExitStartupFailed);
    // One copy per work folder: the desktop's is decided, not entered yet.
    app::SingleInstance instance(desktop ? QString::fromStdString(desktop->dir) : QDir::currentPath());
    switch (instance.Acquire()) {
    case app::InstanceLock::Acquired:
        break;
    case app::InstanceLock::HeldElsewhere:
        if (window && app::HandedOverToWindow(argc, argv, instance))
            return app::kExitOk;
        app::SayAlreadyRunning(argc, argv, window, instance);
        return endBefore(app::kExitAlreadyRunning);
    case app::InstanceLock::Unusable:
        // A lock that is not ours may be another copy's, or planted to let
        // two runs share a line: never run without the check.
        app::SayLockUnusable(instance);
        return endBefore(app::kExitAlreadyRunning);
    }
    if (desktop && !app::EnterDesktopStartFolder(*desktop))
        return endBefore(app::kExitStartupFailed);
    // Every file of the run is named from here; without it there is no run.
    const auto workDir = settings::ResolvedCurrentDirectory();
    if (!workDir) {
        settings::PrintText(stderr, "tavelin: the current directory cannot be named (it was removed?); nothing was "
                                    "read or written\n");
        return endBefore(app::kExitStartupFailed);
    }

    if (options.action == app::OptionsAction::Scan)
        return app::RunScanCommand(argc, argv, options, userSettings.Devices(), *workDir,
                                   instance.Path().toStdString());

    const bool automatic = app::RunModeFromCommandLine(commandLine) != 0;
    bool screen = false;
    if (!app::ChooseDisplay(automatic, screen))
        return endBefore(app::kExitNoDisplay);
    app::EnsureRuntimeDir();
    QApplication application(argc, argv);
    desktop::NameTheApplication();
    if (!app::CheckDisplayReached(automatic, screen))
        return endBefore(app::kExitNoDisplay);
    return app::RunSession(options, userSettings, desktop, *workDir, instance, screen);
}
