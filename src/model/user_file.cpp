#include "model/user_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "model/descriptor_closer.h"
#include "model/error.h"
#include "model/file_error.h"

namespace marivel {

namespace {

constexpr const char* kNotRegular = "It is not a regular file";

std::string TooLarge(const FileKind& kind, std::uintmax_t size) {
    std::string name = kind.name;
    if (!name.empty()) name[0] = static_cast<char>(name[0] - 'a' + 'A');
    std::string is = ByteCountText(size), most = ByteCountText(kind.largest);
    // Just over the limit, the rounded sizes would read alike.
    if (is == most) {
        is = std::to_string(size) + " bytes";
        most = std::to_string(kind.largest) + " bytes";
    }
    return name + " is " + is + "; it may be at most " + most;
}

}  // namespace

std::string ByteCountText(std::uintmax_t bytes) {
    static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    if (bytes < 1024) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    double value = static_cast<double>(bytes) / 1024;
    std::size_t unit = 0;
    while (value >= 1024 && unit + 1 < std::size(kUnits)) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
    return text;
}

int OpenUserFile(const std::filesystem::path& path, const FileKind& kind, std::string& reason) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer that never
    // comes. It changes nothing for the regular files that are read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        reason = std::strerror(errno);
        return -1;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        reason = std::strerror(errno);
    } else if (S_ISDIR(st.st_mode)) {
        reason = std::strerror(EISDIR);
    } else if (!S_ISREG(st.st_mode)) {
        reason = kNotRegular;
    } else if (kind.largest != 0 && static_cast<std::uintmax_t>(st.st_size) > kind.largest) {
        reason = TooLarge(kind, static_cast<std::uintmax_t>(st.st_size));
    } else {
        return fd;
    }
    ::close(fd);
    return -1;
}

int OpenUserFile(const std::filesystem::path& path, const FileKind& kind) {
    std::string reason;
    const int fd = OpenUserFile(path, kind, reason);
    if (fd < 0) throw Error(FileErrorMessage("Cannot open file", path, reason));
    return fd;
}

std::string ReadUserFile(const std::filesystem::path& path, const FileKind& kind) {
    const int fd = OpenUserFile(path, kind);
    const DescriptorCloser closer(fd);
    struct stat st;
    std::string content;
    if (::fstat(fd, &st) == 0) content.reserve(static_cast<std::size_t>(st.st_size));
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw Error(FileErrorMessage("Cannot read file", path, errno));
        }
        if (got == 0) break;
        content.append(chunk, static_cast<std::size_t>(got));
        if (kind.largest != 0 && content.size() > kind.largest)
            throw Error(FileErrorMessage("Cannot read file", path, TooLarge(kind, content.size())));
    }
    return content;
}

}  // namespace marivel
