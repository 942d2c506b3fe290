// SPDX-License-Identifier: MIT
// The device state block (DCB) a line setting makes: speed and framing from
// the settings text, no flow control of any kind (frames carry every byte
// value, XON and XOFF included, and the modem lines are the program's own),
// and the DTR and RTS states the program last set, so that changing the
// speed never raises a line the program has lowered.
#pragma once

#include "link/line_settings.h"

#include <windows.h>

namespace tavelin::link::win32 {

// Changes in `block` what the line needs; leaves the driver's own fields.
void SetStateBlock(DCB& block, const LineSettings& line, bool dtr, bool rts);

} // namespace tavelin::link::win32
