// SPDX-License-Identifier: MIT
// The program: one copy per user, the start-up sequence on a 10 ms timer
// once the event loop runs, then the mode window it chose. SIGINT, SIGTERM
// and SIGHUP reach the event loop through a self-pipe and quit the run as
// ENDPRM.DAT "2" does (in manual mode: close the window); they are caught
// from the first moment, before the slow start of the window system.
#include "exit_status.h"
#include "help_text.h"
#include "options.h"
#include "qt_message_box.h"
#include "single_instance.h"
#include "startup.h"
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
#include <QSocketNotifier>
#include <QTimer>
#include <QtGlobal>

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#define TAVELIN_STOP_SIGNALS 1
#endif

#include <algorithm>
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

#ifdef TAVELIN_STOP_SIGNALS
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The write end of the self-pipe: all that a signal handler may touch.
int stopSignalPipe = -1;

extern "C" void OnStopSignal(int)
{
    const int savedErrno = errno;
    // The next signal takes its default action: one that ends the program
    // at once, whatever the quit under way is waiting for.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    for (const int number : kStopSignals)
        sigaction(number, &fallback, nullptr);
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(stopSignalPipe, &byte, 1);
    errno = savedErrno;
}

// The read end of the self-pipe, or -1 when the signals cannot be caught
// (they then keep their default action).
int CatchStopSignals()
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return -1;
    stopSignalPipe = ends[1];
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int number : kStopSignals)
        sigaddset(&action.sa_mask, number);
    action.sa_flags = SA_RESTART;
    for (const int number : kStopSignals)
        sigaction(number, &action, nullptr);
    // A starter may hand on a mask that holds these signals back: the run
    // would never hear its stop. One that is already waiting arrives now,
    // into the pipe, and is seen once the event loop runs.
    sigprocmask(SIG_UNBLOCK, &action.sa_mask, nullptr);
    return ends[0];
}

void DrainStopSignals(int readEnd)
{
    char bytes[16];
    while (read(readEnd, bytes, sizeof bytes) > 0) {
    }
}
#else
int CatchStopSignals() { return -1; }
void DrainStopSignals(int) {}
#endif

// True when windows can be shown: on X11 or Wayland a display must be named,
// and Qt's offscreen platform shows nothing.
bool ScreenAvailable()
{
    if (qEnvironmentVariable("QT_QPA_PLATFORM") == QLatin1String("offscreen"))
        return false;
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
// A display that is named but cannot be reached (no server behind DISPLAY)
// would make Qt abort the process; with offscreen as the last platform to
// try, it goes on without one, and the program asks which one it got. A
// platform chosen by whoever started the program is still tried first.
void FallBackToOffscreen()
{
    QByteArrayList platforms = qgetenv("QT_QPA_PLATFORM").split(';');
    platforms.removeAll(QByteArray());
    if (platforms.isEmpty()) {
        // Those a display is named for, the session's own kind first.
        if (qEnvironmentVariableIsSet("DISPLAY"))
            platforms << "xcb";
        if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY")) {
            if (qgetenv("XDG_SESSION_TYPE") == "wayland")
                platforms.prepend("wayland");
            else
                platforms.append("wayland");
        }
    }
    if (!platforms.contains("offscreen"))
        qputenv("QT_QPA_PLATFORM", (platforms << "offscreen").join(';'));
}

QString NamedDisplay()
{
    const QString x11 = qEnvironmentVariable("DISPLAY");
    return x11.isEmpty() ? qEnvironmentVariable("WAYLAND_DISPLAY") : x11;
}
#else
void FallBackToOffscreen() {}
QString NamedDisplay() { return {}; }
#endif

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
// Qt wants a private runtime directory and complains on standard error when
// none is named; name the one it would fall back to, so batch logs stay clean.
// A relative one counts as none: it would make a folder wherever the run is.
void EnsureRuntimeDir()
{
    if (!app::SingleInstance::RuntimeDir().isEmpty())
        return;
    const QByteArray dir = QDir::tempPath().toLocal8Bit() + "/runtime-" + QByteArray::number(getuid());
    if (mkdir(dir.constData(), 0700) == 0 || errno == EEXIST)
        qputenv("XDG_RUNTIME_DIR", dir);
}
#else
void EnsureRuntimeDir() {}
#endif

// The offscreen platform of unattended runs reports what it cannot do for a
// window nobody sees; that is no news for a batch log.
void QuietOffscreenNotes(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(QLatin1String("does not support propagateSizeHints")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

// A window start that gives way to a copy already running: from the
// desktop menu nobody reads standard error, so a display shows it in a box
// too. A stop signal closes the box.
void SayAlreadyRunningInABox(int& argc, char** argv, int signalPipe)
{
    if (!ScreenAvailable())
        return;
    FallBackToOffscreen();
    EnsureRuntimeDir();
    QApplication application(argc, argv);
    app::NameTheApplication();
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return;
    ui::UseCjkFont();
    ui::UseJapaneseQtTexts();
    std::unique_ptr<QSocketNotifier> signalNotifier;
    if (signalPipe >= 0) {
        signalNotifier = std::make_unique<QSocketNotifier>(signalPipe, QSocketNotifier::Read);
        QObject::connect(signalNotifier.get(), &QSocketNotifier::activated, [signalPipe] {
            DrainStopSignals(signalPipe);
            app::CloseWaitingMessageBoxes();
        });
    }
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
    const int signalPipe = CatchStopSignals();
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
            SayAlreadyRunningInABox(argc, argv, signalPipe);
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

    bool screen = ScreenAvailable();
    const bool automatic = app::RunModeFromCommandLine(commandLine) != 0;
    if (!screen) {
        if (!automatic) {
            std::fprintf(stderr, "tavelin: manual mode needs a display (set DISPLAY or WAYLAND_DISPLAY)\n");
            return app::kExitNoDisplay;
        }
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(QuietOffscreenNotes);
    } else {
        FallBackToOffscreen();
    }
    EnsureRuntimeDir();

    QApplication application(argc, argv);
    app::NameTheApplication();
    if (screen && QGuiApplication::platformName() == QLatin1String("offscreen")) {
        screen = false;
        if (!automatic) {
            std::fprintf(stderr, "tavelin: manual mode needs a display; %s cannot be reached\n",
                         qPrintable(NamedDisplay()));
            return app::kExitNoDisplay;
        }
        std::fprintf(stderr, "tavelin: the display %s cannot be reached; running without one\n",
                     qPrintable(NamedDisplay()));
        qInstallMessageHandler(QuietOffscreenNotes);
    }
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
    std::unique_ptr<QSocketNotifier> signalNotifier;
    if (signalPipe >= 0) {
        signalNotifier = std::make_unique<QSocketNotifier>(signalPipe, QSocketNotifier::Read);
        QObject::connect(signalNotifier.get(), &QSocketNotifier::activated, [&] {
            DrainStopSignals(signalPipe);
            if (signalled)
                return;
            signalled = true;
            // A box waiting for its OK would hold the quit until somebody came.
            messages.StopWaiting();
            app::CloseWaitingMessageBoxes();
            quitOnSignal();
        });
    }

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
    signalNotifier.reset();
    autoWindow.reset();
    manualWindow.reset();
    workFolders.reset();
    return app::ReportLogWriteFailures(status, state);
}
