// SPDX-License-Identifier: MIT
// The text fields of request and header frames: names padded to 12, sizes of
// at least 7 digits, numbers read back from a received frame, and the pieces
// of a received frame text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tavelin::transfer {

// The hand-held's bytes of a UTF-8 name, padded with spaces to 12.
std::string PaddedName(std::string_view utf8Name);

// "0001234"; longer numbers keep all their digits.
std::string SizeField(std::int64_t size);

// A number as frames carry it: blanks skipped, an optional sign, then digits
// up to the first other character; no digits read as 0. Never overflows.
std::int64_t FrameNumber(std::string_view text);

// The data part of a received frame text (STX..BCC); empty when too short.
std::string_view FrameData(std::string_view frame);

// The frame's kind letter, 0 when it has none.
char FrameKind(std::string_view frame);

// The first data byte of a received frame, 0 when it has none.
char FirstDataChar(std::string_view frame);

// The frame's sequence digit as a number (-1 when it has none).
int FrameDigit(std::string_view frame);

// The name before the first space of a padded field (the whole field when it
// has none), converted to UTF-8.
std::string UnpaddedName(std::string_view field);

} // namespace tavelin::transfer
