#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "model/file_error.h"
#include "model/user_file.h"
#include "model/whole_file.h"

namespace marivel {

// Writes a text file whole (see WholeFileWriter): a failed or interrupted
// write never destroys the previous file. Every line ends with CR LF. Errors
// are marivel::Error with the file name and the system reason.
class AtomicTextWriter {
public:
    explicit AtomicTextWriter(const std::filesystem::path& target);
    AtomicTextWriter(const AtomicTextWriter&) = delete;
    AtomicTextWriter& operator=(const AtomicTextWriter&) = delete;

    void writeLine(std::string_view line);
    void commit();

private:
    WholeFileWriter file_;
};

// Writes the lines to path through AtomicTextWriter.
void WriteTextLines(const std::filesystem::path& path, const std::vector<std::string>& lines);

// Reads a text file line by line; lines may end with CR LF or LF. The file
// is read whole when the reader is made (project and page files are small),
// and the lines are handed out as views into that copy. The file is opened
// as OpenUserFile does: only a regular file no larger than its kind allows.
class TextLineReader {
public:
    explicit TextLineReader(const std::filesystem::path& path,
                            const FileKind& kind = kTextFileKind);  // throws Error
    // The whole text, to convert it before reading; lines read so far are
    // no longer valid after a change.
    std::string& text() { return content_; }
    // The next line, valid as long as the reader; false at the end of the file.
    bool next(std::string_view& line);
    // How many lines are left at most (to size containers before reading them).
    std::size_t remainingLines() const;

private:
    std::string content_;
    std::size_t position_ = 0;
};

std::vector<std::string> ReadTextLines(const std::filesystem::path& path,
                                       const FileKind& kind = kTextFileKind);

}  // namespace marivel
