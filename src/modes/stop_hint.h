// SPDX-License-Identifier: MIT
// How an unattended run is stopped from outside besides ENDPRM.DAT, as the
// run's start line says it: the stop signals on Linux, the console's keys on
// Windows (stop_hint_posix.cpp, stop_hint_win32.cpp).
#pragma once

namespace tavelin::modes {

// Follows "or " in the start line.
extern const char* const kStopFromOutside;

} // namespace tavelin::modes
