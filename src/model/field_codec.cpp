#include "model/field_codec.h"

#include <array>
#include <charconv>

#include "model/error.h"

namespace marivel {

std::string JoinRecordLine(const FieldStrings& fields, std::string_view separator) {
    std::size_t size = 0;
    for (const auto& f : fields) size += f.size() + separator.size();
    std::string line;
    line.reserve(size);
    for (const auto& f : fields) {
        line += f;
        line += separator;
    }
    return line;
}

std::string ExtractField(std::string_view line, int n, std::string_view separator) {
    if (n < 1 || separator.empty()) return {};
    std::size_t start = 0;
    for (int k = 1; k <= n; ++k) {
        const std::size_t end = line.find(separator, start);
        if (end == std::string_view::npos) return {};  // fewer than n separators
        if (k == n) return std::string(line.substr(start, end - start));
        start = end + separator.size();
    }
    return {};
}

std::string ColorToHex(BgrColor colour) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const unsigned r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
    std::string hex(6, '0');
    const std::array<unsigned, 3> parts{r, g, b};
    for (std::size_t i = 0; i < parts.size(); ++i) {
        hex[2 * i] = kDigits[parts[i] >> 4];
        hex[2 * i + 1] = kDigits[parts[i] & 0xF];
    }
    return hex;
}

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Characters from..from+1 (1-based), shorter where the text ends first.
std::string_view Piece(std::string_view text, std::size_t from) {
    if (text.size() < from) return {};
    return text.substr(from - 1, 2);
}

}  // namespace

BgrColor HexToColor(std::string_view text) {
    // RRGGBB on the page, 0x00BBGGRR in the value: the blue pair gives the
    // highest digits.
    std::string digits;
    digits += Piece(text, 5);
    digits += Piece(text, 3);
    digits += Piece(text, 1);
    BgrColor value = 0;
    for (char c : digits) {
        const int d = HexDigit(c);
        if (d < 0) throw Error("'" + std::string(text) + "' is not a valid colour value");
        value = (value << 4) | static_cast<BgrColor>(d);
    }
    return value;
}

std::string CssColor(std::string_view text) {
    return "#" + std::string(text);
}

std::string PxValue(std::string_view text) {
    return std::string(text) + "px";
}

std::string BorderStyleName(std::string_view styleIndex) {
    static constexpr std::array<const char*, 10> kNames{
        "none", "dotted", "dashed", "solid", "double", "groove", "ridge", "inset", "window-inset", "outset"};
    const int index = StrToInt(styleIndex);
    if (index < 0 || index >= static_cast<int>(kNames.size())) return "solid";
    return kNames[static_cast<std::size_t>(index)];
}

int StrToInt(std::string_view text) {
    std::string_view digits = text;
    bool negative = false;
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    long long value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    const bool ok = !digits.empty() && digits.front() >= '0' && digits.front() <= '9' && ec == std::errc() &&
                    end == digits.data() + digits.size() && value <= 2147483648LL &&
                    (negative || value <= 2147483647LL);
    if (!ok) throw Error("'" + std::string(text) + "' is not a valid integer value");
    return static_cast<int>(negative ? -value : value);
}

std::string Trim(std::string_view text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 32) ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
    return std::string(text.substr(begin, end - begin));
}

}  // namespace marivel
