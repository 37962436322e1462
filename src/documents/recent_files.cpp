#include "documents/recent_files.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <vector>

#include "model/error.h"
#include "model/text_file.h"

namespace marivel {

namespace fs = std::filesystem;

namespace {

bool HasSlotPrefix(std::string_view line) {
    return line.size() >= 3 && line[0] == '&' && line[1] >= '0' && line[1] <= '9' && line[2] == ' ';
}

bool IsBlank(std::string_view text) {
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::string RecentFilesList::PathOfLine(std::string_view line) {
    const std::string_view path = HasSlotPrefix(line) ? line.substr(3) : line;
    return IsBlank(path) ? std::string() : std::string(path);
}

std::string RecentFilesList::CaptionOfLine(std::string_view line) {
    const std::size_t keep = HasSlotPrefix(line) ? 3 : 0;
    std::string caption(line.substr(0, keep));
    for (const char c : line.substr(keep)) {
        if (c == '&') caption += '&';
        caption += c;
    }
    return caption;
}

void RecentFilesList::CreateIfMissing() const {
    std::error_code ec;
    if (fs::exists(file_, ec)) return;
    std::unique_ptr<std::FILE, FileCloser> created(std::fopen(file_.c_str(), "wbx"));
    if (!created && errno != EEXIST) throw Error(FileErrorMessage("Cannot create file", file_, errno));
}

RecentFilesList::Lines RecentFilesList::ReadLines() const {
    CreateIfMissing();
    if (fs::is_directory(file_)) throw Error(FileErrorMessage("Cannot open file", file_, EISDIR));
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(file_.c_str(), "rb"));
    if (!file) throw Error(FileErrorMessage("Cannot open file", file_, errno));
    // Only the first lines matter, so a file that grew by hand is not read whole.
    Lines lines;
    int slot = 0;
    int c;
    while (slot < kSlots && (c = std::getc(file.get())) != EOF) {
        if (c == '\n') {
            if (!lines[slot].empty() && lines[slot].back() == '\r') lines[slot].pop_back();
            ++slot;
        } else {
            lines[slot] += static_cast<char>(c);
        }
    }
    if (std::ferror(file.get())) throw Error(FileErrorMessage("Cannot read file", file_, errno));
    if (slot < kSlots && !lines[slot].empty() && lines[slot].back() == '\r') lines[slot].pop_back();
    // A list edited by hand may have been saved with a byte order mark,
    // which would otherwise stick to the first path and be written back.
    if (constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF"; lines[0].starts_with(kByteOrderMark))
        lines[0].erase(0, kByteOrderMark.size());
    for (std::string& line : lines)
        if (PathOfLine(line).empty()) line.clear();
    return lines;
}

bool RecentFilesList::Add(const std::string& path) const {
    if (path.empty()) return false;
    std::array<std::string, kSlots> paths;
    const Lines lines = ReadLines();
    for (int i = 0; i < kSlots; ++i) paths[i] = PathOfLine(lines[i]);
    for (const std::string& listed : paths)
        if (listed == path) return false;
    for (int i = kSlots - 1; i > 0; --i) paths[i] = paths[i - 1];
    paths[0] = path;
    std::vector<std::string> written;
    for (int i = 0; i < kSlots; ++i)
        if (!paths[i].empty()) written.push_back("&" + std::to_string(i + 1) + " " + paths[i]);
    WriteTextLines(file_, written);
    return true;
}

}  // namespace marivel
