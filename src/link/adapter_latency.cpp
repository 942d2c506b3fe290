// SPDX-License-Identifier: MIT
#include "adapter_latency.h"

#include "settings/texts.h"

namespace tavelin::link {

namespace {

std::string Note(const std::optional<AdapterLatency>& latency, std::string_view prefix, std::string_view udev,
                 std::string_view portSettings)
{
    if (!latency || !latency->TooHigh())
        return {};
    return std::string(prefix) + std::to_string(latency->milliseconds) +
           std::string(latency->remedy == LatencyRemedy::UdevRule ? udev : portSettings);
}

} // namespace

std::string LatencyStartNote(const std::optional<AdapterLatency>& latency)
{
    return Note(latency, texts::kLatencyStartPrefix, texts::kLatencyStartUdev, texts::kLatencyStartPortSettings);
}

std::string LatencyWindowNote(const std::optional<AdapterLatency>& latency)
{
    return Note(latency, texts::kLatencyWindowPrefix, texts::kLatencyWindowUdev, texts::kLatencyWindowPortSettings);
}

} // namespace tavelin::link
