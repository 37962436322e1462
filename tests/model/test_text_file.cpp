#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "model/error.h"
#include "model/text_file.h"
#include "model/user_file.h"
#include "support/outcome_within.h"
#include "support/temp_dir.h"

namespace marivel {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

TEST(TextFiles, WriteCrLfAndReadEitherLineEnd) {
    TempDir dir;
    WriteTextLines(dir / "a.txt", {"one", "", "three"});
    EXPECT_EQ(ReadBytes(dir / "a.txt"), "one\r\n\r\nthree\r\n");
    EXPECT_EQ(ReadTextLines(dir / "a.txt"), (std::vector<std::string>{"one", "", "three"}));
    WriteBytes(dir / "b.txt", "x\ny\r\nlast");
    EXPECT_EQ(ReadTextLines(dir / "b.txt"), (std::vector<std::string>{"x", "y", "last"}));
    WriteBytes(dir / "c.txt", "");
    EXPECT_TRUE(ReadTextLines(dir / "c.txt").empty());
}

TEST(TextFiles, AnAbandonedWriteLeavesTheOldFileAndNoLeftovers) {
    TempDir dir;
    WriteBytes(dir / "page.html", "old");
    {
        AtomicTextWriter writer(dir / "page.html");
        writer.writeLine("new");
        // no commit: as when an exception ends the writing half way
    }
    EXPECT_EQ(ReadBytes(dir / "page.html"), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(TextFiles, ErrorsNameTheFile) {
    TempDir dir;
    std::filesystem::create_directory(dir / "folder");
    try {
        WriteTextLines(dir / "folder", {"x"});
        FAIL();
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("folder\""), std::string::npos) << e.what();
    }
    EXPECT_THROW(ReadTextLines(dir / "missing.txt"), Error);
    EXPECT_THROW(ReadTextLines(dir / "folder"), Error);
}

// Projects, reports and settings are read whole: what is no regular file of
// a sensible size is refused at once, never waited on or read without end.
TEST(TextFiles, OnlyRegularFilesOfTheirKindsSizeAreRead) {
    struct Row {
        std::string make;  // "fifo", "folder", a link's target, or "": a sparse file of `size`
        std::uintmax_t size;
        const FileKind& kind;
        std::string error;  // empty: read
    };
    const Row rows[] = {
        {"fifo", 0, kProjectFileKind, "It is not a regular file"},
        {"/dev/zero", 0, kSettingsFileKind, "It is not a regular file"},
        {"folder", 0, kReportFileKind, "Is a directory"},
        {"", 300 * kMebibyte, kProjectFileKind, "Project file is 300.0 MiB; it may be at most 256.0 MiB"},
        {"", std::uintmax_t{1} << 40, kReportFileKind,
         "Publish report is 1.0 TiB; it may be at most 64.0 MiB"},
        {"", kSettingsFileKind.largest, kSettingsFileKind, ""},
        {"", kSettingsFileKind.largest + 1, kSettingsFileKind,
         "Settings file is 4194305 bytes; it may be at most 4194304 bytes"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.make + " " + std::to_string(row.size));
        TempDir dir;
        const std::filesystem::path file = dir / "file";
        if (row.make == "fifo") {
            ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
        } else if (row.make == "folder") {
            std::filesystem::create_directory(file);
        } else if (!row.make.empty()) {
            std::filesystem::create_symlink(row.make, file);
        } else {
            WriteBytes(file, "x");
            std::filesystem::resize_file(file, row.size);
        }
        const auto outcome = test::OutcomeWithin(
            20, [&] { return std::to_string(TextLineReader(file, row.kind).text().size()); });
        ASSERT_TRUE(outcome) << "still reading after 20 s";
        EXPECT_EQ(*outcome, row.error.empty()
                                ? std::to_string(row.size)
                                : "error: Cannot open file \"" + file.string() + "\". " + row.error);
    }
}

}  // namespace
}  // namespace marivel
