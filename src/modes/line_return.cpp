// SPDX-License-Identifier: MIT
#include "line_return.h"

#include "link/port_names.h"
#include "link/port_setup.h"
#include "settings/texts.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace tavelin::modes {

namespace {

// Often enough that a device back is served within a moment, seldom enough
// that the system's device list is not read without pause.
constexpr link::Millis kRetryEvery{300};

int ComNumber(const settings::AppState& state) { return std::atoi(state.settings.ComPortCode.c_str()) + 1; }

std::string PortLine(const settings::AppState& state, const std::string& words)
{
    return link::PortFailureLine(ComNumber(state), state.devices, words);
}

std::string Seconds(link::Clock::duration span)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", std::chrono::duration<double>(span).count());
    return text;
}

} // namespace

LineReturn AwaitLineReturn(link::Link& link, const LineWait& wait)
{
    auto& state = link.state;
    if (state.lineWaitSeconds <= 0)
        return LineReturn::GaveUp;
    const auto began = link.pump.Now();
    const link::Deadline bound(link.pump, std::chrono::seconds(state.lineWaitSeconds));
    wait.log(PortLine(state, "the device went away; waiting up to " + std::to_string(state.lineWaitSeconds) +
                                 " s for it to come back"));
    const link::PortDevice device = link::ResolvePortDevice(ComNumber(state), state.devices);
    wait.show(std::string(texts::kLineGonePrefix) + link::DeviceLabel(device));
    const auto stopAsked = [&] { return state.flags.StopRequest || state.flags.QuitRequest; };
    for (;;) {
        if (wait.lookForStop)
            wait.lookForStop();
        if (stopAsked())
            return LineReturn::Stopped;
        if (link::OpenHhtPort(link).result == link::PortSetupResult::Ok) {
            wait.log(PortLine(state, "the device is back after " + Seconds(link.pump.Now() - began)));
            return LineReturn::Back;
        }
        if (bound.Expired())
            return LineReturn::GaveUp;
        link.pump.RunUntil(std::min(link.pump.Now() + kRetryEvery, bound.End()), stopAsked);
    }
}

std::string LineGoneLine(const settings::AppState& state)
{
    if (state.lineWaitSeconds <= 0)
        return PortLine(state, "the device went away");
    return PortLine(state, "the device went away and did not come back within " +
                               std::to_string(state.lineWaitSeconds) + " s");
}

} // namespace tavelin::modes
