// SPDX-License-Identifier: MIT
#include "port_setup.h"

#include <array>
#include <string_view>

namespace tavelin::link {

namespace {

// Index of a one-character code within "0".."count-1", or -1.
int CodeIndex(const std::string& code, int count)
{
    if (code.size() != 1 || code[0] < '0' || code[0] >= '0' + count)
        return -1;
    return code[0] - '0';
}

constexpr std::array<std::string_view, 6> kBaudTexts{"4800,", "9600,", "19200,", "38400,", "57600,", "115200,"};
constexpr std::array<std::string_view, 3> kParityTexts{"E,", "O,", "N,"};
constexpr std::array<std::string_view, 2> kDataBitsTexts{"7,", "8,"};
constexpr std::array<std::string_view, 2> kStopBitsTexts{"1", "2"};

// The irlink speed code byte of each BaudCode; 4800 bit/s has none.
constexpr std::array<int, 6> kIrlinkCodes{-1, 0x04, 0x03, 0x02, 0x01, 0x00};

void SetJetEyeLines(SerialPort& port, int baudIndex)
{
    switch (baudIndex) {
    case 1: port.SetDtr(false); port.SetRts(true); break;
    case 2: port.SetDtr(true); port.SetRts(false); break;
    case 5: port.SetRts(false); port.SetDtr(true); port.SetRts(true); break;
    default: break; // the adapter's own setting holds
    }
}

} // namespace

std::optional<std::string> BuildSettingsString(const settings::Settings& settings, PortSetupResult* invalid)
{
    const int baud = CodeIndex(settings.BaudCode, 6);
    const int parity = CodeIndex(settings.ParityCode, 3);
    const int dataBits = CodeIndex(settings.DataBitsCode, 2);
    const int stopBits = CodeIndex(settings.StopBitsCode, 2);
    PortSetupResult why = PortSetupResult::Ok;
    if (baud < 0)
        why = PortSetupResult::BadBaud;
    else if (parity < 0)
        why = PortSetupResult::BadParity;
    else if (dataBits < 0)
        why = PortSetupResult::BadDataBits;
    else if (stopBits < 0)
        why = PortSetupResult::BadStopBits;
    if (invalid)
        *invalid = why;
    if (why != PortSetupResult::Ok)
        return std::nullopt;
    std::string text;
    text.append(kBaudTexts[static_cast<std::size_t>(baud)]).append(kParityTexts[static_cast<std::size_t>(parity)]);
    text.append(kDataBitsTexts[static_cast<std::size_t>(dataBits)]).append(kStopBitsTexts[static_cast<std::size_t>(stopBits)]);
    return text;
}

bool InitIrlink(Link& link, std::uint8_t code, int timeoutMs)
{
    SerialPort& port = link.port;
    if (port.IsOpen())
        port.Close();
    port.SetSettings("9600,n,8,1");
    port.SetDtr(false);
    port.SetRts(false);
    // A port that cannot be reopened would never answer nor time out.
    if (!port.Open().Ok())
        return false;
    WaitSec(link.pump, 0.1);
    port.SetDtr(true);
    WaitSec(link.pump, 0.01);
    port.SetRts(true);
    WaitSec(link.pump, 0.1);

    port.SetInTimeout(timeoutMs);
    port.DiscardInput();
    port.SetRts(false);
    const std::uint8_t out[1] = {code};
    port.Write(out);
    WaitSec(link.pump, 0.01);
    port.SetRts(true);

    const Deadline answerLimit(link.pump, Millis(kIrlinkAnswerReads * timeoutMs));
    while (!answerLimit.Expired()) {
        if (port.InBufferCount() == 0)
            link.pump.YieldOnce();
        Bytes answer;
        if (port.Read(1, answer) == ReadResult::TimedOut) {
            link.state.flags.RxTimedOut = settings::kFalse;
            return false;
        }
        if (answer.size() == 1 && answer[0] == code)
            return true;
    }
    return false;
}

bool SetAdapterSpeed(Link& link, const std::string& baudCode, const std::string& portKindCode,
                     const std::string& settingsString)
{
    const int baud = CodeIndex(baudCode, 6);
    if (portKindCode == "2") {
        SetJetEyeLines(link.port, baud);
        return true;
    }
    if (portKindCode != "3")
        return true;

    bool ready = true;
    const int code = baud < 0 ? -1 : kIrlinkCodes[static_cast<std::size_t>(baud)];
    if (code < 0) {
        WaitSec(link.pump, 0.05);
        ready = false;
    } else if (!InitIrlink(link, static_cast<std::uint8_t>(code), 300)) {
        if (link.port.IsOpen())
            link.port.Close();
        ready = false;
    }
    // The PC side follows the adapter to the working speed.
    link.port.SetSettings(settingsString);
    WaitSec(link.pump, 0.05);
    return ready;
}

PortOpening OpenHhtPort(Link& link)
{
    const settings::Settings& settings = link.state.settings;
    PortSetupResult invalid = PortSetupResult::Ok;
    const auto text = BuildSettingsString(settings, &invalid);
    if (!text)
        return {invalid, {}};
    const int comPort = CodeIndex(settings.ComPortCode, 4);
    if (comPort < 0)
        return {PortSetupResult::PortError, "no such port: ComPortCode \"" + settings.ComPortCode + "\""};

    link.port.SetCommPort(comPort + 1);
    link.port.SetSettings(*text);
    const OpenResult opened = link.port.Open();
    if (!opened.Ok()) {
        if (link.port.IsOpen())
            link.port.Close();
        return {PortSetupResult::PortError, opened.reason};
    }
    if (settings.PortKindCode == "2" || settings.PortKindCode == "3") {
        if (!SetAdapterSpeed(link, settings.BaudCode, settings.PortKindCode, *text)) {
            link.port.Close();
            return {PortSetupResult::AdapterError, {}};
        }
    }
    return {PortSetupResult::Ok, {}};
}

} // namespace tavelin::link
