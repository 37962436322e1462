#include "model/text_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
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

TextLineReader::TextLineReader(const std::filesystem::path& path) : path_(path) {
    if (std::filesystem::is_directory(path)) throw Error(FileErrorMessage("Cannot open file", path, EISDIR));
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_) throw Error(FileErrorMessage("Cannot open file", path, errno));
}

TextLineReader::~TextLineReader() {
    if (file_) std::fclose(file_);
    std::free(buffer_);
}

bool TextLineReader::next(std::string& line) {
    errno = 0;
    const ssize_t length = ::getline(&buffer_, &capacity_, file_);
    if (length < 0) {
        const int err = errno;
        if (std::ferror(file_)) throw Error(FileErrorMessage("Cannot read file", path_, err));
        return false;
    }
    std::size_t size = static_cast<std::size_t>(length);
    if (size > 0 && buffer_[size - 1] == '\n') --size;
    if (size > 0 && buffer_[size - 1] == '\r') --size;
    line.assign(buffer_, size);
    return true;
}

std::vector<std::string> ReadTextLines(const std::filesystem::path& path) {
    TextLineReader reader(path);
    std::vector<std::string> lines;
    std::string line;
    while (reader.next(line)) lines.push_back(line);
    return lines;
}

}  // namespace marivel
