#include <gtest/gtest.h>

#include "model/error.h"
#include "model/field_codec.h"

namespace marivel {
namespace {

struct FieldCase {
    const char* line;
    int n;
    const char* expected;
};

TEST(ExtractField, FindsFieldsBetweenSeparators) {
    const FieldCase cases[] = {
        {"a#$@b#$@", 1, "a"},   {"a#$@b#$@", 2, "b"},
        {"a#$@b#$@", 3, ""},    {"a#$@b", 2, ""},         // text after the last separator is no field
        {"abc", 1, ""},         {"abc", 2, ""},           // no separator at all
        {"a#$@#$@c#$@", 2, ""}, {"a#$@#$@c#$@", 3, "c"},  // empty field between two separators
        {"a#$@b#$@", 0, ""},    {"a#$@b#$@", -3, ""},
        {"#$#$@x#$@", 1, "#$"},  // a partial separator is ordinary text
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExtractField(c.line, c.n, "#$@"), c.expected) << c.line << " n=" << c.n;
}

TEST(ExtractField, JoinedRecordSplitsBackIntoItsFields) {
    const FieldStrings fields{"VSlider1", "", "x y", "#$", "last"};
    const std::string line = JoinRecordLine(fields, "#$@");
    EXPECT_EQ(line, "VSlider1#$@#$@x y#$@#$#$@last#$@");
    for (int n = 1; n <= 5; ++n) EXPECT_EQ(ExtractField(line, n, "#$@"), fields[n - 1]);
}

TEST(Colours, ConvertBetweenValueAndWebOrder) {
    EXPECT_EQ(ColorToHex(0x0000FF), "FF0000");  // red lives in the lowest byte
    EXPECT_EQ(ColorToHex(0xFFFFFF), "FFFFFF");
    EXPECT_EQ(ColorToHex(0x000000), "000000");
    EXPECT_EQ(ColorToHex(0x123456), "563412");
    EXPECT_EQ(HexToColor("FF0000"), 0x0000FFu);
    EXPECT_EQ(HexToColor(""), 0u);
    EXPECT_EQ(ColorToHex(HexToColor("DBEAF5")), "DBEAF5");
    EXPECT_EQ(ColorToHex(HexToColor("dbeaf5")), "DBEAF5");
    for (BgrColor c : {0x000001u, 0x00FF00u, 0xABCDEFu, 0x7F7F80u}) EXPECT_EQ(HexToColor(ColorToHex(c)), c);
    // Short texts are read piece by piece: "ABC" gives the pieces "", "C", "AB".
    EXPECT_EQ(HexToColor("ABC"), 0xCABu);
}

TEST(Colours, RejectNonHexDigits) {
    EXPECT_THROW(HexToColor("GG0000"), Error);
    EXPECT_THROW(HexToColor("FF 000"), Error);
}

TEST(BorderStyles, MapIndicesToKeywords) {
    const char* names[] = {"none",   "dotted", "dashed", "solid",        "double",
                           "groove", "ridge",  "inset",  "window-inset", "outset"};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(BorderStyleName(std::to_string(i)), names[i]);
    EXPECT_EQ(BorderStyleName("-1"), "solid");
    EXPECT_EQ(BorderStyleName("10"), "solid");
    EXPECT_THROW(BorderStyleName("dashed"), Error);
    EXPECT_THROW(BorderStyleName(""), Error);
}

TEST(Values, CssColourAndPixelsOnlyAddTheirAffix) {
    EXPECT_EQ(CssColor("DBEAF5"), "#DBEAF5");
    EXPECT_EQ(PxValue("4"), "4px");
    EXPECT_EQ(PxValue(""), "px");
}

TEST(StrToInt, AcceptsOnlyWholeDecimalNumbers) {
    EXPECT_EQ(StrToInt("0"), 0);
    EXPECT_EQ(StrToInt("-9999"), -9999);
    EXPECT_EQ(StrToInt("+12"), 12);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
    for (const char* bad : {"", "-", "1.5", " 1", "1 ", "0x10", "--5", "+-5", "2147483648", "abc"}) {
        try {
            StrToInt(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "'" + std::string(bad) + "' is not a valid integer value");
        }
    }
}

TEST(Trim, RemovesBlanksAndControlCharacters) {
    EXPECT_EQ(Trim("  Gallery  "), "Gallery");
    EXPECT_EQ(Trim("\t\r\n x \x01"), "x");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Trim("a b"), "a b");
}

}  // namespace
}  // namespace marivel
