// SPDX-License-Identifier: MIT
// The logs' cases, on every system and on POSIX alone: a work folder and
// the record of an automatic run for hand-held 007.
#pragma once

#include "settings/app_state.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace tavelin::settings {

class Logs : public ::testing::Test {
protected:
    Logs()
    {
        state.settings.WorkDir = dir.Text();
        state.settings.RunMode = 2;
        state.settings.HistoryMode = 2;
        state.CurHhtId = "007";
    }
    testing::TempDir dir;
    AppState state;
};

} // namespace tavelin::settings
