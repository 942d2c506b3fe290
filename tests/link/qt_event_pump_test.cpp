// SPDX-License-Identifier: MIT
// The program's event pump: a wait ends at its deadline and not before, also
// when an event handler waits inside it; each wait keeps its own alarm.
#include "link/qt/qt_event_pump.h"

#include <QTimer>

#include <gtest/gtest.h>

namespace tavelin::testing {
namespace {

using namespace tavelin::link;

TEST(QtEventPump, NestedWaitsEachEndAtTheirOwnDeadline)
{
    QtEventPump pump;
    // Ends the outer wait should its alarm be lost, instead of hanging.
    bool rescued = false;
    QTimer rescue;
    rescue.setSingleShot(true);
    QObject::connect(&rescue, &QTimer::timeout, [&] { rescued = true; });
    rescue.start(5000);

    Clock::duration inner{};
    QTimer::singleShot(5, [&] {
        const auto start = pump.Now();
        EXPECT_FALSE(pump.RunUntil(start + Millis(30), [] { return false; }));
        inner = pump.Now() - start;
    });
    const auto start = pump.Now();
    EXPECT_FALSE(pump.RunUntil(start + Millis(80), [&] { return rescued; }));
    EXPECT_GE(pump.Now() - start, Millis(80));
    EXPECT_GE(inner, Millis(30));
    EXPECT_FALSE(rescued) << "the outer wait lost its alarm to the inner one";

    // Once over, a wait's alarm serves the next wait, and rings for it alone.
    const auto again = pump.Now();
    EXPECT_FALSE(pump.RunUntil(again + Millis(20), [&] { return rescued; }));
    EXPECT_GE(pump.Now() - again, Millis(20));
    EXPECT_TRUE(pump.RunUntil(pump.Now() + Millis(20), [] { return true; }));
}

} // namespace
} // namespace tavelin::testing
