#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <functional>
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
        const char* name;
        std::function<void(const std::filesystem::path&)> arrange;
        const FileKind& kind;
        std::string error;  // empty: read
    };
    const auto sparse = [](std::uintmax_t size) {
        return [size](const std::filesystem::path& p) {
            WriteBytes(p, "x");
            std::filesystem::resize_file(p, size);
        };
    };
    const Row rows[] = {
        {"a FIFO", [](const std::filesystem::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
         kProjectFile, "It is not a regular file"},
        {"a link to a FIFO",
         [](const std::filesystem::path& p) {
             ASSERT_EQ(::mkfifo((p.string() + ".fifo").c_str(), 0600), 0);
             std::filesystem::create_symlink(p.string() + ".fifo", p);
         },
         kSettingsFile, "It is not a regular file"},
        {"a link to /dev/zero",
         [](const std::filesystem::path& p) { std::filesystem::create_symlink("/dev/zero", p); },
         kProjectFile, "It is not a regular file"},
        {"a folder", [](const std::filesystem::path& p) { std::filesystem::create_directory(p); },
         kReportFile, "Is a directory"},
        {"a project of 300 MiB", sparse(300 * kMebibyte), kProjectFile,
         "Project file is 300.0 MiB; it may be at most 256.0 MiB"},
        {"a sparse report of 1 TiB", sparse(std::uintmax_t{1} << 40), kReportFile,
         "Publish report is 1.0 TiB; it may be at most 64.0 MiB"},
        {"settings of the largest size", sparse(kSettingsFile.largest), kSettingsFile, ""},
        {"a byte more", sparse(kSettingsFile.largest + 1), kSettingsFile,
         "Settings file is 4194305 bytes; it may be at most 4194304 bytes"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        const std::filesystem::path file = dir / "file";
        row.arrange(file);
        const auto outcome = test::OutcomeWithin(std::chrono::seconds(20), [&] {
            return std::to_string(TextLineReader(file, row.kind).text().size());
        });
        ASSERT_TRUE(outcome) << "still reading after 20 s";
        if (row.error.empty())
            EXPECT_EQ(*outcome, std::to_string(row.kind.largest));
        else
            EXPECT_EQ(*outcome, "error: Cannot open file \"" + file.string() + "\". " + row.error);
    }
}

}  // namespace
}  // namespace marivel
