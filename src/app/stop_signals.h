// SPDX-License-Identifier: MIT
// The stops from outside quit a run as ENDPRM.DAT "2" does (in manual mode:
// close the window): SIGINT, SIGTERM and SIGHUP on Linux; Ctrl+C, Ctrl+Break
// and closing the console on Windows. They are caught from the first moment,
// before the slow start of the window system, and reach the event loop's
// thread (a self-pipe; an event); a second one ends the program at once
// (stop_signals_posix.cpp, stop_signals_win32.cpp).
#pragma once

#include <functional>
#include <memory>

class QObject;

namespace tavelin::app {

// Call once, early: from here a stop is kept until the event loop hears it.
// Where the stops cannot be caught they keep their default action.
void CatchStopSignals();

// While it lives (with the event loop running), `onStop` is called for each
// stop caught; one caught before it was made is heard at once.
class StopSignalWatch {
public:
    explicit StopSignalWatch(std::function<void()> onStop);
    ~StopSignalWatch();
    StopSignalWatch(const StopSignalWatch&) = delete;
    StopSignalWatch& operator=(const StopSignalWatch&) = delete;

private:
    std::unique_ptr<QObject> notifier_; // watches the self-pipe or the event
};

} // namespace tavelin::app
