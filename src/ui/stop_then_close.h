// SPDX-License-Identifier: MIT
// How a window that runs exchanges with the hand-held closes: a close
// while an exchange runs asks it to stop and waits; the window closes once
// nothing runs, unloading once (however often it is closed after that).
#pragma once

#include <functional>

class QCloseEvent;

namespace tavelin::ui {

class StopThenClose {
public:
    struct Steps {
        std::function<bool()> busy;     // an exchange is under way
        std::function<void()> stop;     // asks it to stop
        std::function<void()> unload;   // timers stopped, the run's files written
    };
    explicit StopThenClose(Steps steps) : steps_(std::move(steps)) {}

    // For closeEvent: true when the window closes now (the event accepted,
    // unloaded); false when it waits for the exchange (the event ignored).
    bool Close(QCloseEvent* event);

    // A close waits and nothing runs any more: the window closes again.
    bool Due() const { return pending_ && !steps_.busy(); }
    bool Unloaded() const { return unloaded_; }

private:
    Steps steps_;
    bool pending_ = false;
    bool unloaded_ = false;
};

} // namespace tavelin::ui
