// SPDX-License-Identifier: MIT
// Waiting for a serial device that went away during a run (a USB adapter
// pulled, a hub that reset) to come back. The wait says once in the run's log
// that it waits, shows the device on the window, tries the common opening
// order (which finds the COM name's device again and brings an infrared
// adapter to its speed) about three times a second through the event pump,
// and says once when the port is open again. It ends early on a stop
// (StopRequest or QuitRequest, or what lookForStop finds) and gives up after
// AppState::lineWaitSeconds; with 0 it gives up at once, saying nothing.
#pragma once

#include "link/frame.h"

#include <functional>
#include <string>
#include <string_view>

namespace tavelin::modes {

enum class LineReturn { Back, Stopped, GaveUp };

struct LineWait {
    std::function<void(std::string_view)> log;  // a line for the run's log
    std::function<void(std::string_view)> show; // the window's message while it waits
    std::function<void()> lookForStop;          // once a try, e.g. reads ENDPRM.DAT; may be empty
};

LineReturn AwaitLineReturn(link::Link& link, const LineWait& wait);

// "COMn (device): " and why the port is given up, for a wait that gave up
// (or none was allowed): the device went away, and did not come back within
// the bound when there was one.
std::string LineGoneLine(const settings::AppState& state);

} // namespace tavelin::modes
