// SPDX-License-Identifier: MIT
#include "line_settings.h"

#include <array>
#include <charconv>
#include <vector>

namespace tavelin::link {

std::optional<int> BaudForCode(std::string_view baudCode)
{
    static constexpr std::array<int, 6> kBauds{4800, 9600, 19200, 38400, 57600, 115200};
    if (baudCode.size() != 1 || baudCode[0] < '0' || baudCode[0] > '5')
        return std::nullopt;
    return kBauds[static_cast<std::size_t>(baudCode[0] - '0')];
}

namespace {

std::optional<int> ToInt(std::string_view text)
{
    int value = 0;
    const auto* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

std::optional<Parity> ToParity(std::string_view text)
{
    if (text.size() != 1)
        return std::nullopt;
    switch (text[0]) {
    case 'n': case 'N': return Parity::None;
    case 'e': case 'E': return Parity::Even;
    case 'o': case 'O': return Parity::Odd;
    case 'm': case 'M': return Parity::Mark;
    case 's': case 'S': return Parity::Space;
    default: return std::nullopt;
    }
}

std::vector<std::string_view> SplitCommas(std::string_view text)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const auto comma = text.find(',', start);
        parts.push_back(text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos)
            return parts;
        start = comma + 1;
    }
}

} // namespace

std::optional<LineSettings> ParseLineSettings(std::string_view text)
{
    const auto parts = SplitCommas(text);
    if (parts.size() != 4)
        return std::nullopt;
    const auto baud = ToInt(parts[0]);
    const auto parity = ToParity(parts[1]);
    const auto dataBits = ToInt(parts[2]);
    const auto stopBits = ToInt(parts[3]);
    if (!baud || *baud < 50 || !parity || !dataBits || *dataBits < 5 || *dataBits > 8 || !stopBits
        || (*stopBits != 1 && *stopBits != 2))
        return std::nullopt;
    return LineSettings{*baud, *parity, *dataBits, *stopBits};
}

} // namespace tavelin::link
