// SPDX-License-Identifier: MIT
// Windows has no stop signals; what a console sends a program attached to
// it takes their place: Ctrl+C, Ctrl+Break and the closing of the console.
// The handler runs on a thread of its own, so it only sets an event, which
// the event loop's thread watches.
#include "stop_signals.h"
#include "stop_signals_win32.h"

#include <QWinEventNotifier>

#include <atomic>

namespace tavelin::app {

namespace {

// Set by the first stop and reset when the event loop has heard it; null
// when the stops cannot be caught.
HANDLE stopEvent = nullptr;
std::atomic<bool> stopSeen{false};

} // namespace

BOOL WINAPI OnConsoleControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    // A second stop ends the program at once, whatever the quit under way
    // is waiting for: the default handler ends the process.
    if (stopEvent == nullptr || stopSeen.exchange(true))
        return FALSE;
    SetEvent(stopEvent);
    // Windows ends the process as soon as the handler of a closed console
    // returns (and a few seconds later if it does not): waiting here gives
    // the run that time to write RESULT.DAT and end by itself.
    if (event == CTRL_CLOSE_EVENT)
        Sleep(INFINITE);
    return TRUE;
}

void CatchStopSignals()
{
    stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (stopEvent != nullptr && !SetConsoleCtrlHandler(OnConsoleControl, TRUE)) {
        CloseHandle(stopEvent);
        stopEvent = nullptr;
    }
}

StopSignalWatch::StopSignalWatch(std::function<void()> onStop)
{
    const HANDLE event = stopEvent;
    if (event == nullptr)
        return;
    auto notifier = std::make_unique<QWinEventNotifier>(event);
    QObject::connect(notifier.get(), &QWinEventNotifier::activated, [event, onStop = std::move(onStop)] {
        ResetEvent(event);
        onStop();
    });
    notifier_ = std::move(notifier);
}

StopSignalWatch::~StopSignalWatch() = default;

} // namespace tavelin::app
