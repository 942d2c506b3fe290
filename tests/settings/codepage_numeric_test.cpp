#include "settings/codepage.h"
#include "settings/numeric.h"

#include <gtest/gtest.h>

#include <cmath>

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
