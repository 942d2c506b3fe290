// SPDX-License-Identifier: MIT
// The parameter files' cases, on every system and on POSIX alone: a record
// whose work folder is a fresh one.
#pragma once

#include "settings/param_files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace tavelin::settings {

class ParamFiles : public ::testing::Test {
protected:
    ParamFiles() { s.WorkDir = dir.Text(); }
    testing::TempDir dir;
    Settings s;
};

} // namespace tavelin::settings
