#include "output/script_text.h"

#include "model/field_codec.h"

namespace marivel {

std::string EscapeForScriptString(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
            case '\\':
                out += "\\\\";
                continue;
            case '\'':
                out += "\\'";
                continue;
            case '\r':
                out += "\\r";
                continue;
            case '\n':
                out += "\\n";
                continue;
            case '<':
                // "</script>" inside the string would end the script element.
                out += (i + 1 < text.size() && text[i + 1] == '/') ? "<\\" : "<";
                continue;
            default:
                break;
        }
        // U+2028 and U+2029 end a line inside older engines' string literals.
        if (static_cast<unsigned char>(c) == 0xE2 && i + 2 < text.size() &&
            static_cast<unsigned char>(text[i + 1]) == 0x80) {
            const auto third = static_cast<unsigned char>(text[i + 2]);
            if (third == 0xA8 || third == 0xA9) {
                out += third == 0xA8 ? "\\u2028" : "\\u2029";
                i += 2;
                continue;
            }
        }
        out += c;
    }
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

std::string PublishBaseName(std::string_view fileName) {
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos) return std::string(fileName);
    return ReplaceAllIgnoreCase(fileName, fileName.substr(dot), "");
}

}  // namespace marivel
