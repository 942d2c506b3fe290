// SPDX-License-Identifier: MIT
// The program: one copy per user, the start-up sequence on a 10 ms timer
// once the event loop runs, then the mode window it chose. A stop signal
// quits the run as ENDPRM.DAT "2" does (in manual mode: closes the window);
// they are caught from the first moment (stop_signals.h).
#include "display.h"
#include "exit_status.h"
#include "help_text.h"
#include "options.h"
#include "qt_message_box.h"
#include "runtime_dir.h"
#include "single_instance.h"
#include "startup.h"
#include "stop_signals.h"
#include "surroundings.h"
#include "user_settings.h"
#include "work_folder.h"

#include "link/frame.h"
#include "link/qt/device_map_store.h"
#include "link/qt/qt_event_pump.h"
#include "link/qt/system_serial_port.h"
#include "settings/app_state.h"
#include "settings/paths.h"
#include "settings/texts.h"
#include "ui/auto_window.h"
#include "ui/controls.h"
#include "ui/manual_window.h"
#include "ui/program_icon.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace {

using namespace tavelin;

// --workdir DIR: entered before the lock and every file, so the run is the
// one it would be if started there. False (said on standard error) when
// there is no such folder to run in.
bool EnterNamedWorkFolder(const std::string& dir)
{
    if (const std::string problem = app::EnterWorkFolder(dir); !problem.empty()) {
        std::fprintf(stderr, "tavelin: cannot enter the work folder %s (%s); nothing was read or written\n",
                     dir.c_str(), problem.c_str());
        return false;
    }
    return true;
}

void SayNoDesktopFolder(const std::string& problem)
{
    std::fprintf(stderr, "tavelin: no work folder for the desktop: %s; nothing was read or written\n",
                 problem.c_str());
}

// The desktop's folder, decided only: it is made once this copy holds the
// lock, so a copy that gives way leaves nothing behind.
std::optional<app::DesktopFolder> ChooseDesktopFolder()
{
    std::string problem;
    auto folder = app::ChooseDesktopFolder(app::UserSettings().LastWorkFolder(),
                                           qEnvironmentVariable("XDG_DATA_HOME").toStdString(),
                                           qEnvironmentVariable("HOME").toStdString(), problem);
    if (!folder)
        SayNoDesktopFolder(problem);
    return folder;
}

bool EnterDesktopFolder(app::DesktopFolder& folder)
{
    std::string problem;
    if (!app::PrepareDesktopFolder(folder, problem)) {
        SayNoDesktopFolder(problem);
        return false;
    }
    if (folder.goneLast)
        std::fprintf(stderr, "tavelin: the work folder used last (%s) is gone; running in %s\n",
                     folder.goneLast->c_str(), folder.dir.c_str());
    if (folder.starter)
        std::fprintf(stderr, "tavelin: wrote starter parameter files in %s; check them in the settings\n",
                     folder.dir.c_str());
    return EnterNamedWorkFolder(folder.dir);
}

// A window start that gives way to a copy already running: from the
// desktop menu nobody reads standard error, so a display shows it in a box
// too. A stop signal closes the box.
void SayAlreadyRunningInABox(int& argc, char** argv)
{
    if (!app::ScreenAvailable())
        return;
    app::FallBackToOffscreen();
    app::EnsureRuntimeDir();
    QApplication application(argc, argv);
    app::NameTheApplication();
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return;
    ui::UseCjkFont();
    ui::UseJapaneseQtTexts();
    const app::StopSignalWatch stopSignals([] { app::CloseWaitingMessageBoxes(); });
    app::QtMessageBox(true).Show(texts::kMsgAlreadyRunning);
}

} // namespace

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
    case app::OptionsAction::Run: break;
    }
    app::CatchStopSignals();
    const std::string& commandLine = options.commandLine; // the switches, without the options and their folders
    std::optional<app::DesktopFolder> desktop;
    if (options.desktop) {
        desktop = ChooseDesktopFolder();
        if (!desktop)
            return app::kExitStartupFailed;
    }
    if (options.workDir && !EnterNamedWorkFolder(*options.workDir))
        return app::kExitStartupFailed;
    app::SingleInstance instance;
    switch (instance.Acquire()) {
    case app::InstanceLock::Acquired:
        break;
    case app::InstanceLock::HeldElsewhere:
        if (const long long owner = app::SingleInstance::RecordedOwner())
            std::fprintf(stderr, "tavelin: another copy is already running (process %lld); this one ends\n", owner);
        else
            std::fprintf(stderr, "tavelin: another copy is already running; this one ends\n");
        if (app::RunModeFromCommandLine(commandLine) == 0)
            SayAlreadyRunningInABox(argc, argv);
        return app::kExitAlreadyRunning;
    case app::InstanceLock::Unusable:
        // A lock that is not ours may be another copy's, or planted to let
        // two runs share a line: never run without the check.
        std::fprintf(stderr, "tavelin: cannot use the lock file %s (%s); another copy may be running, so this one "
                             "ends\n",
                     qPrintable(app::SingleInstance::LockPath()), instance.Problem().c_str());
        return app::kExitAlreadyRunning;
    }
    if (desktop && !EnterDesktopFolder(*desktop))
        return app::kExitStartupFailed;
    // Every file of the run is named from here; without it there is no run.
    const auto workDir = settings::ResolvedCurrentDirectory();
    if (!workDir) {
        std::fprintf(stderr, "tavelin: the current directory cannot be named (it was removed?); nothing was read or "
                             "written\n");
        return app::kExitStartupFailed;
    }

    const bool automatic = app::RunModeFromCommandLine(commandLine) != 0;
    bool screen = false;
    if (!app::ChooseDisplay(automatic, screen))
        return app::kExitNoDisplay;
    app::EnsureRuntimeDir();
    QApplication application(argc, argv);
    app::NameTheApplication();
    if (!app::CheckDisplayReached(automatic, screen))
        return app::kExitNoDisplay;
    settings::AppState state;
    state.devices = link::LoadDeviceChoices(); // the same map for the window and for cron
    if (!state.devices.unreadable.empty())
        std::fprintf(stderr, "tavelin: %s; the devices chosen in 設定 cannot be used\n",
                     state.devices.unreadable.c_str());
    app::QtMessageBox messages(screen);
    app::UserSettings user;
    link::QtEventPump pump;
    link::SystemSerialPort port(pump);
    port.UseDeviceChoices(state.devices);
    link::Link link{port, pump, state};
    // TAVELIN_TRACE: every frame, for a line's troubles
    const auto trace = link::Tracer::FromEnvironment(app::FilesOfTheRun(*workDir));
    link.trace = trace.get();
    std::unique_ptr<ui::AutoWindow> autoWindow;
    std::unique_ptr<ui::ManualWindow> manualWindow;
    std::unique_ptr<app::QtWorkFolders> workFolders;
    QApplication::setWindowIcon(ui::ProgramIcon());
    if (screen) {
        ui::UseCjkFont();
        ui::UseJapaneseQtTexts(); // the edit boxes' context menus, Qt's standard buttons
    }
    int status = app::kExitOk;
    bool signalled = false;

    // What a signal asks for depends on what is showing when the event loop
    // sees it; one that comes before the start-up is applied to its window.
    const auto quitOnSignal = [&] {
        if (autoWindow)
            autoWindow->RequestQuit();
        else if (manualWindow)
            manualWindow->close();
    };
    std::optional<app::StopSignalWatch> stopSignals(std::in_place, [&] {
        if (signalled)
            return;
        signalled = true;
        // A box waiting for its OK would hold the quit until somebody came.
        messages.StopWaiting();
        app::CloseWaitingMessageBoxes();
        quitOnSignal();
    });

    // StartTimer: the start-up runs once the event loop is up.
    QTimer::singleShot(10, [&] {
        app::Startup startup(state, messages);
        const auto result = startup.Run(commandLine, *workDir);
        const auto mode = state.settings.RunMode;
        if (result.end == app::StartupEnd::EndProgram) {
            status = app::kExitStartupFailed;
        } else if (result.end == app::StartupEnd::ShowAutomatic) {
            autoWindow = std::make_unique<ui::AutoWindow>(link, QString::fromStdString(app::WindowCaption(mode)));
            QObject::connect(autoWindow.get(), &ui::AutoWindow::Closed, [&] {
                status = autoWindow->Cycle().Failed() ? app::kExitStartupFailed
                         : signalled                  ? app::kExitSignal
                                                      : app::kExitOk;
                QApplication::exit(status);
            });
            if (result.minimised)
                autoWindow->showMinimized();
            else
                autoWindow->show();
            if (signalled)
                quitOnSignal();
            return; // the program ends when the window closes
        } else {
            manualWindow = std::make_unique<ui::ManualWindow>(link, QString::fromStdString(app::WindowCaption(mode)));
            workFolders = std::make_unique<app::QtWorkFolders>(state, messages, user, manualWindow.get());
            manualWindow->SetWorkFolders(workFolders.get());
            // A folder chosen on purpose is the one the desktop starts in next.
            if (options.workDir || options.desktop)
                user.RememberWorkFolder(state.settings.WorkDir);
            if (desktop)
                manualWindow->SetConnectionMessage(app::DesktopStartNotice(*desktop), modes::MessageColour::Black);
            user.RestoreWindow(*manualWindow);
            QObject::connect(manualWindow.get(), &ui::ManualWindow::Closed, [&] {
                user.SaveWindow(*manualWindow);
                status = signalled ? app::kExitSignal : app::kExitOk;
                QApplication::exit(status);
            });
            manualWindow->show();
            if (!state.devices.unreadable.empty())
                manualWindow->SetConnectionMessage(texts::kMsgUserSettingsUnreadable, modes::MessageColour::Red);
            if (signalled)
                QTimer::singleShot(0, manualWindow.get(), [&] { manualWindow->close(); });
            return;
        }
        QApplication::exit(status);
    });
    QApplication::exec();
    stopSignals.reset();
    autoWindow.reset();
    manualWindow.reset();
    workFolders.reset();
    return app::ReportLogWriteFailures(status, state);
}
