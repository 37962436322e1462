#include "model/text_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "model/error.h"

namespace marivel {

AtomicTextWriter::AtomicTextWriter(const std::filesystem::path& target) : file_(target) {}

void AtomicTextWriter::writeLine(std::string_view line) {
    file_.write(line);
    file_.write("\r\n");
}

void AtomicTextWriter::commit() {
    file_.commit();
}

void WriteTextLines(const std::filesystem::path& path, const std::vector<std::string>& lines) {
    AtomicTextWriter writer(path);
    for (const auto& line : lines) writer.writeLine(line);
    writer.commit();
}

TextLineReader::TextLineReader(const std::filesystem::path& path) {
    if (std::filesystem::is_directory(path)) throw Error(FileErrorMessage("Cannot open file", path, EISDIR));
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) throw Error(FileErrorMessage("Cannot open file", path, errno));
    std::error_code sizeUnknown;
    const auto size = std::filesystem::file_size(path, sizeUnknown);
    if (!sizeUnknown) content_.reserve(static_cast<std::size_t>(size));
    char chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) content_.append(chunk, got);
    const bool failed = std::ferror(file);
    const int err = errno;
    std::fclose(file);
    if (failed) throw Error(FileErrorMessage("Cannot read file", path, err));
}

bool TextLineReader::next(std::string_view& line) {
    if (position_ >= content_.size()) return false;
    const std::string_view rest = std::string_view(content_).substr(position_);
    const std::size_t end = rest.find('\n');
    line = rest.substr(0, end);
    position_ = end == std::string_view::npos ? content_.size() : position_ + end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
}

std::size_t TextLineReader::remainingLines() const {
    std::size_t lines = 0;
    const char* p = content_.data() + position_;
    const char* const end = content_.data() + content_.size();
    while (p < end) {
        ++lines;
        p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        if (!p) break;
        ++p;
    }
    return lines;
}

std::vector<std::string> ReadTextLines(const std::filesystem::path& path) {
    TextLineReader reader(path);
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.next(line)) lines.emplace_back(line);
    return lines;
}

}  // namespace marivel
