// SPDX-License-Identifier: MIT
// The protocol both systems share; the sockets are in window_handover_posix.cpp
// and window_handover_win32.cpp.
#include "window_handover.h"

namespace tavelin::app {

Heard Hear(const QByteArray& received)
{
    const QByteArray request(kRaiseRequest);
    if (received == request)
        return Heard::Raise;
    if (received.size() < request.size() && request.startsWith(received))
        return Heard::More;
    return Heard::Refuse;
}

} // namespace tavelin::app
