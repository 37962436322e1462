#include "model/text_file.h"

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

TextLineReader::TextLineReader(const std::filesystem::path& path, const FileKind& kind)
    : content_(ReadUserFile(path, kind)) {}

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

std::vector<std::string> ReadTextLines(const std::filesystem::path& path, const FileKind& kind) {
    TextLineReader reader(path, kind);
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.next(line)) lines.emplace_back(line);
    return lines;
}

}  // namespace marivel
