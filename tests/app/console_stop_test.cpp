// SPDX-License-Identifier: MIT
// The console's stop keys on Windows, handed to the handler as the console
// would hand them (on a thread of its own): the first reaches the event
// loop once, even when it came before anything watched; a second one is
// left to Windows, which ends the process at once.
#include "app/stop_signals.h"
#include "app/stop_signals_win32.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <future>

namespace tavelin::app {
namespace {

void RunEventsFor(int milliseconds, const int& heard, int until)
{
    QDeadlineTimer deadline(milliseconds);
    while (heard < until && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

BOOL FromAnotherThread(DWORD event)
{
    return std::async(std::launch::async, [event] { return OnConsoleControl(event); }).get();
}

TEST(ConsoleStop, TheFirstStopIsHeardOnceAndASecondIsLeftToWindows)
{
    int argc = 1;
    char name[] = "console_stop_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);

    // Not caught yet: Windows' own action stays.
    EXPECT_FALSE(OnConsoleControl(CTRL_C_EVENT));
    CatchStopSignals();
    // Events that are no stop asked at the console are not the program's.
    EXPECT_FALSE(OnConsoleControl(CTRL_LOGOFF_EVENT));
    EXPECT_FALSE(OnConsoleControl(CTRL_SHUTDOWN_EVENT));

    // Ctrl+Break during the slow start, before the event loop watches.
    EXPECT_TRUE(FromAnotherThread(CTRL_BREAK_EVENT));
    int heard = 0;
    {
        const StopSignalWatch watch([&heard] { ++heard; });
        RunEventsFor(5000, heard, 1);
        EXPECT_EQ(heard, 1);
        RunEventsFor(300, heard, 2);
        EXPECT_EQ(heard, 1) << "one stop, heard twice";
        for (const DWORD second : {CTRL_C_EVENT, CTRL_BREAK_EVENT, CTRL_CLOSE_EVENT})
            EXPECT_FALSE(FromAnotherThread(second)) << second;
        RunEventsFor(300, heard, 2);
        EXPECT_EQ(heard, 1);
    }
    // A watch made later (the run's window after the already-running box)
    // does not hear the stop the first one heard.
    const StopSignalWatch later([&heard] { ++heard; });
    RunEventsFor(300, heard, 2);
    EXPECT_EQ(heard, 1);
}

} // namespace
} // namespace tavelin::app
