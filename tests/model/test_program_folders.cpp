#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "model/program_folders.h"
#include "support/temp_dir.h"

namespace marivel {
namespace {

namespace fs = std::filesystem;

TEST(ProgramFolders, OnlyAWritableFolderThatWasNotInstalledIsWrittenInto) {
    test::TempDir dir;
    const fs::path user = dir / "data/Marivel";
    struct Row {
        const char* name;
        bool installed;
        fs::perms permissions;
        bool portable;
    } rows[] = {
        {"build", false, fs::perms::owner_all, true},
        {"installed", true, fs::perms::owner_all, false},
        {"read-only", false, fs::perms::owner_read | fs::perms::owner_exec, false},
        {"not-searchable", false, fs::perms::owner_read | fs::perms::owner_write, false},
        {"missing", false, fs::perms::none, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const fs::path folder = dir / row.name;
        if (std::string(row.name) != "missing") {
            fs::create_directory(folder);
            if (row.installed) test::WriteBytes(folder / kInstalledMarker, "");
            fs::permissions(folder, row.permissions);
        }
        // Root may write anywhere: only the marker tells it to stay out.
        if (::geteuid() == 0 && !row.installed && std::string(row.name) != "missing" &&
            row.permissions != fs::perms::owner_all)
            continue;
        const ProgramFolders folders = LocateProgramFolders(folder, user);
        EXPECT_EQ(folders.shipped, folder);
        EXPECT_EQ(folders.writable, row.portable ? folder : user);
        EXPECT_EQ(folders.IsPortable(), row.portable);
        if (!row.portable) {
            EXPECT_TRUE(fs::is_directory(user));
        }
        std::error_code ignored;
        fs::permissions(folder, fs::perms::owner_all, ignored);
        fs::remove_all(user);
    }
}

}  // namespace
}  // namespace marivel
