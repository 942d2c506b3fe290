// SPDX-License-Identifier: MIT
// The settings form's cases, on every system and on POSIX alone: the form
// of a record with three hand-helds, in a fresh work folder.
#pragma once

#include "settings/app_state.h"
#include "settings/param_files.h"
#include "settings/settings_form.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string_view>

namespace tavelin::settings {

class SettingsFormTest : public ::testing::Test {
protected:
    SettingsFormTest()
    {
        Settings& s = state.settings;
        s.WorkDir = dir.Text();
        ApplyCommDefaults(s);
        s.HhtIdRange[0] = {"1", "3"};
        for (int i = 0; i < 3; ++i)
            s.HhtIdOn[i] = "1";
        for (int i = 3; i < kMaxHhtId; ++i)
            s.HhtIdOn[i] = "0";
        s.ApFile = dir.Text() + "AP.HEX";
        s.DownDir = s.UpDir = dir.Text();
        s.UploadMode = 1;
        s.HistoryMode = 1;
        state.FirstPollId = 0;
        state.LastPollId = 2;
        form = FormFromSettings(s);
    }

    // A refusal leaves the record and the work directory as they were.
    void ExpectRefused(std::string_view message, const char* what)
    {
        const Settings before = state.settings;
        const auto outcome = ApplySettingsForm(form, state);
        EXPECT_EQ(outcome.end, OkEnd::Refused) << what;
        EXPECT_EQ(outcome.message, message) << what;
        EXPECT_EQ(state.settings.CommTimeout, before.CommTimeout) << what;
        EXPECT_EQ(state.settings.HhtIdRange[0].IdFrom, before.HhtIdRange[0].IdFrom) << what;
        EXPECT_EQ(state.settings.UpDir, before.UpDir) << what;
        EXPECT_FALSE(dir.Has("RSPRM.DAT") || dir.Has("HHTPRM.DAT") || dir.Has("DIRPRM.DAT")) << what;
    }

    testing::TempDir dir;
    AppState state;
    SettingsForm form;
};

} // namespace tavelin::settings
