// The program: one copy per user, the start-up sequence on a 10 ms timer
// once the event loop runs, then the mode window it chose.
#include "qt_message_box.h"
#include "single_instance.h"
#include "startup.h"

#include "link/frame.h"
#include "link/qt/qt_event_pump.h"
#include "link/qt/qt_serial_port.h"
#include "settings/app_state.h"
#include "settings/paths.h"
#include "ui/auto_window.h"
#include "ui/controls.h"
#include "ui/manual_window.h"
#include "ui/program_icon.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <memory>
#include <string>

namespace {

using namespace tavelin;

enum ExitStatus {
    kExitOk = 0,
    kExitStartupFailed = 1,
    kExitNoDisplay = 2,
    kExitAlreadyRunning = 3,
    kExitLogNotWritten = 5, // RESULT.DAT or HISTORY.DAT does not hold what the run wrote
};

std::string CommandLine(int argc, char** argv)
{
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line += ' ';
        line += argv[i];
    }
    return line;
}

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
// Qt wants a private runtime directory and complains on standard error when
// none is named; name the one it would fall back to, so batch logs stay clean.
void EnsureRuntimeDir()
{
    if (qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
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

// A caller reads the outcome from RESULT.DAT and HISTORY.DAT: when either
// misses what the run wrote, a status of 0 or 1 would vouch for old lines.
int ReportLogWriteFailures(int status, const settings::AppState& state)
{
    const auto& failures = state.logFailures;
    const std::string& workDir = state.settings.WorkDir;
    if (!failures.Any())
        return status;
    if (failures.result)
        std::fprintf(stderr, "tavelin: %sRESULT.DAT could not be written; it does not hold this run's outcome\n",
                     workDir.c_str());
    if (failures.historyLines > 0)
        std::fprintf(stderr, "tavelin: %d line(s) could not be written to %sHISTORY.DAT\n", failures.historyLines,
                     workDir.c_str());
    if (failures.historyKept)
        std::fprintf(stderr, "tavelin: %sHISTORY.DAT of earlier runs could be neither removed nor emptied\n",
                     workDir.c_str());
    return kExitLogNotWritten;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string commandLine = CommandLine(argc, argv);
    app::SingleInstance instance;
    switch (instance.Acquire()) {
    case app::InstanceLock::Acquired:
        break;
    case app::InstanceLock::HeldElsewhere:
        if (const long long owner = app::SingleInstance::RecordedOwner())
            std::fprintf(stderr, "tavelin: another copy is already running (process %lld); this one ends\n", owner);
        else
            std::fprintf(stderr, "tavelin: another copy is already running; this one ends\n");
        return kExitAlreadyRunning;
    case app::InstanceLock::Unusable:
        // Refusing here would stop every run until somebody mends the file.
        std::fprintf(stderr, "tavelin: cannot use the lock file %s (%s); running without the one-copy check\n",
                     qPrintable(app::SingleInstance::LockPath()), instance.Problem().c_str());
        break;
    }

    const bool screen = ScreenAvailable();
    const bool automatic = app::RunModeFromCommandLine(commandLine) != 0;
    if (!screen) {
        if (!automatic) {
            std::fprintf(stderr, "tavelin: manual mode needs a display (set DISPLAY or WAYLAND_DISPLAY)\n");
            return kExitNoDisplay;
        }
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(QuietOffscreenNotes);
    }
    EnsureRuntimeDir();

    QApplication application(argc, argv);
    settings::AppState state;
    app::QtMessageBox messages(screen);
    link::QtEventPump pump;
    link::QtSerialPort port(pump);
    link::Link link{port, pump, state};
    std::unique_ptr<ui::AutoWindow> autoWindow;
    std::unique_ptr<ui::ManualWindow> manualWindow;
    QApplication::setWindowIcon(ui::ProgramIcon());
    if (screen)
        ui::UseCjkFont();
    int status = kExitOk;

    // StartTimer: the start-up runs once the event loop is up.
    QTimer::singleShot(10, [&] {
        app::Startup startup(state, messages);
        const auto result = startup.Run(commandLine, settings::CurrentDirectory());
        const auto mode = state.settings.RunMode;
        if (result.end == app::StartupEnd::EndProgram) {
            status = kExitStartupFailed;
        } else if (result.end == app::StartupEnd::ShowAutomatic) {
            autoWindow = std::make_unique<ui::AutoWindow>(link, QString::fromStdString(app::WindowCaption(mode)));
            QObject::connect(autoWindow.get(), &ui::AutoWindow::Closed, [] { QApplication::exit(kExitOk); });
            if (result.minimised)
                autoWindow->showMinimized();
            else
                autoWindow->show();
            return; // the program ends when the window closes
        } else {
            manualWindow = std::make_unique<ui::ManualWindow>(link, QString::fromStdString(app::WindowCaption(mode)));
            QObject::connect(manualWindow.get(), &ui::ManualWindow::Closed, [] { QApplication::exit(kExitOk); });
            manualWindow->show();
            return;
        }
        QApplication::exit(status);
    });
    QApplication::exec();
    autoWindow.reset();
    manualWindow.reset();
    return ReportLogWriteFailures(status, state);
}
