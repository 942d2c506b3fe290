// SPDX-License-Identifier: MIT
// The event pump of the real program: waits sleep in Qt's event loop until an
// event arrives (bytes on the port, a timer, a click, a watched object
// signalled) or the deadline passes, so the windows stay responsive and an
// idle wait costs no CPU. Objects are watched where the system has them
// (qt_watch_win32.cpp: Windows' event handles, through QWinEventNotifier);
// elsewhere Watch says no (qt_watch_posix.cpp), as Qt SerialPort needs none.
#pragma once

#include "link/event_pump.h"

#include <QObject>

#include <map>
#include <memory>

namespace tavelin::link {

class QtEventPump final : public EventPump {
public:
    QtEventPump();
    ~QtEventPump() override;
    QtEventPump(const QtEventPump&) = delete;
    QtEventPump& operator=(const QtEventPump&) = delete;

    Clock::time_point Now() const override { return Clock::now(); }
    void YieldOnce() override;
    bool RunUntil(Clock::time_point deadline, const std::function<bool()>& done) override;
    bool Watch(void* object, std::function<void()> signalled) override;
    void Unwatch(void* object) override;

private:
    std::map<void*, std::unique_ptr<QObject>> watches_;
};

} // namespace tavelin::link
