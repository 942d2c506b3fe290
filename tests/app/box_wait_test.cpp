// SPDX-License-Identifier: MIT
#include "app/box_wait.h"

#include <gtest/gtest.h>

namespace tavelin::app {
namespace {

using std::chrono::milliseconds;

TEST(BoxWait, ShownOnlyWhereSeenAndBoundedOnlyInBatchRuns)
{
    EXPECT_FALSE(ChooseBoxWait(true, false, true, "").bound); // the window's operator answers in their time
    EXPECT_TRUE(ChooseBoxWait(true, false, true, "").show);
    EXPECT_TRUE(ChooseBoxWait(true, true, true, "").show);
    EXPECT_FALSE(ChooseBoxWait(true, true, false, "").show); // a task without a visible desktop, a service
    EXPECT_FALSE(ChooseBoxWait(false, true, true, "").show); // no display
    EXPECT_EQ(ChooseBoxWait(true, true, true, "").bound, kBatchBoxBound);
    EXPECT_EQ(ChooseBoxWait(true, true, true, "1500").bound, milliseconds(1500));
    EXPECT_FALSE(ChooseBoxWait(true, false, true, "1500").bound);
    // Tests may only shorten it.
    for (const char* text : {"0", "-5", "60000", "999999999999999999999", "12x", " 12", "1.5"})
        EXPECT_EQ(ChooseBoxWait(true, true, true, text).bound, kBatchBoxBound) << text;
}

} // namespace
} // namespace tavelin::app
