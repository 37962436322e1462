#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "model/records.h"

namespace marivel {

// A colour as the model's neighbours exchange it: red in the lowest byte,
// green in the next, blue in the third (0x00BBGGRR). Only the low 24 bits
// carry colour; the GUI resolves theme colours before it converts.
using BgrColor = std::uint32_t;

// Joins the entries of a record, every entry followed by the separator (the
// last one too). No quoting: fields never contain the separator.
std::string JoinRecordLine(const FieldStrings& fields, std::string_view separator);

// The n-th field (from 1) of a record line: the text between the (n-1)-th and
// the n-th separator. Missing fields, text after the last separator and n < 1
// give empty text.
std::string ExtractField(std::string_view line, int n, std::string_view separator);

// Calls sink(k, field) for the fields 1..count of a record line in one pass,
// giving exactly what ExtractField(line, k, separator) gives for each k.
// The first separator at or after from, or npos. Jumps between candidate
// first characters with memchr and checks the rest in place: fields are
// short and lines long, so this beats a general substring search.
inline std::size_t FindSeparator(std::string_view line, std::size_t from, std::string_view separator) {
    const std::size_t size = separator.size();
    const char* const begin = line.data();
    const char* const end = begin + line.size();
    for (const char* p = begin + from; p + size <= end; ++p) {
        p = static_cast<const char*>(std::memchr(p, separator[0], static_cast<std::size_t>(end - p)));
        if (!p || p + size > end) break;
        std::size_t k = 1;
        while (k < size && p[k] == separator[k]) ++k;
        if (k == size) return static_cast<std::size_t>(p - begin);
    }
    return std::string_view::npos;
}

// Calls sink(k, field) for the fields 1..count of a record line in one pass,
// giving exactly what ExtractField(line, k, separator) gives for each k.
template <typename Sink>
void SplitRecordLine(std::string_view line, int count, std::string_view separator, Sink&& sink) {
    std::size_t start = 0;
    bool ended = separator.empty();
    for (int k = 1; k <= count; ++k) {
        const std::size_t end = ended ? std::string_view::npos : FindSeparator(line, start, separator);
        if (end == std::string_view::npos) {
            ended = true;
            sink(k, std::string_view());
            continue;
        }
        sink(k, line.substr(start, end - start));
        start = end + separator.size();
    }
}

std::string ColorToHex(BgrColor colour);                   // 0x0000FF (red) -> "FF0000"
BgrColor HexToColor(std::string_view text);                // throws Error on a non-hex digit
std::string CssColor(std::string_view text);               // "#" + text
std::string PxValue(std::string_view text);                // text + "px"
std::string BorderStyleName(std::string_view styleIndex);  // throws Error on non-integers

// Strict decimal integer conversion used wherever the model's text becomes a
// number: optional sign, decimal digits, nothing else (surrounding blanks are
// not accepted either). Throws Error "'<text>' is not a valid integer value".
int StrToInt(std::string_view text);

// Removes leading and trailing characters with codes 0..32.
std::string Trim(std::string_view text);

}  // namespace marivel
