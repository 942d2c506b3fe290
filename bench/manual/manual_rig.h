// SPDX-License-Identifier: MIT
// What the manual-window benchmark and the screenshot program share: a
// scratch directory, tavelin-hhtsim as a child process, the settings the
// program's own start-up makes, and waits on the Qt event loop.
#pragma once

#include "app/startup.h"
#include "common/process_cpu.h"
#include "settings/app_state.h"
#include "settings/paths.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace tavelin::benchrig {

namespace fs = std::filesystem;

// A fresh directory under the temporary directory, removed with everything
// in it at the end (the process leaves it first if it is the current one).
class ScratchDir {
public:
    explicit ScratchDir(const std::string& prefix)
        : path_(fs::temp_directory_path() / (prefix + "-" + std::to_string(getpid())))
    {
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        if (fs::current_path(ignored).string().rfind(path_.string(), 0) == 0)
            fs::current_path(path_.parent_path(), ignored);
        fs::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

// Qt wants a private runtime directory and warns when none is named: name
// one inside the scratch directory (hidden from the window's directory tree).
inline void EnsureRuntimeDir(const ScratchDir& scratch)
{
    if (qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
        return;
    const fs::path dir = scratch.Path() / ".runtime";
    fs::create_directories(dir);
    fs::permissions(dir, fs::perms::owner_all);
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(dir.string()));
}

// A file of `size` bytes of CSV-like text lines, so a hand-held list looks
// like a real one.
inline void PutFile(const fs::path& path, std::size_t size, const std::string& tag)
{
    std::string text;
    for (int row = 1; text.size() < size; ++row)
        text += tag + "," + std::to_string(4700 + row) + "," + std::to_string(row * 37 % 1000) + "\r\n";
    text.resize(size);
    std::ofstream(path, std::ios::binary) << text;
}

// tavelin-hhtsim serving a new pseudo-terminal linked at `link`; its output
// goes to `log` (or nowhere). Stopped with SIGTERM, then SIGKILL, at the end.
class SimulatedHht {
public:
    SimulatedHht(const std::string& program, const std::vector<std::string>& args, const fs::path& link,
                 const fs::path& log = {})
        : link_(link)
    {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string out = log.empty() ? std::string("/dev/null") : log.string();
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        std::vector<std::string> all{program};
        all.insert(all.end(), args.begin(), args.end());
        all.insert(all.end(), {"--link", link.string()});
        std::vector<char*> argv;
        for (std::string& arg : all)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~SimulatedHht() { Stop(); }
    SimulatedHht(const SimulatedHht&) = delete;
    SimulatedHht& operator=(const SimulatedHht&) = delete;

    // True once the link to the pseudo-terminal exists.
    bool WaitForLink(int timeoutMs) const
    {
        for (int waited = 0; pid_ > 0 && waited < timeoutMs; waited += 10) {
            if (fs::is_symlink(link_))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return fs::is_symlink(link_);
    }

    // CPU seconds the simulator has used so far.
    double CpuSeconds() const { return bench::ProcessCpuSeconds(pid_); }

    // Ends the simulator (it removes its link) and reaps it.
    void Stop()
    {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGTERM);
        for (int waited = 0; waited < 3000; waited += 10) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    fs::path link_;
    pid_t pid_ = -1;
};

// The start-up's messages, on standard error: nobody is there to close a box.
class StderrMessages final : public app::MessageBox {
public:
    void Show(std::string_view text) override
    {
        std::fprintf(stderr, "start-up message: %.*s\n", int(text.size()), text.data());
    }
};

// Fills the settings as the program does when started without a switch in
// the current directory (parameter files there, else the defaults). False
// when the start-up would have ended the program.
inline bool StartLikeManualMode(settings::AppState& state)
{
    StderrMessages messages;
    app::Startup startup(state, messages);
    return startup.Run("", settings::CurrentDirectory()).end == app::StartupEnd::ShowManual;
}

// Nobody answers a message box here: each one is reported and closed, so
// that a failure (the port cannot be opened, say) ends the run instead of
// waiting for ever. Other modal windows (a progress dialog) are left alone.
inline void DismissMessageBoxes(QObject* owner)
{
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            QString text;
            for (const QLabel* label : box->findChildren<QLabel*>())
                text += label->text() + QLatin1Char(' ');
            std::fprintf(stderr, "message box closed: %s\n", qPrintable(text.trimmed()));
            box->close();
        }
    });
    timer->start(500);
}

// Runs the event loop until done() or until timeoutMs have passed; done()
// is asked every few milliseconds. True when done.
inline bool WaitFor(const std::function<bool()>& done, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer check;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() >= timeoutMs)
            loop.quit();
    });
    check.start(5);
    loop.exec();
    return done();
}

// Runs the event loop for `ms` with no timer of its own but the one that ends it.
inline void Pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// The offscreen platform's note about what it cannot do for a window is no figure.
inline void QuietOffscreenNotes(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (!message.contains(QLatin1String("does not support propagateSizeHints")))
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace tavelin::benchrig
