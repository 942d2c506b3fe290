// SPDX-License-Identifier: MIT
// Windows' event handles woken on through QWinEventNotifier: the event loop
// returns from its sleep when one is signalled, and the pump's caller looks
// at its condition again. The alarm is a high-resolution waitable timer woken
// on the same way: Qt's precise timers are multimedia timers here, whose
// thread Wine starts anew whenever none was running (a thread for nearly each
// wait of an idle poll), and a plain waitable timer keeps the system's tick
// of about 15 ms.
#include "qt_event_pump.h"
#include "qt_event_pump_alarm.h"

#include <QAbstractEventDispatcher>
#include <QWinEventNotifier>

#include <windows.h>

#include <chrono>

namespace tavelin::link {

namespace {

// Qt's loop here delivers a notifier's activation as a posted event and then
// sleeps on, as if nothing had happened: the pump's caller would look at its
// condition again only at the next message or timer. The wait is ended, so
// that it does.
void EndTheSleep()
{
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->interrupt();
}

// CREATE_WAITABLE_TIMER_HIGH_RESOLUTION (Windows 10 1803 and later), which
// older mingw headers lack.
constexpr DWORD kHighResolutionTimer = 0x2;

// An auto-reset timer: the notifier's wait takes its signal, so it rings once.
class WaitableAlarm final : public PumpAlarm {
public:
    explicit WaitableAlarm(HANDLE timer) : timer_(timer), notifier_(timer)
    {
        QObject::connect(&notifier_, &QWinEventNotifier::activated, [this] {
            pending_ = false;
            EndTheSleep();
        });
    }
    ~WaitableAlarm() override
    {
        notifier_.setEnabled(false);
        CloseHandle(timer_);
    }
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
        CancelWaitableTimer(timer_);
        pending_ = false;
    }

private:
    HANDLE timer_;
    QWinEventNotifier notifier_;
    bool pending_ = false;
};


} // namespace

std::unique_ptr<PumpAlarm> QtEventPump::MakeAlarm()
{
    const HANDLE timer =
        CreateWaitableTimerExW(nullptr, nullptr, kHighResolutionTimer, TIMER_ALL_ACCESS);
    if (!timer)
        return MakeTimerAlarm();
    return std::make_unique<WaitableAlarm>(timer);
}

bool QtEventPump::Watch(void* object, std::function<void()> signalled)
{
    Unwatch(object);
    auto notifier = std::make_unique<QWinEventNotifier>(object);
    QObject::connect(notifier.get(), &QWinEventNotifier::activated, [signalled = std::move(signalled)] {
        signalled();
        EndTheSleep();
    });
    watches_[object] = std::move(notifier);
    return true;
}

// The notifier may be the one whose signal is running (a port closing when
// its read failed): it stops at once and goes once that is over.
void QtEventPump::Unwatch(void* object)
{
    const auto watch = watches_.find(object);
    if (watch == watches_.end())
        return;
    static_cast<QWinEventNotifier*>(watch->second.get())->setEnabled(false);
    watch->second.release()->deleteLater();
    watches_.erase(watch);
}

} // namespace tavelin::link
