// SPDX-License-Identifier: MIT
#include "app/box_wait.h"

#include <gtest/gtest.h>

namespace tavelin::app {
namespace {

using std::chrono::milliseconds;

TEST(BoxWait, ShownOnlyWhereSeenAndBoundedOnlyInBatchRuns)
{
    const struct {
        bool screen, automatic, seen;
        bool show;
        std::optional<milliseconds> bound;
    } rows[] = {
        {true, false, true, true, std::nullopt},   // the window's operator answers in their time
        {true, true, true, true, kBatchBoxBound},  // a batch run on somebody's desktop
        {true, true, false, false, kBatchBoxBound}, // a task with no visible desktop, a service
        {true, false, false, false, std::nullopt},
        {false, true, true, false, kBatchBoxBound}, // no display
    };
    for (const auto& row : rows) {
        const BoxWait wait = ChooseBoxWait(row.screen, row.automatic, row.seen, "");
        EXPECT_EQ(wait.show, row.show) << row.screen << row.automatic << row.seen;
        EXPECT_EQ(wait.bound, row.bound) << row.screen << row.automatic << row.seen;
    }
}

TEST(BoxWait, TestsMayOnlyShortenTheBound)
{
    EXPECT_EQ(ChooseBoxWait(true, true, true, "1500").bound, milliseconds(1500));
    for (const char* text : {"", "0", "-5", "60000", "999999999999999999999", "12x", " 12", "1.5"})
        EXPECT_EQ(ChooseBoxWait(true, true, true, text).bound, kBatchBoxBound) << text;
    EXPECT_EQ(ChooseBoxWait(true, false, true, "1500").bound, std::nullopt); // never the window's
}

} // namespace
} // namespace tavelin::app
