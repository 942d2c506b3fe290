// SPDX-License-Identifier: MIT
// Numbers as the parameter files and logs write them: the numeric value of a
// text, rounding into 16-bit fields, print-style integers, and the date and
// time stamps of the logs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavelin::settings {

// The value of the decimal number at the start of the text: leading blanks
// are skipped and reading stops at the first character that cannot continue
// the number. An empty or non-numeric text gives 0.
double NumericValue(std::string_view text);

// True when the whole text, blanks around it aside, is one decimal number.
bool IsNumericText(std::string_view text);

// Rounds to the nearest integer, halves to even. Values that do not fit a
// 16-bit field give nothing, and the field keeps what it held.
std::optional<std::int16_t> ToInt16(double value);

// A blank (or minus sign), the digits, one blank: 3 -> " 3 ", -1 -> "-1 ".
std::string PrintStyle(std::int64_t value);

// The three digits a hand-held ID travels as in every frame: 7 -> "007".
// The value is rounded to the nearest integer first; one that cannot have
// three digits gives "000", which no hand-held answers.
std::string HhtIdText(double id);

struct LocalTime {
    int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};
LocalTime NowLocal();
std::string FormatDate(const LocalTime& t); // "yy/mm/dd"
std::string FormatTime(const LocalTime& t); // "hh:nn:ss"

} // namespace tavelin::settings
