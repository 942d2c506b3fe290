// SPDX-License-Identifier: MIT
#include "session.h"

#include "exit_status.h"
#include "qt_message_box.h"
#include "settings/console_output.h"
#include "startup.h"
#include "stop_signals.h"
#include "qt_work_folders.h"
#include "surroundings.h"
#include "system_log.h"
#include "window_handover.h"

#include "desktop/user_settings.h"
#include "link/frame.h"
#include "link/qt/qt_event_pump.h"
#include "link/qt/system_serial_port.h"
#include "link/trace.h"
#include "settings/app_state.h"
#include "settings/texts.h"
#include "ui/auto_window.h"
#include "ui/controls.h"
#include "ui/manual_window.h"
#include "ui/program_icon.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace tavelin::app {

namespace {

class Session {
public:
    Session(settings::AppState& state, const Options& options, desktop::UserSettings& user,
            const std::optional<DesktopFolder>& desktop, const std::string& workDir, const SingleInstance& instance,
            bool screen);
    int Run();

private:
    void Start();
    void ShowAutomatic(bool minimised);
    void ShowManual();
    void OnStopSignal();
    void QuitOnSignal();
    void ListenForAnotherStart();
    void BringForward();

    settings::AppState& state_;
    const Options& options_;
    const std::optional<DesktopFolder>& desktop_;
    const std::string workDir_;
    QtMessageBox messages_;
    desktop::UserSettings& user_;
    link::QtEventPump pump_;
    const std::unique_ptr<link::SerialPort> port_;
    link::Link link_;
    const std::unique_ptr<link::Tracer> trace_; // TAVELIN_TRACE: every frame, for a line's troubles
    std::unique_ptr<ui::AutoWindow> autoWindow_;
    std::unique_ptr<ui::ManualWindow> manualWindow_;
    std::unique_ptr<QtWorkFolders> workFolders_;
    const SingleInstance& instance_;
    std::unique_ptr<HandOverServer> handOver_;
    int status_ = kExitOk;
    bool signalled_ = false;
};

Session::Session(settings::AppState& state, const Options& options, desktop::UserSettings& user,
                 const std::optional<DesktopFolder>& desktop, const std::string& workDir, const SingleInstance& instance,
                 bool screen)
    : state_(state), options_(options), desktop_(desktop), workDir_(workDir),
      messages_(ChooseBoxWait(screen, RunModeFromCommandLine(options.commandLine) != 0, DesktopSeen(),
                              qEnvironmentVariable("TAVELIN_BOX_WAIT_MS").toStdString())),
      user_(user),
      port_(link::MakeSystemSerialPort(pump_, state.devices)), link_{*port_, pump_, state},
      trace_(link::Tracer::FromEnvironment(FilesOfTheRun(workDir, instance.Path().toStdString()))),
      instance_(instance)
{
    if (trace_)
        link_.watchers.Attach(*trace_);
    QApplication::setWindowIcon(ui::ProgramIcon());
    if (screen) {
        ui::UseCjkFont();
        ui::UseJapaneseQtTexts(); // the edit boxes' context menus, Qt's standard buttons
    }
}

int Session::Run()
{
    std::optional<StopSignalWatch> stopSignals(std::in_place, [this] { OnStopSignal(); });
    ListenForAnotherStart();
    // StartTimer: the start-up runs once the event loop is up.
    QTimer::singleShot(10, [this] { Start(); });
    QApplication::exec();
    stopSignals.reset();
    handOver_.reset();
    autoWindow_.reset();
    manualWindow_.reset();
    workFolders_.reset();
    const int status = ReportLogWriteFailures(status_, state_);
    if (RunModeFromCommandLine(options_.commandLine) != 0)
        WriteToSystemLog(DescribeBatchRun(state_.resultLine, status));
    return status;
}

void Session::Start()
{
    Startup startup(state_, messages_);
    const auto result = startup.Run(options_.commandLine, workDir_);
    if (result.end == StartupEnd::EndProgram) {
        status_ = kExitStartupFailed;
        QApplication::exit(status_);
    } else if (result.end == StartupEnd::ShowAutomatic) {
        ShowAutomatic(result.minimised); // the program ends when the window closes
    } else {
        ShowManual();
    }
}

void Session::ShowAutomatic(bool minimised)
{
    const QString caption = QString::fromStdString(WindowCaption(state_.settings.RunMode));
    autoWindow_ = std::make_unique<ui::AutoWindow>(link_, caption);
    QObject::connect(autoWindow_.get(), &ui::AutoWindow::Closed, [this] {
        status_ = AutomaticRunStatus(autoWindow_->Cycle().Failed(), signalled_, state_);
        // Beside another run on the same device: ended as beside one in the same folder.
        if (status_ == kExitStartupFailed && port_->LastOpenError() == link::OpenError::InUse)
            status_ = kExitAlreadyRunning;
        QApplication::exit(status_);
    });
    if (minimised)
        autoWindow_->showMinimized();
    else
        autoWindow_->show();
    if (signalled_)
        QuitOnSignal();
}

void Session::ShowManual()
{
    const QString caption = QString::fromStdString(WindowCaption(state_.settings.RunMode));
    manualWindow_ = std::make_unique<ui::ManualWindow>(link_, caption);
    workFolders_ = std::make_unique<QtWorkFolders>(state_, messages_, user_, manualWindow_.get(), instance_);
    manualWindow_->SetWorkFolders(workFolders_.get());
    // A folder chosen on purpose is the one the desktop starts in next.
    if (options_.workDir || options_.desktop)
        user_.RememberWorkFolder(state_.settings.WorkDir);
    if (desktop_)
        manualWindow_->SetConnectionMessage(DesktopStartNotice(*desktop_), modes::MessageColour::Black);
    user_.RestoreWindow(*manualWindow_);
    QObject::connect(manualWindow_.get(), &ui::ManualWindow::Closed, [this] {
        user_.SaveWindow(*manualWindow_);
        status_ = signalled_ ? kExitSignal : kExitOk;
        QApplication::exit(status_);
    });
    manualWindow_->show();
    if (!state_.devices.unreadable.empty())
        manualWindow_->SetConnectionMessage(texts::kMsgUserSettingsUnreadable, modes::MessageColour::Red);
    if (signalled_)
        QTimer::singleShot(0, manualWindow_.get(), [this] { manualWindow_->close(); });
}

// Only a window start is handed over to: a second one in this folder asks
// this window to come forward instead of saying another copy runs. A batch
// run listens for nobody, so a window start beside it says so.
void Session::ListenForAnotherStart()
{
    if (RunModeFromCommandLine(options_.commandLine) != 0)
        return;
    handOver_ = std::make_unique<HandOverServer>([this] { BringForward(); });
    if (!handOver_->Listen(instance_.HandOverName()))
        handOver_.reset(); // started again, this folder then says that another copy runs
}

void Session::BringForward()
{
    QWidget* const window = manualWindow_ ? static_cast<QWidget*>(manualWindow_.get()) : autoWindow_.get();
    if (!window)
        return;
    settings::PrintText(stderr, "tavelin: started again in this work folder; this window comes forward\n");
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

// The first signal is acted on; the handler gave the next one its default
// action, which ends the program at once.
void Session::OnStopSignal()
{
    if (signalled_)
        return;
    signalled_ = true;
    // A box waiting for its OK would hold the quit until somebody came.
    messages_.StopWaiting();
    CloseWaitingMessageBoxes();
    QuitOnSignal();
}

// What a signal asks for depends on what is showing when the event loop sees it.
void Session::QuitOnSignal()
{
    if (autoWindow_)
        autoWindow_->RequestQuit();
    else if (manualWindow_)
        manualWindow_->close();
}

} // namespace

int RunSession(const Options& options, desktop::UserSettings& user, const std::optional<DesktopFolder>& desktop,
               const std::string& workDir, const SingleInstance& instance, bool screen)
{
    settings::AppState state;
    state.devices = user.Devices(); // the same map for the window and for cron
    if (options.lineWait)
        state.lineWaitSeconds = *options.lineWait;
    state.quiet = options.quiet;
    if (!state.devices.unreadable.empty())
        settings::PrintText(stderr, "tavelin: %s; the devices chosen in 設定 cannot be used\n",
                            state.devices.unreadable.c_str());
    if (!state.devices.machineUnreadable.empty())
        settings::PrintText(stderr, "tavelin: %s; the devices chosen in 設定 for this PC cannot be used\n",
                            state.devices.machineUnreadable.c_str());
    Session session(state, options, user, desktop, workDir, instance, screen);
    return session.Run();
}

} // namespace tavelin::app
