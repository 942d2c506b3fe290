// SPDX-License-Identifier: MIT
#include "stop_hint.h"

namespace tavelin::modes {

const char* const kStopFromOutside = "send SIGINT (Ctrl+C), SIGTERM or SIGHUP";

} // namespace tavelin::modes
