// SPDX-License-Identifier: MIT
#include "stop_hint.h"

namespace tavelin::modes {

const char* const kStopFromOutside = "press Ctrl+C or Ctrl+Break in its console";

} // namespace tavelin::modes
