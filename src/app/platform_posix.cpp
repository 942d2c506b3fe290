// SPDX-License-Identifier: MIT
#include "platform.h"

namespace tavelin::app {

// No version query here: the polling timers run at the interval of the NT
// family, as on every supported Windows.
TimerFamily SystemTimerFamily() { return TimerFamily::WindowsNt; }

} // namespace tavelin::app
