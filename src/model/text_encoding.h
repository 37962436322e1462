#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace marivel {

// Text in the core is UTF-8. Project files written by the program on other
// systems hold their single-byte code page instead, Windows-1252 nearly
// always, so text that is not valid UTF-8 is read as Windows-1252.

// True when the bytes are well-formed UTF-8: shortest forms only, no UTF-16
// surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);

// The Windows-1252 character of a byte as a Unicode code point. The five
// bytes that code page leaves unassigned map to the C1 controls of the same
// value, as Windows itself converts them.
char32_t Windows1252ToCodePoint(unsigned char byte);

// Each byte read as Windows-1252, written as UTF-8.
std::string Windows1252ToUtf8(std::string_view text);

// The text itself when it is valid UTF-8, otherwise its Windows-1252 reading
// in UTF-8.
std::string ToUtf8(std::string text);

// Appends the UTF-8 form of a code point (at most U+10FFFF).
void AppendUtf8(std::string& out, char32_t codePoint);

// Reads one character at text[at] and answers it with its length in bytes.
// A byte that does not start a well-formed UTF-8 sequence is taken alone as
// a Windows-1252 character, so every byte string decodes to something and
// stray legacy bytes keep their most likely meaning.
struct DecodedChar {
    char32_t codePoint;
    std::size_t length;
};
DecodedChar DecodeCharAt(std::string_view text, std::size_t at);

}  // namespace marivel
