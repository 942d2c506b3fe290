// SPDX-License-Identifier: MIT
// SIGINT, SIGTERM and SIGHUP quit a run as ENDPRM.DAT "2" does (in manual
// mode: close the window). They are caught from the first moment, before
// the slow start of the window system, and reach the event loop through a
// self-pipe; a second one ends the program at once. Windows sends none of
// them to a window program: there nothing is caught and nothing is heard
// (stop_signals_posix.cpp, stop_signals_win32.cpp).
#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

namespace tavelin::app {

// Call once, early: from here a stop signal is kept until the event loop
// hears it. Where the signals cannot be caught they keep their default action.
void CatchStopSignals();

// While it lives (with the event loop running), `onStop` is called for each
// stop signal caught; one caught before it was made is heard at once.
class StopSignalWatch {
public:
    explicit StopSignalWatch(std::function<void()> onStop);
    ~StopSignalWatch();
    StopSignalWatch(const StopSignalWatch&) = delete;
    StopSignalWatch& operator=(const StopSignalWatch&) = delete;

private:
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace tavelin::app
