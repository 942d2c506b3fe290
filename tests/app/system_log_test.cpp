// SPDX-License-Identifier: MIT
#include "app/exit_status.h"
#include "app/system_log.h"

#include <gtest/gtest.h>

namespace tavelin::app {
namespace {

TEST(SystemLog, OnlyARunThatWentWellIsInformation)
{
    EXPECT_EQ(RunEventKindFor(kExitOk), RunEventKind::Information);
    EXPECT_EQ(RunEventKindFor(kExitSignal), RunEventKind::Warning);      // stopped as asked
    EXPECT_EQ(RunEventKindFor(kExitFilesFailed), RunEventKind::Warning); // ran, some files failed
    for (int status : {int{kExitStartupFailed}, int{kExitUsage}, int{kExitAlreadyRunning}, int{kExitLogNotWritten}, 7, -1})
        EXPECT_EQ(RunEventKindFor(status), RunEventKind::Error) << status;
}

TEST(SystemLog, TheEntryHoldsTheResultLineAndTheStatus)
{
    const RunEvent ok = DescribeBatchRun("2026/12/10,09:30:00, 0 , 3 ,正常終了", kExitOk);
    EXPECT_EQ(ok.kind, RunEventKind::Information);
    EXPECT_EQ(ok.text, "RESULT.DAT: 2026/12/10,09:30:00, 0 , 3 ,正常終了\r\nexit status: 0");
    // A run that ended before writing a line still says how it ended.
    const RunEvent none = DescribeBatchRun("", kExitAlreadyRunning);
    EXPECT_EQ(none.kind, RunEventKind::Error);
    EXPECT_EQ(none.text, "RESULT.DAT: (this run wrote no line)\r\nexit status: 3");
}

} // namespace
} // namespace tavelin::app
