#include "output/script_text.h"

#include <algorithm>

#include "model/error.h"
#include "model/field_codec.h"
#include "model/text_encoding.h"

namespace marivel {

namespace {

void AppendHex4(std::string& out, unsigned value) {
    static constexpr char kDigits[] = "0123456789abcdef";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[(value >> shift) & 0xF];
}

// \uXXXX, or the UTF-16 surrogate pair of a character beyond U+FFFF.
void AppendScriptEscape(std::string& out, char32_t c) {
    if (c < 0x10000) {
        AppendHex4(out, static_cast<unsigned>(c));
        return;
    }
    const char32_t v = c - 0x10000;
    AppendHex4(out, 0xD800 + static_cast<unsigned>(v >> 10));
    AppendHex4(out, 0xDC00 + static_cast<unsigned>(v & 0x3FF));
}

// Calls ascii(c, i) for each ASCII byte and other(codePoint) for every other
// character.
template <typename Ascii, typename Other>
void ForEachChar(std::string_view text, Ascii&& ascii, Other&& other) {
    for (std::size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ascii(text[i], i);
            ++i;
            continue;
        }
        const DecodedChar decoded = DecodeCharAt(text, i);
        other(decoded.codePoint);
        i += decoded.length;
    }
}

}  // namespace

std::string EscapeForScriptString(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    ForEachChar(
        text,
        [&](char c, std::size_t i) {
            switch (c) {
                case '\\':
                    out += "\\\\";
                    return;
                case '\'':
                    out += "\\'";
                    return;
                case '\r':
                    out += "\\r";
                    return;
                case '\n':
                    out += "\\n";
                    return;
                case '<':
                    // "</script>" inside the string would end the script element.
                    out += (i + 1 < text.size() && text[i + 1] == '/') ? "<\\" : "<";
                    return;
                default:
                    break;
            }
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                AppendScriptEscape(out, static_cast<unsigned char>(c));
            else
                out += c;
        },
        [&](char32_t c) { AppendScriptEscape(out, c); });
    return out;
}

std::string EscapeNonAsciiForScript(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    ForEachChar(
        text, [&](char c, std::size_t) { out += c; }, [&](char32_t c) { AppendScriptEscape(out, c); });
    return out;
}

std::string EscapeForHtmlAttribute(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    ForEachChar(
        text,
        [&](char c, std::size_t) {
            switch (c) {
                case '&':
                    out += "&amp;";
                    break;
                case '<':
                    out += "&lt;";
                    break;
                case '>':
                    out += "&gt;";
                    break;
                case '"':
                    out += "&quot;";
                    break;
                case '\'':
                    out += "&#39;";
                    break;
                default:
                    out += c;
            }
        },
        [&](char32_t c) { out += "&#" + std::to_string(static_cast<unsigned long>(c)) + ";"; });
    return out;
}

namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoreCaseAt(std::string_view text, std::size_t pos, std::string_view what) {
    if (text.size() - pos < what.size()) return false;
    for (std::size_t k = 0; k < what.size(); ++k)
        if (FoldCase(text[pos + k]) != FoldCase(what[k])) return false;
    return true;
}

}  // namespace

bool IsScriptIdentifier(std::string_view name) {
    if (name.empty()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const bool ok = IsAsciiLetter(c) || c == '_' || c == '$' || (i > 0 && c >= '0' && c <= '9');
        if (!ok) return false;
    }
    return true;
}

void CheckScriptIdentifier(std::string_view field, std::string_view name, std::string_view use) {
    if (IsScriptIdentifier(name)) return;
    throw Error(
        "The " + std::string(field) + " \"" + std::string(name) + "\" cannot name " + std::string(use) +
        ": it must start with a letter, \"_\" or \"$\" and hold only letters, digits, \"_\" and \"$\"");
}

std::string ReplaceAllIgnoreCase(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (EqualIgnoreCaseAt(text, i, from)) {
            out += to;
            i += from.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

std::string RewriteLink(std::string_view link, std::string_view rootLocal, std::string_view rootRemote,
                        std::string_view localChecked) {
    if (Trim(rootLocal).empty() || Trim(rootRemote).empty()) return std::string(link);
    if (localChecked == "1") return ReplaceAllIgnoreCase(link, rootRemote, rootLocal);
    return ReplaceAllIgnoreCase(link, rootLocal, rootRemote);
}

std::string EncodeLinkQuery(std::string_view link) {
    const std::size_t end = std::min(link.find('#'), link.size());
    const std::size_t query = link.substr(0, end).find('?');
    if (query == std::string_view::npos) return std::string(link);
    std::string out(link.substr(0, query));
    ForEachChar(
        link.substr(query, end - query), [&](char c, std::size_t) { out += c; },
        [&](char32_t c) {
            static constexpr char kDigits[] = "0123456789ABCDEF";
            std::string bytes;
            AppendUtf8(bytes, c);
            for (unsigned char b : bytes) {
                out += '%';
                out += kDigits[b >> 4];
                out += kDigits[b & 0xF];
            }
        });
    out += link.substr(end);
    return out;
}

std::string PublishBaseName(std::string_view fileName) {
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos) return std::string(fileName);
    return ReplaceAllIgnoreCase(fileName, fileName.substr(dot), "");
}

}  // namespace marivel
