// SPDX-License-Identifier: MIT
#include "port_presence.h"

#include <filesystem>
#include <system_error>

namespace tavelin::ui {

// Any file will do: a typed path may name a pseudo-terminal or a link the
// system's list does not show.
bool PortDevicePresent(const std::string& devicePath, const std::vector<link::SerialDeviceInfo>&)
{
    std::error_code error;
    return std::filesystem::exists(std::filesystem::path(devicePath), error);
}

} // namespace tavelin::ui
