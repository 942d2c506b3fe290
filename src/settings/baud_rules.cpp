// SPDX-License-Identifier: MIT
#include "baud_rules.h"

namespace tavelin::settings {

std::string_view ForbiddenBaudCodes(const std::string& portKind, std::int16_t runMode)
{
    const bool transferMode = runMode == 2 || runMode == 3;
    if (portKind == "0")
        return transferMode ? "" : "4";
    if (portKind == "1")
        return "4";
    if (portKind == "2")
        return "034";
    if (portKind == "3")
        return transferMode ? "0" : "04";
    return "";
}

std::string AllowedBaudCodes(const std::string& portKind)
{
    const std::string_view forbidden = ForbiddenBaudCodes(portKind, 2);
    std::string allowed;
    for (const char code : std::string_view("012345")) {
        if (forbidden.find(code) == std::string_view::npos)
            allowed += code;
    }
    return allowed;
}

} // namespace tavelin::settings
