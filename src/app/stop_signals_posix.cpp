// SPDX-License-Identifier: MIT
#include "stop_signals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace tavelin::app {

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The write end of the self-pipe: all that a signal handler may touch.
int stopSignalPipe = -1;
// Its read end, or -1 when the signals cannot be caught.
int stopSignalReadEnd = -1;

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

void DrainStopSignals(int readEnd)
{
    char bytes[16];
    while (read(readEnd, bytes, sizeof bytes) > 0) {
    }
}

} // namespace

void CatchStopSignals()
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    stopSignalPipe = ends[1];
    stopSignalReadEnd = ends[0];
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
}

StopSignalWatch::StopSignalWatch(std::function<void()> onStop)
{
    const int readEnd = stopSignalReadEnd;
    if (readEnd < 0)
        return;
    auto notifier = std::make_unique<QSocketNotifier>(readEnd, QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, [readEnd, onStop = std::move(onStop)] {
        DrainStopSignals(readEnd);
        onStop();
    });
    notifier_ = std::move(notifier);
}

StopSignalWatch::~StopSignalWatch() = default;

} // namespace tavelin::app
