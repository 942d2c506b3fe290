// SPDX-License-Identifier: MIT
// The stop-request file ENDPRM.DAT, written by another program to stop an
// automatic run. Only its first character counts.
#pragma once

#include "app_state.h"

#include <cstdint>

namespace tavelin::settings {

// "1" sets StopRequest and returns -2; "2" sets StopRequest and QuitRequest
// and returns 0; anything else, or a run mode other than 1..3, changes nothing.
std::int16_t ReadEndParam(AppState& state);

} // namespace tavelin::settings
