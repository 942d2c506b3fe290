// SPDX-License-Identifier: MIT
// No waitable objects besides file descriptors here, and those Qt watches
// itself (QSocketNotifier, Qt SerialPort).
#include "qt_event_pump.h"

namespace tavelin::link {

bool QtEventPump::Watch(void*, std::function<void()>)
{
    return false;
}

void QtEventPump::Unwatch(void*) {}

} // namespace tavelin::link
