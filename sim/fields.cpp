// SPDX-License-Identifier: MIT
#include "exchange.h"

#include <algorithm>
#include <cstdio>

namespace tavelin::sim {

std::string NameField(std::string_view text, std::size_t from, std::size_t length)
{
    if (from >= text.size())
        return {};
    std::string_view field = text.substr(from, length);
    const std::size_t end = field.find_last_not_of(' ');
    return std::string(end == std::string_view::npos ? std::string_view() : field.substr(0, end + 1));
}

std::int64_t NumberField(std::string_view text, std::size_t from)
{
    std::size_t at = from;
    while (at < text.size() && text[at] == ' ')
        ++at;
    std::int64_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9' && value < 1'000'000'000'000; ++at)
        value = value * 10 + (text[at] - '0');
    return value;
}

std::string Padded(std::string_view name, std::size_t width)
{
    std::string field(name.substr(0, width));
    field.resize(width, ' ');
    return field;
}

std::string Digits(std::int64_t value, int width)
{
    char text[24];
    std::snprintf(text, sizeof text, "%0*lld", width, static_cast<long long>(std::max<std::int64_t>(value, 0)));
    return text;
}

} // namespace tavelin::sim
