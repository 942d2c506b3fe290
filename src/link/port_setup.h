// SPDX-License-Identifier: MIT
// Opening the hand-held's port: the settings text from the setting codes, the
// common opening order, and bringing an infrared adapter to the line speed
// ("JetEye PC" through the modem lines, "irlink" through a speed code byte).
#pragma once

#include "frame.h"
#include "settings/app_state.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tavelin::link {

// How opening ended; the windows turn each value into their own message or
// RESULT.DAT code.
enum class PortSetupResult { Ok, BadBaud, BadParity, BadDataBits, BadStopBits, PortError, AdapterError };

// "19200,N,8,1" from BaudCode, ParityCode, DataBitsCode and StopBitsCode;
// nullopt when a code is outside its list, and then *invalid (when given)
// names the first such code, checked in that order.
std::optional<std::string> BuildSettingsString(const settings::Settings& settings,
                                               PortSetupResult* invalid = nullptr);

// Brings the adapter of portKindCode ("2" JetEye PC, "3" irlink) to the speed
// of baudCode; other kinds need nothing. False when an irlink adapter cannot
// be set (4800 bit/s, or no echo); the port is then closed.
bool SetAdapterSpeed(Link& link, const std::string& baudCode, const std::string& portKindCode,
                     const std::string& settingsString);

// Reopens the port at 9600 bit/s and sends the irlink speed code; true once
// the adapter echoes it. Each read waits timeoutMs. Bytes other than the code
// are skipped for at most kIrlinkAnswerReads times timeoutMs in all, so an
// adapter that babbles cannot hold the program. The port is left open at 9600 bit/s.
constexpr int kIrlinkAnswerReads = 10;
bool InitIrlink(Link& link, std::uint8_t code, int timeoutMs);

// The opening order shared by both windows: check the codes (the port is not
// touched when one is invalid), CommPort, Settings, open, then the adapter.
// On PortError the port is closed if it reports itself open and `reason`
// says why, as the port put it; on AdapterError the port is closed.
struct [[nodiscard]] PortOpening {
    PortSetupResult result = PortSetupResult::Ok;
    std::string reason; // PortError only
};
PortOpening OpenHhtPort(Link& link);

} // namespace tavelin::link
