#include <gtest/gtest.h>

#include "model/error.h"
#include "model/text_file.h"
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

}  // namespace
}  // namespace marivel
