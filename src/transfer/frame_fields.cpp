// SPDX-License-Identifier: MIT
#include "frame_fields.h"

#include "settings/codepage.h"

#include <cstdio>
#include <limits>

namespace tavelin::transfer {

namespace {
constexpr std::size_t kNameField = 12;
constexpr std::size_t kHeaderLength = 10; // STX and the nine header characters
constexpr std::size_t kTrailerLength = 2; // ETX and the check character
} // namespace

std::string PaddedName(std::string_view utf8Name)
{
    std::string bytes = settings::Utf8ToCp932(utf8Name);
    if (bytes.size() < kNameField)
        bytes.append(kNameField - bytes.size(), ' ');
    return bytes;
}

std::string SizeField(std::int64_t size)
{
    char text[32];
    std::snprintf(text, sizeof text, "%07lld", static_cast<long long>(size));
    return text;
}

std::int64_t FrameNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max() / 10 - 9;
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value < kLimit)
            value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

std::string_view FrameData(std::string_view frame)
{
    if (frame.size() < kHeaderLength + kTrailerLength)
        return {};
    return frame.substr(kHeaderLength, frame.size() - kHeaderLength - kTrailerLength);
}

char FrameKind(std::string_view frame) { return frame.size() > 1 ? frame[1] : '\0'; }

char FirstDataChar(std::string_view frame)
{
    const std::string_view data = FrameData(frame);
    return data.empty() ? '\0' : data.front();
}

int FrameDigit(std::string_view frame)
{
    if (frame.size() < 6 || frame[5] < '0' || frame[5] > '9')
        return -1;
    return frame[5] - '0';
}

std::string UnpaddedName(std::string_view field)
{
    const std::size_t space = field.find(' ');
    return settings::Cp932ToUtf8(space == std::string_view::npos ? field : field.substr(0, space));
}

} // namespace tavelin::transfer
