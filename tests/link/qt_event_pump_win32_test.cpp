// SPDX-License-Identifier: MIT
// The program's pump on Windows wakes when a watched event is signalled,
// from another thread as a driver's completion does, and not again once its
// watcher has left it unsignalled or it is no longer watched.
#include "link/qt/qt_event_pump.h"

#include <windows.h>

#include <gtest/gtest.h>

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

} // namespace
} // namespace tavelin::testing
