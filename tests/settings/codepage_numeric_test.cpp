// SPDX-License-Identifier: MIT
#include "settings/codepage.h"
#include "settings/numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

namespace tavelin::settings {
namespace {

TEST(CodePage, CatalogueTextsRoundTripByteExact)
{
    const struct {
        const char* utf8;
        const char* cp932;
    } rows[] = {
        {"正常終了", "\x90\xB3\x8F\xED\x8F\x49\x97\xB9"},
        {"ﾎﾞｰﾚｰﾄ", "\xCE\xDE\xB0\xDA\xB0\xC4"},         // half-width kana are single bytes
        {"ＣＯＭ", "\x82\x62\x82\x6E\x82\x6C"},
        {"C:\\DATA\\", "C:\\DATA\\"},                    // the backslash stays a backslash
        {"ソ", "\x83\x5C"},                               // trail byte 0x5C is not a separator
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Utf8ToCp932(row.utf8), row.cp932) << row.utf8;
        EXPECT_EQ(Cp932ToUtf8(row.cp932), row.utf8) << row.utf8;
    }
}

TEST(CodePage, InvalidBytesBecomeReplacementCharactersAndNeverStop)
{
    // A lone lead byte at the end, a lead byte with an impossible trail and
    // an unassigned single byte.
    EXPECT_EQ(Cp932ToUtf8("A\x81"), "A\xEF\xBF\xBD");
    EXPECT_EQ(Cp932ToUtf8("\x81\x20Z"), "\xEF\xBF\xBD Z");
    EXPECT_EQ(Cp932ToUtf8("\xFD" "B"), "\xEF\xBF\xBD" "B");
    EXPECT_EQ(Utf8ToCp932("x\xF0\x9F\x98\x80y"), "x?y"); // no code page 932 form
    EXPECT_EQ(Utf8ToCp932("x\xC3"), "x?");                // truncated UTF-8
}

// Linux and Windows convert through different system tables and rules; the
// files and hand-held names they exchange must read the same on both.
TEST(CodePage, BadInputGivesOneReplacementPerBadByteOnEverySystem)
{
    const std::string r = "\xEF\xBF\xBD";
    const struct {
        std::string cp932, utf8;
    } decoded[] = {
        {"\x81\xFF", r + r},               // bad trail: read again, bad too
        {"\x81\x7F" "A", r + "\x7F" "A"},   // 7F is never a trail byte
        {"\x85\x40", r + "@"},             // a well-formed pair the table lacks
        {"\x80\xA0\xFD\xFE\xFF", r + r + r + r + r}, // single bytes with no character
        {"\xFF\x81\x45", r + "\xE3\x83\xBB"}, // a bad byte, then the real "・" 81 45
        {"\x83\x5C\xB1", "\xE3\x82\xBD\xEF\xBD\xB1"}, // "ソｱ": a 5C trail is no backslash
    };
    for (const auto& row : decoded)
        EXPECT_EQ(Cp932ToUtf8(row.cp932), row.utf8);

    const struct {
        std::string utf8, cp932;
    } encoded[] = {
        {"\xC3\xA9", "?"},                       // é: no best fit to "e"
        {"\xC0\x80" "a", "?a"},                  // overlong NUL
        {"\xED\xA0\x80" "a", "?a"},             // a surrogate
        {"\x80\x80" "a", "?a"},                  // stray continuation bytes: one "?"
        {"\xE3\x81" "a", "?a"},                  // truncated before an ASCII byte
        {"\xEF\xA3\xB1", "?"},                  // U+F8F1 would be FD, which reads back as U+FFFD
        {"\xE3\x80\x9C\xEF\xBD\x9E", "\x81\x60\x81\x60"}, // both wave dashes
        {"\xC2\xA5", "\x5C"},                    // the yen sign of JIS is byte 5C
    };
    for (const auto& row : encoded)
        EXPECT_EQ(Utf8ToCp932(row.utf8), row.cp932);
}

// Conversions share what they keep open: one that ended inside a character
// must leave nothing behind for the next, and threads must not share it.
TEST(CodePage, EachConversionStartsAfreshOnEveryThread)
{
    const auto convertAll = [] {
        std::string out;
        for (int i = 0; i < 200; ++i) {
            out += Utf8ToCp932("x\xE3\x81") + Utf8ToCp932("\xE3\x81\x82");
            out += Cp932ToUtf8("y\x82") + Cp932ToUtf8("\xA0\x82\xA0");
        }
        return out;
    };
    std::string expected;
    for (int i = 0; i < 200; ++i)
        expected += "x?\x82\xA0y\xEF\xBF\xBD\xEF\xBF\xBD\xE3\x81\x82";
    std::string other;
    std::thread thread([&] { other = convertAll(); });
    const std::string mine = convertAll();
    thread.join();
    EXPECT_EQ(mine, expected);
    EXPECT_EQ(other, expected);
}

TEST(Numeric, ValueOfTheNumberAtTheStart)
{
    const struct {
        const char* text;
        double value;
    } rows[] = {
        {"050", 50}, {"  12abc", 12}, {"", 0}, {"abc", 0}, {"-3.5", -3.5}, {"1e2", 100}, {"7e", 7}, {"\r\n", 0}, {".5x", 0.5},
    };
    for (const auto& row : rows)
        EXPECT_DOUBLE_EQ(NumericValue(row.text), row.value) << row.text;

    EXPECT_TRUE(IsNumericText(" 12 "));
    EXPECT_TRUE(IsNumericText("1.5"));
    EXPECT_FALSE(IsNumericText(""));
    EXPECT_FALSE(IsNumericText("12a"));
    EXPECT_FALSE(IsNumericText("\r"));
}

TEST(Numeric, SixteenBitFieldsRoundHalvesToEvenAndRefuseOverflow)
{
    EXPECT_EQ(ToInt16(2.5), 2);
    EXPECT_EQ(ToInt16(3.5), 4);
    EXPECT_EQ(ToInt16(-2.5), -2);
    EXPECT_EQ(ToInt16(32767.4), 32767);
    EXPECT_EQ(ToInt16(32767.5), std::nullopt);
    EXPECT_EQ(ToInt16(-40000), std::nullopt);
    EXPECT_EQ(ToInt16(NAN), std::nullopt);
}

TEST(Numeric, HhtIdTextHasThreeDigitsOrNone)
{
    EXPECT_EQ(HhtIdText(1), "001");
    EXPECT_EQ(HhtIdText(12), "012");
    EXPECT_EQ(HhtIdText(128), "128");
    EXPECT_EQ(HhtIdText(7.5), "008");
    EXPECT_EQ(HhtIdText(999), "999");
    for (const double beyond : {-1.0, -0.6, 999.5, 1e12, 1e300})
        EXPECT_EQ(HhtIdText(beyond), "000") << beyond;
}

TEST(Numeric, PrintStyleAndStamps)
{
    EXPECT_EQ(PrintStyle(0), " 0 ");
    EXPECT_EQ(PrintStyle(3), " 3 ");
    EXPECT_EQ(PrintStyle(-1), "-1 ");
    EXPECT_EQ(PrintStyle(-2147483648LL), "-2147483648 ");
    const LocalTime t{2007, 3, 9, 4, 5, 6};
    EXPECT_EQ(FormatDate(t), "07/03/09");
    EXPECT_EQ(FormatTime(t), "04:05:06");
}

} // namespace
} // namespace tavelin::settings
