// What a run that was killed leaves behind is cleared by a later one.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "generator_fixture.h"
#include "output/scratch_folder.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace marivel {
namespace {

namespace fs = std::filesystem;
using test::WriteBytes;

void MakeOld(const fs::path& path) {
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(2));
}

TEST(Leftovers, ScratchFoldersThatNoRunHoldsAreRemoved) {
    test::TempDir tmp;
    const test::ScopedEnv env("TMPDIR", tmp.path().c_str());
    std::optional<ScratchFolder> running(std::in_place);  // a run still going on
    MakeOld(running->path());
    struct Row {
        const char* name;
        std::function<fs::path()> arrange;  // the folder looked at
        bool removed;
        bool needsRoot = false;
    };
    const Row rows[] = {
        {"a killed run's folder with its images",
         [&] {
             const fs::path f = tmp / "marivel-123456";
             fs::create_directory(f);
             WriteBytes(f / "slider0.jpg", "prepared");
             MakeOld(f);
             return f;
         },
         true},
        {"the folder of a run still going on", [&] { return running->path(); }, false},
        {"a folder just made, not yet locked",
         [&] {
             fs::create_directory(tmp / "marivel-7");
             return tmp / "marivel-7";
         },
         false},
        {"a folder of another name",
         [&] {
             fs::create_directory(tmp / "marivel-fuzz-12");
             MakeOld(tmp / "marivel-fuzz-12");
             return tmp / "marivel-fuzz-12";
         },
         false},
        {"a link to a folder",
         [&] {
             fs::create_directory(tmp / "kept");
             MakeOld(tmp / "kept");
             fs::create_directory_symlink(tmp / "kept", tmp / "marivel-99");
             return tmp / "kept";
         },
         false},
        {"another user's folder",
         [&] {
             const fs::path f = tmp / "marivel-55";
             fs::create_directory(f);
             EXPECT_EQ(::chown(f.c_str(), 65534, 65534), 0);
             MakeOld(f);
             return f;
         },
         false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.needsRoot && ::geteuid() != 0) continue;  // only root gives a folder away
        const fs::path folder = row.arrange();
        {
            const ScratchFolder next;
            EXPECT_NE(next.path(), folder);
        }
        EXPECT_EQ(fs::exists(folder), !row.removed);
    }
    running.reset();
}

class LeftoverCopies : public test::GeneratorFixture {};

TEST_F(LeftoverCopies, UnfinishedCopiesOfAKilledSaveAreRemovedByTheNext) {
    const fs::path site = dir / "site";
    fs::create_directory(site);
    AddItem(Photo("photo.jpg", 64, 48));
    struct Row {
        std::string name;
        bool old;
        bool removed;
    };
    const Row rows[] = {
        {".slider0.jpg.4402-15428362.tmp", true, true},
        {".tessalinecfg.js.17-3.tmp", true, true},
        {".p.mvl.17-3.tmp", true, true},
        // Possibly a save being made right now by a run that did not lock.
        {".slider0.jpg.4402-99.tmp", false, false},
        // Not the temporary of a published file: the user's own.
        {".photo.jpg.17-3.tmp", true, false},
        {".slider0.jpg.tmp", true, false},
        {".slider0.jpg.a-3.tmp", true, false},
        {"slider0.jpg.17-3.tmp", true, false},
    };
    for (const Row& row : rows) {
        WriteBytes(site / row.name, "half");
        if (row.old) MakeOld(site / row.name);
    }
    fs::create_directory(site / ".tessaline.css.1-2.tmp");
    MakeOld(site / ".tessaline.css.1-2.tmp");

    agent->SaveAndPublish(site, "p.mvl", tree);
    for (const Row& row : rows) EXPECT_EQ(fs::exists(site / row.name), !row.removed) << row.name;
    EXPECT_TRUE(fs::is_directory(site / ".tessaline.css.1-2.tmp"));
    EXPECT_TRUE(fs::exists(site / "slider0.jpg"));
}

}  // namespace
}  // namespace marivel
