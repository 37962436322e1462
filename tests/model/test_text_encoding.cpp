#include <gtest/gtest.h>

#include <string>

#include "model/text_encoding.h"

namespace marivel {
namespace {

TEST(TextEncoding, TellsWellFormedUtf8FromEverythingElse) {
    const std::pair<std::string, bool> rows[] = {
        {"", true},
        {"plain ASCII", true},
        {"caf\xC3\xA9 \xE6\x97\xA5 \xF0\x9F\x93\xB7", true},
        {"\xF4\x8F\xBF\xBF", true},        // U+10FFFF, the last character
        {"\xEF\xBB\xBFwith a BOM", true},  // the BOM is a character like others
        {"caf\xE9", false},                // Windows-1252
        {"\x80", false},                   // a lone continuation byte
        {"\xC3", false},                   // cut short
        {"\xE6\x97", false},
        {"\xC0\xAF", false},          // overlong "/"
        {"\xE0\x80\xAF", false},      // overlong, three bytes
        {"\xED\xA0\x80", false},      // a UTF-16 surrogate
        {"\xF4\x90\x80\x80", false},  // beyond U+10FFFF
        {"\xF8\x88\x80\x80\x80", false},
        {"\xC3\x28", false},  // the second byte is no continuation
    };
    for (const auto& [text, valid] : rows)
        EXPECT_EQ(IsValidUtf8(text), valid) << testing::PrintToString(text);
}

TEST(TextEncoding, ReadsLegacyBytesAsWindows1252) {
    EXPECT_EQ(Windows1252ToUtf8("Caf\xE9"), "Caf\xC3\xA9");
    EXPECT_EQ(Windows1252ToUtf8("\x80\x8A\x9F\xA0\xFF"), "\xE2\x82\xAC\xC5\xA0\xC5\xB8\xC2\xA0\xC3\xBF");
    // Bytes the code page leaves open become the C1 controls of that value.
    EXPECT_EQ(Windows1252ToUtf8("\x81\x8D\x8F\x90\x9D"), "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
    EXPECT_EQ(ToUtf8("Caf\xC3\xA9"), "Caf\xC3\xA9");
    EXPECT_EQ(ToUtf8("Caf\xE9"), "Caf\xC3\xA9");
    // Every byte string decodes, one character at a time.
    const std::string mixed = "\xC3\xA9\xE9\xF0\x9F\x93\xB7\xC3";
    const std::pair<char32_t, std::size_t> expected[] = {{0xE9, 2}, {0xE9, 1}, {0x1F4F7, 4}, {0xC3, 1}};
    std::size_t at = 0;
    for (const auto& [codePoint, length] : expected) {
        const DecodedChar c = DecodeCharAt(mixed, at);
        EXPECT_EQ(c.codePoint, codePoint);
        EXPECT_EQ(c.length, length);
        at += c.length;
    }
    EXPECT_EQ(at, mixed.size());
}

}  // namespace
}  // namespace marivel
