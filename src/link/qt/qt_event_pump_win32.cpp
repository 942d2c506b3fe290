// SPDX-License-Identifier: MIT
// A wait sleeps in one call on the watched event handles, the alarm and the
// thread's message queue (MsgWaitForMultipleObjectsEx): a signalled handle
// runs its watcher, and a message (a click, a Qt timer, a posted event, a
// notifier elsewhere in the program) has Qt run its events. Qt's own loop is
// not slept in: its QWinEventNotifier hands each signal from a pool thread to
// the loop as a message, a wake of two threads and several calls for each
// (Wine also starts and ends such threads), which made an idle poll cost four
// times the processor time it does on Linux. Outside a wait nothing is
// watched: the port takes what arrived meanwhile when next asked.
//
// The alarm is a high-resolution waitable timer: a plain one, like a wait's
// own time-out, keeps the system's tick of about 15 ms.
#include "qt_event_pump.h"
#include "qt_event_pump_alarm.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>

#include <windows.h>

#include <algorithm>
#include <array>
#include <chrono>

namespace tavelin::link {

namespace {

// CREATE_WAITABLE_TIMER_HIGH_RESOLUTION (Windows 10 1803 and later), which
// older mingw headers lack.
constexpr DWORD kHighResolutionTimer = 0x2;

// Window timers (SetTimer: Qt's coarse timers of more than 20 ms, such as the
// poll timer, which comes due again while its own tick waits) do not end a
// wait: they run with the next event, and at the latest once the events
// have not run for this long.
constexpr Millis kTimersAtLeastEvery{100};

// While watched handles or alarms keep being signalled at once (bytes
// streaming in), the window's events still run at least this often.
constexpr Millis kLongestWithoutEvents{10};

// A wait that lasted this long slept: there was no message when it began.
constexpr std::chrono::microseconds kSlept{1000};

// An auto-reset timer: the wait that sees it ring takes its signal.
class WaitableAlarm final : public PumpAlarm {
public:
    explicit WaitableAlarm(HANDLE timer) : timer_(timer) {}
    ~WaitableAlarm() override { CloseHandle(timer_); }
    void Set(Clock::duration left) override
    {
        // Negative: relative, in units of 100 ns, rounded up.
        LARGE_INTEGER due;
        due.QuadPart = -std::chrono::ceil<std::chrono::duration<long long, std::ratio<1, 10'000'000>>>(left).count();
        pending_ = SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE) != 0;
    }
    bool Pending() const override { return pending_; }
    void Cancel() override
    {
        if (pending_)
            CancelWaitableTimer(timer_);
        pending_ = false;
    }
    HANDLE Handle() const { return timer_; }
    void Rang() { pending_ = false; }

private:
    HANDLE timer_;
    bool pending_ = false;
};

// What is in the thread's message queue, run: by Qt, or, on a thread Qt has
// no loop for, by the window procedures (the queue must empty, or the next
// wait would end at once).
void RunQueuedEvents()
{
    if (QAbstractEventDispatcher::instance()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

} // namespace

std::unique_ptr<PumpAlarm> QtEventPump::MakeAlarm()
{
    HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, kHighResolutionTimer, TIMER_ALL_ACCESS);
    if (!timer)
        timer = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS); // before Windows 10 1803
    return std::make_unique<WaitableAlarm>(timer);
}

void QtEventPump::SleepOnce(PumpAlarm& alarm, Clock::duration left)
{
    if (!eventsRanWatch_) {
        if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
            eventsRanWatch_ =
                QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, [this] { eventsRan_ = Now(); });
        if (eventsRan_ == Clock::time_point{})
            eventsRan_ = Now();
    }
    auto& timer = static_cast<WaitableAlarm&>(alarm);
    if (!timer.Pending())
        timer.Set(left);
    // The alarm first: the deadline is never lost behind a busy handle.
    // (Watch keeps their number within the wait's.)
    std::array<HANDLE, MAXIMUM_WAIT_OBJECTS> handles;
    handles[0] = timer.Handle();
    DWORD count = 1;
    for (const Watched& watch : watches_)
        handles[count++] = static_cast<HANDLE>(watch.object);
    const auto began = Now();
    const auto timersDue = std::chrono::ceil<Millis>(kTimersAtLeastEvery - (began - eventsRan_)).count();
    const DWORD woke = MsgWaitForMultipleObjectsEx(count, handles.data(), DWORD(std::max<long long>(timersDue, 0)),
                                                   QS_ALLINPUT & ~QS_TIMER, MWMO_INPUTAVAILABLE);
    const bool slept = Now() - began >= kSlept;
    if (woke == WAIT_OBJECT_0) {
        timer.Rang();
    } else if (woke > WAIT_OBJECT_0 && woke < WAIT_OBJECT_0 + count) {
        // A copy: the watcher may end its watch (a port closing when its read failed).
        const std::function<void()> signalled = watches_[woke - WAIT_OBJECT_0 - 1].signalled;
        signalled();
    } else if (woke != WAIT_OBJECT_0 + count && woke != WAIT_TIMEOUT) {
        // A handle closed while watched (or no timer to be had): the deadline
        // is still kept, without spinning.
        Sleep(static_cast<DWORD>(std::min<long long>(std::chrono::ceil<Millis>(left).count(), INFINITE - 1)));
    }
    // The wait wakes for a message only when no handle is signalled: the
    // events run then, when the window timers are due, and when they have
    // waited behind handles that were signalled at once for too long.
    const bool events = woke == WAIT_OBJECT_0 + count || woke == WAIT_TIMEOUT;
    if (events || (!slept && Now() - eventsRan_ >= kLongestWithoutEvents)) {
        RunQueuedEvents();
        eventsRan_ = Now();
    }
}

bool QtEventPump::Watch(void* object, std::function<void()> signalled)
{
    Unwatch(object);
    if (watches_.size() + 1 >= MAXIMUM_WAIT_OBJECTS)
        return false; // the alarm takes one of the wait's places
    watches_.push_back({object, std::move(signalled)});
    return true;
}

void QtEventPump::Unwatch(void* object)
{
    std::erase_if(watches_, [object](const Watched& watch) { return watch.object == object; });
}

} // namespace tavelin::link
