// SPDX-License-Identifier: MIT
// Which speeds each adapter kind can run at: the start-up's check of the
// settings and the line scan's list of speeds to try share this one rule.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tavelin::settings {

// The BaudCodes a PortKindCode cannot run at in a run mode (0 manual, 1-5
// automatic); the transfer modes 2 and 3 allow the most.
std::string_view ForbiddenBaudCodes(const std::string& portKind, std::int16_t runMode);

// The BaudCodes "0".."5" some run mode allows with the kind, slowest first.
std::string AllowedBaudCodes(const std::string& portKind);

} // namespace tavelin::settings
