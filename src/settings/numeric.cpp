// SPDX-License-Identifier: MIT
#include "numeric.h"

#include "local_time.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace tavelin::settings {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Length of the longest prefix of `text` that forms a decimal number
// (sign, digits, fraction, exponent); 0 when there is none.
std::size_t NumberPrefix(std::string_view text)
{
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i]))
        ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j]))
                ++j;
            i = j;
        }
    }
    return i;
}

std::string_view SkipBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    return text;
}

} // namespace

double NumericValue(std::string_view text)
{
    text = SkipBlanks(text);
    const std::size_t length = NumberPrefix(text);
    if (length == 0)
        return 0.0;
    const double value = std::strtod(std::string(text.substr(0, length)).c_str(), nullptr);
    return std::isfinite(value) ? value : 0.0;
}

bool IsNumericText(std::string_view text)
{
    text = SkipBlanks(text);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return !text.empty() && NumberPrefix(text) == text.size();
}

std::optional<std::int16_t> ToInt16(double value)
{
    const double rounded = std::nearbyint(value); // the default rounding mode: halves to even
    if (!(rounded >= -32768.0 && rounded <= 32767.0))
        return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}

std::string PrintStyle(std::int64_t value)
{
    const std::string digits = std::to_string(value < 0 ? -(value + 1) + std::uint64_t{1} : std::uint64_t(value));
    return (value < 0 ? "-" : " ") + digits + " ";
}

std::string HhtIdText(double id)
{
    const long long whole = std::llround(id);
    if (!(whole >= 0 && whole <= 999))
        return "000";
    char text[8];
    std::snprintf(text, sizeof text, "%03lld", whole);
    return text;
}

LocalTime NowLocal()
{
    const std::tm parts = LocalCalendarTime(std::time(nullptr));
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec};
}

std::string FormatDate(const LocalTime& t)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d/%02d/%02d", t.year % 100, t.month, t.day);
    return text;
}

std::string FormatTime(const LocalTime& t)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return text;
}

} // namespace tavelin::settings
