// SPDX-License-Identifier: MIT
// The line's speed and framing: the one-character codes of the settings
// record, and the settings text the port takes ("9600,n,8,1", 19200,N,8,1).
// Pure functions, shared by the port set-up, the receive bound and the real
// port backend.
#pragma once

#include <optional>
#include <string_view>

namespace tavelin::link {

// Bit/s for BaudCode "0".."5" (4800..115200); nullopt for any other code.
std::optional<int> BaudForCode(std::string_view baudCode);

enum class Parity { None, Even, Odd, Mark, Space };

struct LineSettings {
    int baud = 9600;
    Parity parity = Parity::None;
    int dataBits = 8; // 5..8
    int stopBits = 1; // 1 or 2
};

// Reads "speed,parity,data bits,stop bits"; the parity letter in either case.
// nullopt when any part is missing or not a value a serial line can take.
std::optional<LineSettings> ParseLineSettings(std::string_view text);

} // namespace tavelin::link
