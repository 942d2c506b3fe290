// SPDX-License-Identifier: MIT
// The latency timer of the USB serial adapter behind a port, where the system
// tells it: Linux's sysfs (latency_timer of a ttyUSB device), or the FTDI
// driver's LatencyTimer among the Windows port's device parameters. Above a
// few milliseconds the timer makes every block of a transfer wait, so the
// batch start line and the manual window say so, with what lowers it.
#pragma once

#include <optional>
#include <string>

namespace tavelin::link {

// Where the timer is changed, which is also what the system allows.
enum class LatencyRemedy {
    UdevRule,     // Linux: the driver's 1 ms was not taken; a udev rule sets it
    PortSettings, // Windows: the port's Advanced settings in Device Manager
};

struct AdapterLatency {
    int milliseconds = 0;
    int highestGood = 0; // what still costs little: 1 ms on Linux, 2 ms on Windows
    LatencyRemedy remedy = LatencyRemedy::UdevRule;
    bool TooHigh() const { return milliseconds > highestGood; }
};

// Reading it from the system is link/system/adapter_timer.h.

// The notes, empty unless the timer is too high: English for the batch start
// line, Japanese for the manual window.
std::string LatencyStartNote(const std::optional<AdapterLatency>& latency);
std::string LatencyWindowNote(const std::optional<AdapterLatency>& latency);

} // namespace tavelin::link
