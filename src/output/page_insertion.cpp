#include "output/page_insertion.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>

#include "model/error.h"
#include "model/whole_file.h"

namespace marivel {

namespace fs = std::filesystem;

namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view prefix) {
    if (at > text.size() || text.size() - at < prefix.size()) return false;
    for (std::size_t k = 0; k < prefix.size(); ++k)
        if (Lower(text[at + k]) != Lower(prefix[k])) return false;
    return true;
}

std::size_t FindNoCase(std::string_view text, std::string_view what, std::size_t from) {
    for (std::size_t at = from; at + what.size() <= text.size(); ++at)
        if (StartsWithNoCase(text, at, what)) return at;
    return std::string_view::npos;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// "Marivel  slider" and "marivel slider" are the same marker: a user who
// types one by hand should not have to match our spacing or case.
std::string NormalComment(std::string_view inner) {
    std::string out;
    bool gap = false;
    for (char c : inner) {
        if (IsSpace(c)) {
            gap = !out.empty();
            continue;
        }
        if (gap) out += ' ';
        gap = false;
        out += Lower(c);
    }
    return out;
}

std::string MarkerText(std::string_view marker) {
    return NormalComment(marker.substr(4, marker.size() - 7));
}

struct Span {
    std::size_t begin = 0;
    std::size_t end = 0;
};

// Where the things an insertion is placed by lie in the page. Comments,
// scripts, style sheets and the other elements whose text is not markup are
// stepped over, so a "</head>" in a script's string or a commented-out
// "</body>" is never taken for the real one.
struct Landmarks {
    std::vector<std::size_t> headCloses;
    std::vector<std::size_t> bodyCloses;
    std::vector<Span> headBegins, headEnds, sliderBegins, sliderEnds;
};

std::string RefusalStart() {
    return "Insert into Page cannot edit this page safely: ";
}

// The end of the tag that starts at `at` (one past its ">"); quoted
// attribute values may hold ">".
std::size_t TagEnd(std::string_view page, std::size_t at) {
    std::size_t k = at + 1;
    while (k < page.size()) {
        const char c = page[k];
        if (c == '>') return k + 1;
        if (c == '=') {
            ++k;
            while (k < page.size() && IsSpace(page[k])) ++k;
            if (k < page.size() && (page[k] == '"' || page[k] == '\'')) {
                const std::size_t close = page.find(page[k], k + 1);
                if (close == std::string_view::npos) break;
                k = close + 1;
            }
            continue;
        }
        ++k;
    }
    throw Error(RefusalStart() + "a tag is not closed (\"" + std::string(page.substr(at, 40)) + "\")");
}

std::string TagName(std::string_view page, std::size_t from) {
    std::string name;
    while (from < page.size() && (IsLetter(page[from]) || (page[from] >= '0' && page[from] <= '9')))
        name += Lower(page[from++]);
    return name;
}

bool EndsName(std::string_view page, std::size_t at) {
    return at >= page.size() || IsSpace(page[at]) || page[at] == '>' || page[at] == '/';
}

Landmarks FindLandmarks(std::string_view page) {
    static const std::string headBegin = MarkerText(kHeadMarker), headEnd = MarkerText(kHeadEndMarker);
    static const std::string sliderBegin = MarkerText(kSliderMarker),
                             sliderEnd = MarkerText(kSliderEndMarker);
    static const char* const rawText[] = {"script", "style",   "textarea", "title",    "xmp",
                                          "iframe", "noembed", "noframes", "noscript", "plaintext"};
    Landmarks found;
    std::size_t at = 0;
    while ((at = page.find('<', at)) != std::string_view::npos) {
        if (page.compare(at, 4, "<!--") == 0) {
            // "<!-->" and "<!--->" are whole (empty) comments.
            std::size_t close = page.find("-->", at + 2);
            if (close == std::string_view::npos)
                throw Error(RefusalStart() + "a comment \"<!--\" is never closed");
            const Span span{at, close + 3};
            const std::string text = NormalComment(page.substr(at + 4, close > at + 4 ? close - at - 4 : 0));
            if (text == headBegin) found.headBegins.push_back(span);
            if (text == headEnd) found.headEnds.push_back(span);
            if (text == sliderBegin) found.sliderBegins.push_back(span);
            if (text == sliderEnd) found.sliderEnds.push_back(span);
            at = span.end;
        } else if (at + 1 < page.size() && (page[at + 1] == '!' || page[at + 1] == '?')) {
            const std::size_t close = page.find('>', at);
            if (close == std::string_view::npos) throw Error(RefusalStart() + "a declaration is not closed");
            at = close + 1;
        } else if (at + 1 < page.size() && page[at + 1] == '/' && at + 2 < page.size() &&
                   IsLetter(page[at + 2])) {
            const std::string name = TagName(page, at + 2);
            if (EndsName(page, at + 2 + name.size())) {
                if (name == "head") found.headCloses.push_back(at);
                if (name == "body") found.bodyCloses.push_back(at);
            }
            at = TagEnd(page, at);
        } else if (at + 1 < page.size() && IsLetter(page[at + 1])) {
            const std::string name = TagName(page, at + 1);
            at = TagEnd(page, at);
            if (std::find(std::begin(rawText), std::end(rawText), name) == std::end(rawText)) continue;
            if (name == "plaintext") break;  // the rest of the page is text
            const std::size_t close = FindNoCase(page, "</" + name, at);
            if (close == std::string_view::npos)
                throw Error(RefusalStart() + "its <" + name + "> is never closed");
            at = close;
        } else {
            ++at;
        }
    }
    return found;
}

// The line end the page uses, taken from its first line; CR LF, the
// program's own, for a page of one line.
std::string LineEndOf(std::string_view page) {
    const std::size_t at = page.find_first_of("\r\n");
    if (at == std::string_view::npos) return "\r\n";
    if (page[at] == '\n') return "\n";
    return (at + 1 < page.size() && page[at + 1] == '\n') ? "\r\n" : "\r";
}

// The blanks before `at` when nothing else stands before it on its line.
std::string IndentBefore(std::string_view page, std::size_t at) {
    std::size_t start = at;
    while (start > 0 && (page[start - 1] == ' ' || page[start - 1] == '\t')) --start;
    if (start > 0 && page[start - 1] != '\n' && page[start - 1] != '\r') return {};
    return std::string(page.substr(start, at - start));
}

// The charset the page declares, as a browser's first look finds it: a
// byte-order mark, else a <meta> naming it in the first 1024 bytes.
bool DeclaresUtf8(std::string_view page) {
    if (page.substr(0, 3) == "\xEF\xBB\xBF") return true;
    const std::string_view start = page.substr(0, 1024);
    std::size_t at = 0;
    while ((at = FindNoCase(start, "<meta", at)) != std::string_view::npos) {
        const std::size_t close = start.find('>', at);
        const std::string_view tag =
            start.substr(at, close == std::string_view::npos ? start.npos : close - at);
        at += 5;
        std::size_t k = FindNoCase(tag, "charset", 0);
        if (k == std::string_view::npos) continue;
        k += 7;
        while (k < tag.size() && (IsSpace(tag[k]) || tag[k] == '=' || tag[k] == '"' || tag[k] == '\'')) ++k;
        std::string name;
        while (k < tag.size() &&
               (IsLetter(tag[k]) || (tag[k] >= '0' && tag[k] <= '9') || tag[k] == '-' || tag[k] == '_'))
            name += Lower(tag[k++]);
        return name == "utf-8" || name == "utf8";
    }
    return false;
}

// Non-ASCII text as character references, which mean the same in a page of
// any ASCII-based encoding. Bytes that are no UTF-8 become U+FFFD.
std::string AsciiOnly(std::string_view text) {
    std::string out;
    for (std::size_t k = 0; k < text.size();) {
        const auto byte = static_cast<unsigned char>(text[k]);
        if (byte < 0x80) {
            out += text[k++];
            continue;
        }
        const int length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 0;
        std::uint32_t code = byte & (length == 4 ? 0x07 : length == 3 ? 0x0F : 0x1F);
        bool valid = length > 0 && k + static_cast<std::size_t>(length) <= text.size() && byte < 0xF5;
        for (int n = 1; valid && n < length; ++n) {
            const auto next = static_cast<unsigned char>(text[k + static_cast<std::size_t>(n)]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        static const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && code >= smallest[length] && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
        if (!valid) code = 0xFFFD;
        char reference[16];
        std::snprintf(reference, sizeof reference, "&#x%X;", static_cast<unsigned>(code));
        out += reference;
        k += valid ? static_cast<std::size_t>(length) : 1;
    }
    return out;
}

struct Edit {
    std::size_t at = 0;
    std::size_t erase = 0;
    std::string text;
};

// The lines as they stand between our two markers.
std::string Body(const std::vector<std::string>& lines, const std::string& indent, const std::string& eol,
                 bool utf8) {
    std::string out = eol;
    for (const std::string& line : lines) out += indent + (utf8 ? line : AsciiOnly(line)) + eol;
    return out + indent;
}

void RefuseDoubles(const std::vector<Span>& spans, std::string_view marker) {
    if (spans.size() > 1)
        throw Error(RefusalStart() + "the marker " + std::string(marker) + " is in it " +
                    std::to_string(spans.size()) + " times; keep one");
}

// The edit for one of our blocks: at the markers when the page has them,
// else before the closing tag.
std::optional<Edit> BlockEdit(std::string_view page, const std::vector<Span>& begins,
                              const std::vector<Span>& ends, const std::vector<std::size_t>& closes,
                              const Landmarks& all, std::string_view begin, std::string_view end,
                              std::string_view tag, const std::vector<std::string>& lines,
                              const std::string& eol, bool utf8) {
    RefuseDoubles(begins, begin);
    RefuseDoubles(ends, end);
    if (closes.size() > 1)
        throw Error(RefusalStart() + "it has " + std::to_string(closes.size()) + " " + std::string(tag) +
                    " tags; keep one");
    if (!ends.empty() && (begins.empty() || ends[0].begin < begins[0].end))
        throw Error(RefusalStart() + "its marker " + std::string(end) + " has no " + std::string(begin) +
                    " before it; remove it");
    if (!begins.empty()) {
        const std::size_t from = begins[0].end;
        const std::string indent = IndentBefore(page, begins[0].begin);
        if (ends.empty()) return Edit{from, 0, Body(lines, indent, eol, utf8) + std::string(end)};
        // Whatever lies between our markers is ours to replace, but never the
        // page's own structure.
        const std::size_t to = ends[0].begin;
        auto inside = [&](std::size_t at) { return at >= from && at < to; };
        auto spanInside = [&](const std::vector<Span>& spans) {
            return std::any_of(spans.begin(), spans.end(), [&](const Span& s) { return inside(s.begin); });
        };
        if (std::any_of(all.headCloses.begin(), all.headCloses.end(), inside) ||
            std::any_of(all.bodyCloses.begin(), all.bodyCloses.end(), inside) || spanInside(all.headBegins) ||
            spanInside(all.sliderBegins) || spanInside(all.headEnds) || spanInside(all.sliderEnds))
            throw Error(RefusalStart() + "between " + std::string(begin) + " and " + std::string(end) +
                        " stands more than an earlier insertion; move the markers");
        return Edit{from, to - from, Body(lines, indent, eol, utf8)};
    }
    if (closes.empty())
        throw Error(RefusalStart() + "it has no " + std::string(tag) + " tag and no " + std::string(begin) +
                    " marker; put the marker where the code belongs");
    const std::size_t at = closes[0];
    const std::string indent = IndentBefore(page, at);
    const std::size_t lineStart = at - indent.size();
    const bool ownLine = lineStart == 0 || page[lineStart - 1] == '\n' || page[lineStart - 1] == '\r';
    if (ownLine)
        return Edit{lineStart, 0,
                    indent + std::string(begin) + Body(lines, indent, eol, utf8) + std::string(end) + eol};
    return Edit{at, 0, eol + std::string(begin) + Body(lines, "", eol, utf8) + std::string(end) + eol};
}

}  // namespace

std::string InsertIntoPage(std::string_view page, const std::vector<std::string>& headLines,
                           const std::vector<std::string>& divLines) {
    if (page.substr(0, 2) == "\xFF\xFE" || page.substr(0, 2) == "\xFE\xFF")
        throw Error(RefusalStart() + "it is encoded as UTF-16; save it as UTF-8 and try again");
    if (page.find('\0') != std::string_view::npos)
        throw Error(RefusalStart() + "it holds zero bytes, so it is no HTML text in an encoding it can keep");
    const Landmarks marks = FindLandmarks(page);
    const std::string eol = LineEndOf(page);
    const bool utf8 = DeclaresUtf8(page);

    const std::optional<Edit> head =
        BlockEdit(page, marks.headBegins, marks.headEnds, marks.headCloses, marks, kHeadMarker,
                  kHeadEndMarker, "</head>", headLines, eol, utf8);
    const std::optional<Edit> slider =
        BlockEdit(page, marks.sliderBegins, marks.sliderEnds, marks.bodyCloses, marks, kSliderMarker,
                  kSliderEndMarker, "</body>", divLines, eol, utf8);
    // A <div> inside the head would be moved out of it by the browser, away
    // from where the user wanted it.
    if (!marks.headCloses.empty() && slider->at <= marks.headCloses[0])
        throw Error(RefusalStart() + "its marker " + std::string(kSliderMarker) +
                    " stands in the head; move it into the body");

    std::string out(page);
    // The later edit first, so the earlier one's position still holds.
    std::vector<Edit> edits{*head, *slider};
    std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.at > b.at; });
    for (const Edit& edit : edits) out.replace(edit.at, edit.erase, edit.text);
    return out;
}

fs::path PageBackupPath(const fs::path& page) {
    fs::path backup = page;
    backup += "~";
    return backup;
}

namespace {

// A page larger than this is no hand-made page; reading it whole would only
// waste memory.
constexpr std::uintmax_t kLargestPage = 64U * 1024 * 1024;

struct stat RegularFileStatus(const fs::path& path, const char* what) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0)
        throw Error("Cannot read the " + std::string(what) + " \"" + path.string() + "\". " +
                    std::strerror(errno));
    if (S_ISLNK(status.st_mode))
        throw Error(
            "The " + std::string(what) + " \"" + path.string() +
            "\" is a symbolic link; Insert into Page edits only the page file itself. Choose the file "
            "the link points to");
    if (!S_ISREG(status.st_mode))
        throw Error("The " + std::string(what) + " \"" + path.string() + "\" is no regular file");
    return status;
}

std::string ReadPage(const fs::path& page, const struct stat& status) {
    if (static_cast<std::uintmax_t>(status.st_size) > kLargestPage)
        throw Error("The page \"" + page.string() +
                    "\" is larger than 64 MB; that is no page to insert into");
    std::ifstream in(page, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in && !in.eof())
        throw Error("Cannot read the page \"" + page.string() + "\". " + std::strerror(errno));
    return bytes;
}

// The backup gets the page's permissions from its first byte on: a private
// page must not leave a copy others may read.
void PrepareBackup(const fs::path& backup, mode_t pageMode) {
    struct stat status {};
    if (::lstat(backup.c_str(), &status) == 0) {
        if (!S_ISREG(status.st_mode))
            throw Error("The backup \"" + backup.string() +
                        "\" exists and is no regular file (a link or a folder); remove it and try again");
        ::chmod(backup.c_str(), pageMode & 07777);
        return;
    }
    const int fd = ::open(backup.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, pageMode & 0777);
    if (fd < 0) throw Error("Cannot write the backup \"" + backup.string() + "\". " + std::strerror(errno));
    ::close(fd);
}

}  // namespace

PageInsertResult InsertIntoPageFile(const fs::path& page, const std::vector<std::string>& headLines,
                                    const std::vector<std::string>& divLines) {
    const struct stat status = RegularFileStatus(page, "page");
    const std::string before = ReadPage(page, status);
    const std::string after = InsertIntoPage(before, headLines, divLines);
    if (after == before) return PageInsertResult::Unchanged;
    CheckCanReplace(page);
    const fs::path backup = PageBackupPath(page);
    PrepareBackup(backup, status.st_mode);
    WriteWholeFile(backup, before);
    WriteWholeFile(page, after);
    return PageInsertResult::Inserted;
}

}  // namespace marivel
