#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace marivel {

// What a file the user named is read as: its name in messages, and the
// largest size that makes sense for it. A file is read whole into memory,
// so without a limit a sparse or endless file (a link to /dev/zero) would
// take all of it.
struct FileKind {
    const char* name;        // "project file", as in "Project file is ..."
    std::uintmax_t largest;  // in bytes; 0: no limit (the reader streams it)
};

inline constexpr std::uintmax_t kMebibyte = 1024 * 1024;
// 30,000 items take about 20 MiB.
inline constexpr FileKind kProjectFileKind{"project file", 256 * kMebibyte};
// A line per published file.
inline constexpr FileKind kReportFileKind{"publish report", 64 * kMebibyte};
inline constexpr FileKind kSettingsFileKind{"settings file", 4 * kMebibyte};
// Pictures are decoded from the stream, never held whole.
inline constexpr FileKind kPictureFileKind{"picture", 0};
// Pages and other text the program reads back.
inline constexpr FileKind kTextFileKind{"text file", 256 * kMebibyte};

// Opens a file that the user named for reading, without ever waiting: a
// FIFO, a device, a socket or a folder (also behind a link) is refused, as
// is a file larger than the kind allows. The type is checked on the opened
// descriptor, so a file swapped for a FIFO after any earlier check is
// refused all the same. Answers the descriptor (close-on-exec), or -1 with
// `reason` saying why ("No such file or directory", "It is not a regular
// file", "Project file is 1.0 GiB; it may be at most 256.0 MiB").
int OpenUserFile(const std::filesystem::path& path, const FileKind& kind, std::string& reason);

// As above, and throws marivel::Error "Cannot open file "PATH". REASON".
int OpenUserFile(const std::filesystem::path& path, const FileKind& kind);

// The whole file, read through OpenUserFile; a file that grows past the
// limit while it is read is refused too. Throws marivel::Error.
std::string ReadUserFile(const std::filesystem::path& path, const FileKind& kind);

// "812 bytes", "3.4 MiB", "1.0 TiB".
std::string ByteCountText(std::uintmax_t bytes);

}  // namespace marivel
