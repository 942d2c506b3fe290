// SPDX-License-Identifier: MIT
// Opening the frame trace's file for appending, as this system allows:
// trace_file_posix.cpp never waits on a FIFO nobody reads and keeps what is
// not a plain file non-blocking; trace_file_win32.cpp opens it plainly.
#pragma once

#include "settings/status.h"

#include <cstdio>
#include <string>

namespace tavelin::link {

// The file opened for appending, or failed with why not.
Result<std::FILE*> OpenForAppending(const std::string& path);

} // namespace tavelin::link
