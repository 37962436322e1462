#include "model/text_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

#include "model/error.h"

namespace marivel {

std::string FileErrorMessage(const char* what, const std::filesystem::path& path, int err) {
    std::string message = std::string(what) + " \"" + path.string() + "\"";
    if (err != 0) message += ". " + std::string(std::strerror(err));
    return message;
}

namespace {

std::filesystem::path TemporarySibling(const std::filesystem::path& target) {
    // Same folder as the target, so the final rename cannot cross devices.
    std::random_device rd;
    const auto stamp = std::to_string(::getpid()) + "-" + std::to_string(rd() & 0xFFFFFF);
    auto name = "." + target.filename().string() + "." + stamp + ".tmp";
    return target.parent_path() / name;
}

}  // namespace

AtomicTextWriter::AtomicTextWriter(const std::filesystem::path& target)
    : target_(target), temp_(TemporarySibling(target)) {
    if (std::filesystem::is_directory(target_))
        throw Error(FileErrorMessage("Cannot create file", target_, EISDIR));
    file_ = std::fopen(temp_.c_str(), "wbx");
    if (!file_) throw Error(FileErrorMessage("Cannot create file", target_, errno));
}

AtomicTextWriter::~AtomicTextWriter() {
    if (file_) std::fclose(file_);
    if (!committed_) {
        std::error_code ignored;
        std::filesystem::remove(temp_, ignored);
    }
}

void AtomicTextWriter::fail(const char* what) {
    const int err = errno;
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    std::error_code ignored;
    std::filesystem::remove(temp_, ignored);
    throw Error(FileErrorMessage(what, target_, err));
}

void AtomicTextWriter::writeLine(std::string_view line) {
    if (!file_) throw Error(FileErrorMessage("Cannot write file", target_, EBADF));
    if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() ||
        std::fwrite("\r\n", 1, 2, file_) != 2)
        fail("Cannot write file");
}

void AtomicTextWriter::commit() {
    if (!file_) throw Error(FileErrorMessage("Cannot write file", target_, EBADF));
    if (std::fflush(file_) != 0 || ::fsync(::fileno(file_)) != 0) fail("Cannot write file");
    const int rc = std::fclose(file_);
    file_ = nullptr;
    if (rc != 0) fail("Cannot write file");
    // A replaced file keeps the permissions a new file would get; the user's
    // own mode bits of the old file are carried over where there was one.
    std::error_code ec;
    const auto status = std::filesystem::status(target_, ec);
    if (!ec && std::filesystem::exists(status)) std::filesystem::permissions(temp_, status.permissions(), ec);
    if (std::rename(temp_.c_str(), target_.c_str()) != 0) fail("Cannot create file");
    committed_ = true;
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

TextLineReader TextLineReader::FromText(std::string text) {
    TextLineReader reader;
    reader.content_ = std::move(text);
    return reader;
}

std::vector<std::string> ReadTextLines(const std::filesystem::path& path) {
    TextLineReader reader(path);
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.next(line)) lines.emplace_back(line);
    return lines;
}

}  // namespace marivel
