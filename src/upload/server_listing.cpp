#include "upload/server_listing.h"

#include <charconv>
#include <cstdint>
#include <string_view>

#include "upload/server_address.h"

namespace marivel {

namespace {

bool ParseSize(std::string_view text, std::uint64_t& size) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

// Skips blanks, then returns the next blank-separated field.
std::string_view NextField(std::string_view& rest) {
    const std::size_t start = rest.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(start);
    const std::size_t end = std::min(rest.find(' '), rest.size());
    const std::string_view field = rest.substr(0, end);
    rest.remove_prefix(end);
    return field;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string PercentDecoded(std::string_view text) {
    std::string out;
    for (std::size_t k = 0; k < text.size(); ++k) {
        if (text[k] == '%' && k + 2 < text.size() && HexValue(text[k + 1]) >= 0 &&
            HexValue(text[k + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[k + 1]) * 16 + HexValue(text[k + 2]));
            k += 2;
        } else {
            out += text[k];
        }
    }
    return out;
}

std::string EntitiesDecoded(std::string_view text) {
    static const std::pair<std::string_view, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (std::size_t k = 0; k < text.size();) {
        bool replaced = false;
        if (text[k] == '&')
            for (const auto& [entity, c] : kEntities)
                if (text.substr(k, entity.size()) == entity) {
                    out += c;
                    k += entity.size();
                    replaced = true;
                    break;
                }
        if (!replaced) out += text[k++];
    }
    return out;
}

// The text of the first element called `local` (in any namespace prefix)
// inside `xml`, and whether there is one.
bool ElementText(std::string_view xml, std::string_view local, std::string_view& text) {
    for (std::size_t at = xml.find('<'); at != std::string_view::npos; at = xml.find('<', at + 1)) {
        const std::size_t close = xml.find('>', at);
        if (close == std::string_view::npos) return false;
        std::string_view tag = xml.substr(at + 1, close - at - 1);
        if (tag.empty() || tag[0] == '/' || tag[0] == '?' || tag[0] == '!') continue;
        tag = tag.substr(0, tag.find_first_of(" \t\r\n/"));
        const std::size_t colon = tag.find(':');
        if ((colon == std::string_view::npos ? tag : tag.substr(colon + 1)) != local) continue;
        if (xml[close - 1] == '/') {
            text = {};
            return true;
        }
        const std::string end = "</" + std::string(tag) + ">";
        const std::size_t stop = xml.find(end, close + 1);
        if (stop == std::string_view::npos) return false;
        text = xml.substr(close + 1, stop - close - 1);
        return true;
    }
    return false;
}

}  // namespace

std::vector<RemoteEntry> ParseLongListing(const std::string& text) {
    std::vector<RemoteEntry> entries;
    std::string_view all(text);
    while (!all.empty()) {
        const std::size_t end = std::min(all.find('\n'), all.size());
        std::string_view line = all.substr(0, end);
        all.remove_prefix(std::min(end + 1, all.size()));
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        // Only plain files: directories, links and devices are no file of
        // a publish.
        if (line.empty() || line[0] != '-') continue;
        std::string_view rest = line;
        std::string_view fields[8];
        bool complete = true;
        for (std::string_view& field : fields) {
            field = NextField(rest);
            complete = complete && !field.empty();
        }
        if (!complete || rest.size() < 2 || rest[0] != ' ') continue;
        RemoteEntry entry;
        entry.name = std::string(rest.substr(1));
        if (!ParseSize(fields[4], entry.size) || !IsSafeRemoteName(entry.name)) continue;
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<RemoteEntry> ParsePropfindListing(const std::string& xml, const std::string& folderPath) {
    std::vector<RemoteEntry> entries;
    std::string_view rest(xml);
    std::string_view response;
    while (ElementText(rest, "response", response)) {
        rest.remove_prefix(static_cast<std::size_t>(response.data() - rest.data()) + response.size());
        std::string_view href, length, type;
        if (!ElementText(response, "href", href)) continue;
        if (ElementText(response, "resourcetype", type) && ElementText(type, "collection", length)) continue;
        std::string path = PercentDecoded(EntitiesDecoded(href));
        // A server may answer with whole addresses instead of paths.
        if (const std::size_t scheme = path.find("://"); scheme != std::string::npos) {
            const std::size_t slash = path.find('/', scheme + 3);
            path = slash == std::string::npos ? "/" : path.substr(slash);
        }
        if (path.size() <= folderPath.size() || path.compare(0, folderPath.size(), folderPath) != 0) continue;
        RemoteEntry entry;
        entry.name = path.substr(folderPath.size());
        if (!IsSafeRemoteName(entry.name)) continue;
        if (!ElementText(response, "getcontentlength", length) || !ParseSize(length, entry.size)) continue;
        entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace marivel
