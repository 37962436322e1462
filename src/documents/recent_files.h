#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

namespace marivel {

// The four projects opened last, kept in a small text file: one line per
// listed project, "&" + slot number + " " + full path, slot 1 the newest,
// lines ended by CR LF. An empty slot writes no line, and the slots after it
// keep their numbers, so a file read back line by line may have gaps.
class RecentFilesList {
public:
    static constexpr int kSlots = 4;
    // The first four lines of the file as stored; an empty string for a
    // missing or blank line.
    using Lines = std::array<std::string, kSlots>;

    explicit RecentFilesList(std::filesystem::path file) : file_(std::move(file)) {}

    const std::filesystem::path& File() const { return file_; }

    // Creates the file empty when there is none, then reads its first four
    // lines. Throws Error when the file cannot be created or read.
    Lines ReadLines() const;

    // Puts path into slot 1, moving the others down and dropping the oldest,
    // and rewrites the file; a path already listed (compared exactly, letter
    // case included) changes nothing. True when the file was rewritten.
    // Throws Error when the file cannot be created, read or written.
    bool Add(const std::string& path) const;

    // The path a stored line names: what follows "&", a digit and a blank.
    // A hand-edited line without that prefix names the path it holds as a
    // whole; a blank line names none.
    static std::string PathOfLine(std::string_view line);

    // A menu caption for a stored line. The slot number stays the entry's
    // accelerator; an "&" inside the path is doubled so that it shows.
    static std::string CaptionOfLine(std::string_view line);

private:
    void CreateIfMissing() const;

    std::filesystem::path file_;
};

}  // namespace marivel
