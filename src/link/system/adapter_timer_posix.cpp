// SPDX-License-Identifier: MIT
#include "adapter_timer.h"

#include <charconv>
#include <fstream>
#include <system_error>

namespace tavelin::link {

std::optional<int> SysfsLatencyTimer(const std::filesystem::path& sysRoot, const std::string& devicePath)
{
    std::error_code error;
    const auto device = std::filesystem::canonical(devicePath, error);
    if (error || device.filename().empty())
        return std::nullopt;
    std::ifstream file(sysRoot / "bus" / "usb-serial" / "devices" / device.filename() / "latency_timer");
    std::string text;
    if (!std::getline(file, text))
        return std::nullopt;
    int value = -1;
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
    // The chip takes 1..255 ms (0 acts as 1); anything else is not its timer.
    if (problem != std::errc() || end == text.data() || value < 0 || value > 255 ||
        text.find_first_not_of(" \t\r", static_cast<std::size_t>(end - text.data())) != std::string::npos)
        return std::nullopt;
    return value;
}

std::optional<AdapterLatency> ReadAdapterLatency(const std::string& devicePath)
{
    const auto timer = SysfsLatencyTimer("/sys", devicePath);
    if (!timer)
        return std::nullopt;
    return AdapterLatency{*timer, 1, LatencyRemedy::UdevRule};
}

} // namespace tavelin::link
