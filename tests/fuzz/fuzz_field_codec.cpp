// The field codec and the text conversions on any bytes: splitting agrees
// with itself, joining and splitting are inverse, numbers and colours read
// back as written, and every escape decodes to exactly the text it came
// from while holding nothing but ASCII.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "model/error.h"
#include "model/field_codec.h"
#include "model/text_encoding.h"
#include "output/exif_orientation.h"
#include "output/script_text.h"

namespace {

using namespace marivel;
using fuzz::Require;

constexpr std::string_view kSeparator = "#$@";

std::u32string CodePoints(std::string_view text) {
    std::u32string out;
    for (std::size_t i = 0; i < text.size();) {
        const DecodedChar c = DecodeCharAt(text, i);
        out += c.codePoint;
        i += c.length;
    }
    return out;
}

int Hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a single-quoted script string's content back as a browser would.
std::u32string UnescapeScript(std::string_view s) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        Require(s[i] != '\'' && s[i] != '\r' && s[i] != '\n', "a character that ends the string");
        Require(!(s[i] == '<' && i + 1 < s.size() && s[i + 1] == '/'), "</ in a script");
        if (s[i] != '\\') {
            out += static_cast<char32_t>(static_cast<unsigned char>(s[i]));
            continue;
        }
        Require(i + 1 < s.size(), "a dangling backslash");
        const char e = s[++i];
        if (e == 'r') {
            out += U'\r';
        } else if (e == 'n') {
            out += U'\n';
        } else if (e == 'u') {
            Require(i + 4 < s.size(), "a short \\u escape");
            char32_t unit = 0;
            for (int k = 1; k <= 4; ++k) {
                const int d = Hex(s[i + static_cast<std::size_t>(k)]);
                Require(d >= 0, "a \\u escape with no hex digits");
                unit = unit * 16 + static_cast<char32_t>(d);
            }
            i += 4;
            if (unit >= 0xDC00 && unit <= 0xDFFF && !out.empty() && out.back() >= 0xD800 &&
                out.back() <= 0xDBFF)
                out.back() = 0x10000 + ((out.back() - 0xD800) << 10) + (unit - 0xDC00);
            else
                out += unit;
        } else {
            out += static_cast<char32_t>(static_cast<unsigned char>(e));  // \\ \' \/
        }
    }
    return out;
}

// Reads attribute text back, character references included.
std::u32string UnescapeAttribute(std::string_view s) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        Require(s[i] != '"' && s[i] != '\'' && s[i] != '<' && s[i] != '>', "a raw markup character");
        if (s[i] != '&') {
            out += static_cast<char32_t>(static_cast<unsigned char>(s[i]));
            continue;
        }
        const std::size_t end = s.find(';', i);
        Require(end != std::string_view::npos, "an unended reference");
        const std::string_view name = s.substr(i + 1, end - i - 1);
        if (name == "amp")
            out += U'&';
        else if (name == "lt")
            out += U'<';
        else if (name == "gt")
            out += U'>';
        else if (name == "quot")
            out += U'"';
        else {
            Require(name.size() > 1 && name[0] == '#', "an unknown reference");
            char32_t c = 0;
            for (char d : name.substr(1)) {
                Require(d >= '0' && d <= '9', "a reference that is no number");
                c = c * 10 + static_cast<char32_t>(d - '0');
            }
            out += c;
        }
        i = end;
    }
    return out;
}

void CheckFields(std::string_view line) {
    std::vector<std::string> split;
    SplitRecordLine(line, 24, kSeparator, [&](int, std::string_view f) { split.emplace_back(f); });
    for (int n = 0; n <= 25; ++n) {
        const std::string field = ExtractField(line, n, kSeparator);
        if (n < 1) Require(field.empty(), "a field before the first");
        if (n >= 1 && n <= 24)
            Require(field == split[static_cast<std::size_t>(n - 1)], "two splits disagree");
    }
    // Pieces without the separator join into a line that splits back into them.
    std::vector<std::string> pieces;
    std::string piece;
    for (char c : line) {
        if (c == '\0') {
            pieces.push_back(piece);
            piece.clear();
        } else {
            piece += c;
        }
    }
    pieces.push_back(piece);
    for (auto& p : pieces)
        for (std::size_t at; (at = p.find(kSeparator)) != std::string::npos;) p.erase(at, kSeparator.size());
    const std::string joined = JoinRecordLine(pieces, kSeparator);
    for (std::size_t k = 0; k < pieces.size(); ++k)
        Require(ExtractField(joined, static_cast<int>(k) + 1, kSeparator) == pieces[k],
                "join and split differ");
}

void CheckNumbers(const std::string& text) {
    try {
        const int value = StrToInt(text);
        Require(StrToInt(std::to_string(value)) == value, "a number does not read back");
    } catch (const Error&) {
    }
    try {
        const BgrColor colour = HexToColor(text);
        Require(colour <= 0xFFFFFF, "a colour beyond 24 bits");
        if (text.size() == 6) {
            std::string upper = text;
            for (char& c : upper)
                if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
            Require(ColorToHex(colour) == upper, "a colour does not read back");
        }
    } catch (const Error&) {
    }
    try {
        const std::string name = BorderStyleName(text);
        Require(!name.empty(), "an empty style name");
    } catch (const Error&) {
    }
    Require(Trim(Trim(text)) == Trim(text), "trimming twice trims more");
}

void CheckText(const std::string& text) {
    const std::string utf8 = ToUtf8(text);
    Require(IsValidUtf8(utf8), "converted text is not UTF-8");
    if (IsValidUtf8(text)) Require(utf8 == text, "UTF-8 was converted");
    const std::u32string expected = CodePoints(text);

    const std::string script = EscapeForScriptString(text);
    for (char c : script)
        Require(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F, "a script byte beyond ASCII");
    Require(UnescapeScript(script) == expected, "the script string reads back otherwise");

    const std::string bare = EscapeNonAsciiForScript(text);
    for (char c : bare) Require(static_cast<unsigned char>(c) < 0x80, "a bare value beyond ASCII");

    const std::string attribute = EscapeForHtmlAttribute(text);
    for (char c : attribute) Require(static_cast<unsigned char>(c) < 0x80, "an attribute beyond ASCII");
    Require(UnescapeAttribute(attribute) == expected, "the attribute reads back otherwise");

    const std::size_t half = text.size() / 2;
    const std::string from = text.substr(0, half / 2), to = text.substr(half / 2, half / 2);
    const std::string replaced = ReplaceAllIgnoreCase(text.substr(half), from, to);
    if (from.empty()) Require(replaced == text.substr(half), "replacing nothing changed the text");
    (void)PublishBaseName(text);
    const int orientation =
        static_cast<int>(ExifOrientation(reinterpret_cast<const unsigned char*>(text.data()), text.size()));
    Require(orientation >= 1 && orientation <= 8, "an orientation out of range");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckFields(text);
    CheckNumbers(text);
    CheckText(text);
    return 0;
}
