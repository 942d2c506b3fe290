// SPDX-License-Identifier: MIT
// A window program on Windows is sent none of the stop signals; it is ended
// by closing its window or, for a batch run, by ENDPRM.DAT.
#include "stop_signals.h"

#include <QSocketNotifier>

namespace tavelin::app {

void CatchStopSignals() {}

StopSignalWatch::StopSignalWatch(std::function<void()>) {}

StopSignalWatch::~StopSignalWatch() = default;

} // namespace tavelin::app
