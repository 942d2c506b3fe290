// SPDX-License-Identifier: MIT
// The program's pump on Windows wakes when a watched event is signalled,
// from another thread as a driver's completion does, and not again once its
// watcher has left it unsignalled or it is no longer watched. While it waits
// the rest of the program's events run: notifiers, posted events and timers,
// also while watched events keep it busy.
#include "link/qt/qt_event_pump.h"

#include <QTimer>
#include <QWinEventNotifier>

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>

namespace tavelin::testing {
namespace {

using namespace tavelin::link;

TEST(QtEventPumpWatch, SignalWakesTheWaitAtOnce)
{
    QtEventPump pump;
    const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    int wakes = 0;
    ASSERT_TRUE(pump.Watch(event, [&] {
        ++wakes;
        ResetEvent(event);
    }));
    std::thread driver([event] {
        Sleep(20);
        SetEvent(event);
    });
    const auto deadline = pump.Now() + std::chrono::seconds(10);
    EXPECT_TRUE(pump.RunUntil(deadline, [&] { return wakes > 0; }));
    EXPECT_LT(pump.Now(), deadline) << "the wait slept on after the signal, to its deadline";
    driver.join();
    pump.RunUntil(pump.Now() + Millis(50), [] { return false; });
    EXPECT_EQ(wakes, 1) << "an event left unsignalled woke the pump again";

    pump.Unwatch(event);
    SetEvent(event);
    pump.RunUntil(pump.Now() + Millis(50), [] { return false; });
    EXPECT_EQ(wakes, 1);
    CloseHandle(event);
}

// The console's stop reaches the program through a notifier, and a window's
// repaint as a posted event: neither waits for the wait to end. A window
// timer of the system (a Qt timer of more than 20 ms) may wait for the next
// event, but not for the end of a long wait.
TEST(QtEventPumpWatch, TheProgramsOtherEventsRunDuringAWait)
{
    QtEventPump pump;
    const HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    QWinEventNotifier notifier(stop);
    Clock::time_point stopped{};
    QObject::connect(&notifier, &QWinEventNotifier::activated, [&] {
        ResetEvent(stop);
        stopped = pump.Now();
    });
    std::thread console([stop] {
        Sleep(30);
        SetEvent(stop);
    });
    const auto start = pump.Now();
    EXPECT_TRUE(pump.RunUntil(start + std::chrono::seconds(10), [&] { return stopped != Clock::time_point{}; }));
    console.join();
    EXPECT_LT(stopped - start, Millis(1000));

    bool posted = false;
    QTimer::singleShot(0, [&] { posted = true; });
    EXPECT_TRUE(pump.RunUntil(pump.Now() + std::chrono::seconds(10), [&] { return posted; }));

    Clock::duration coarse{};
    const auto armed = pump.Now();
    QTimer::singleShot(50, Qt::CoarseTimer, [&] { coarse = pump.Now() - armed; });
    pump.RunUntil(armed + std::chrono::seconds(2), [&] { return coarse != Clock::duration{}; });
    EXPECT_GE(coarse, Millis(40));
    EXPECT_LT(coarse, Millis(1000)) << "a window timer waited for the end of the wait";
    CloseHandle(stop);
}

// Bytes streaming in keep the port's event signalled at every wait: the
// window's events still run meanwhile, and the deadline still ends the wait.
TEST(QtEventPumpWatch, ABusyWatchNeitherStarvesTheEventsNorOutlivesTheDeadline)
{
    QtEventPump pump;
    const HANDLE event = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    int wakes = 0;
    ASSERT_TRUE(pump.Watch(event, [&] { ++wakes; })); // stays signalled
    bool posted = false;
    QTimer::singleShot(0, [&] { posted = true; });
    EXPECT_TRUE(pump.RunUntil(pump.Now() + std::chrono::seconds(5), [&] { return posted; }));
    EXPECT_GT(wakes, 0);

    // Also when each wait ends at the handle's first wake, as reads taking
    // what streams in do, one after the other.
    posted = false;
    QTimer::singleShot(0, [&] { posted = true; });
    const auto until = pump.Now() + std::chrono::seconds(5);
    while (!posted && pump.Now() < until) {
        const int before = wakes;
        pump.RunUntil(until, [&] { return wakes > before; });
    }
    EXPECT_TRUE(posted) << "the events waited behind the handle for 5 s";

    const auto start = pump.Now();
    EXPECT_FALSE(pump.RunUntil(start + Millis(60), [] { return false; }));
    EXPECT_GE(pump.Now() - start, Millis(60));
    EXPECT_LT(pump.Now() - start, Millis(2000));
    pump.Unwatch(event);
    CloseHandle(event);
}

// A handle that has gone while still watched fails every wait on it: the
// wait then sleeps to its deadline instead of spinning or ending early.
TEST(QtEventPumpWatch, AHandleGoneWhileWatchedStillLetsTheWaitEndOnTime)
{
    QtEventPump pump;
    // Not one of the few handles a test has (under Wine a closed one's
    // number is soon taken again).
    const auto gone = reinterpret_cast<HANDLE>(std::uintptr_t{0x7ff0});
    ASSERT_TRUE(pump.Watch(gone, [] {}));
    const auto cpu = [] {
        FILETIME created, exited, kernel, user;
        GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
        return Millis(((ULONGLONG(user.dwHighDateTime) << 32 | user.dwLowDateTime) +
                       (ULONGLONG(kernel.dwHighDateTime) << 32 | kernel.dwLowDateTime)) / 10'000);
    };
    const Millis cpuBefore = cpu();
    const auto start = pump.Now();
    EXPECT_FALSE(pump.RunUntil(start + Millis(300), [] { return false; }));
    EXPECT_GE(pump.Now() - start, Millis(300));
    EXPECT_LT(cpu() - cpuBefore, Millis(50)) << "the wait spun";
    pump.Unwatch(gone);
}

} // namespace
} // namespace tavelin::testing
