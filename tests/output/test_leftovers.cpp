// What a run that was killed leaves behind is cleared by a later one.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <tuple>

#include "generator_fixture.h"
#include "model/memory_tree.h"
#include "output/scratch_folder.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace marivel {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

void MakeOld(const fs::path& path) {
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(2));
}

// A folder as a killed run of ours leaves it: marked as ours.
void Mark(const fs::path& folder, const std::string& name) {
    WriteBytes(folder / kScratchMarkFile, ScratchMark(name));
}

TEST(Leftovers, ScratchFoldersThatNoRunHoldsAreRemoved) {
    test::TempDir tmp;
    // Scratch folders go in a private runtime folder, never in the shared
    // temporary folder.
    const test::ScopedEnv env("XDG_RUNTIME_DIR", tmp.path().c_str());
    const test::ScopedEnv temporary("TMPDIR", tmp.path().c_str());
    const fs::path base = tmp / "Marivel" / "scratch";
    std::optional<ScratchFolder> running(std::in_place);  // a run still going on
    ASSERT_EQ(running->path().parent_path(), base);
    MakeOld(running->path());
    const auto photos = [](const fs::path& f) {
        fs::create_directory(f);
        WriteBytes(f / "holiday.jpg", "photo");
        MakeOld(f);
        return f;
    };
    struct Row {
        const char* name;
        std::function<fs::path()> arrange;  // the folder looked at
        bool removed;
        bool needsRoot = false;
    };
    const Row rows[] = {
        {"a killed run's folder with its images",
         [&] {
             const fs::path f = base / "marivel-123456";
             fs::create_directory(f);
             WriteBytes(f / "slider0.jpg", "prepared");
             Mark(f, "marivel-123456");
             return f;
         },
         true},
        {"the folder of a run still going on", [&] { return running->path(); }, false},
        // The user's own folder of that very name, without our mark.
        {"a folder of the user's photos", [&] { return photos(base / "marivel-2024"); }, false},
        {"the same in the temporary folder", [&] { return photos(tmp / "marivel-2025"); }, false},
        {"a mark naming another folder",
         [&] {
             const fs::path f = base / "marivel-31";
             fs::create_directory(f);
             Mark(f, "marivel-32");
             return f;
         },
         false},
        {"a folder of another name",
         [&] {
             fs::create_directory(base / "marivel-fuzz-12");
             Mark(base / "marivel-fuzz-12", "marivel-fuzz-12");
             return base / "marivel-fuzz-12";
         },
         false},
        {"a link to a folder",
         [&] {
             fs::create_directory(tmp / "kept");
             Mark(tmp / "kept", "marivel-99");
             fs::create_directory_symlink(tmp / "kept", base / "marivel-99");
             return tmp / "kept";
         },
         false},
        {"another user's folder",
         [&] {
             const fs::path f = base / "marivel-55";
             fs::create_directory(f);
             Mark(f, "marivel-55");
             EXPECT_EQ(::chown(f.c_str(), 65534, 65534), 0);
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
            EXPECT_EQ(ReadBytes(next.path() / kScratchMarkFile),
                      ScratchMark(next.path().filename().string()));
        }
        EXPECT_EQ(fs::exists(folder), !row.removed);
    }
    running.reset();
}

TEST(Leftovers, EachEditorHasAFolderOfItsOwnAndAKilledOnesGoesAtTheNextStart) {
    test::TempDir tmp;
    const fs::path base = tmp / "runtime" / "sessions";
    std::optional<ScratchFolder> running(std::in_place, base, "editor-");  // another editor
    struct Row {
        const char* name;
        std::function<fs::path()> arrange;  // the folder looked at
        bool removed;
    };
    const Row rows[] = {
        {"an editor killed a moment ago, with its preview",
         [&] {
             fs::create_directories(base / "editor-123" / "preview");
             WriteBytes(base / "editor-123" / "preview" / "slider0.jpg", "another project's picture");
             Mark(base / "editor-123", "editor-123");
             return base / "editor-123";
         },
         true},
        {"the folder of an editor still running", [&] { return running->path(); }, false},
        {"a folder an editor starting now has not yet named",
         [&] {
             fs::create_directory(base / ".new-editor-77");
             return base / ".new-editor-77";
         },
         false},
        {"one left unnamed long ago",
         [&] {
             fs::create_directory(base / ".new-editor-78");
             Mark(base / ".new-editor-78", "editor-78");
             MakeOld(base / ".new-editor-78");
             return base / ".new-editor-78";
         },
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const fs::path folder = row.arrange();
        fs::path made;
        {
            const ScratchFolder next(base, "editor-");
            made = next.path();
            EXPECT_NE(made, folder);
            EXPECT_NE(made, running->path());
            EXPECT_EQ(fs::status(made).permissions(), fs::perms::owner_all);
        }
        EXPECT_FALSE(fs::exists(made));  // gone when its editor ends
        EXPECT_EQ(fs::exists(folder), !row.removed);
    }
    EXPECT_EQ(fs::status(base).permissions(), fs::perms::owner_all);

    // Two editors of one program folder: one prepares its first picture
    // while the other, whose photo is gone, saves the picture it opened.
    const fs::path program = tmp / "program";
    fs::create_directories(program);
    WriteBytes(program / "tessaline.js", "// engine");
    ScratchFolder workA(base, "editor-"), workB(base, "editor-");
    PublishingAgent a(program), b(program);
    a.SetWorkFolder(workA.path());
    b.SetWorkFolder(workB.path());
    MemoryDesignTree treeA, treeB;
    for (auto [agent, tree, photo] :
         {std::tuple{&a, &treeA, tmp / "gone.jpg"}, {&b, &treeB, tmp / "b.jpg"}}) {
        agent->ResetProject();
        SliderItem item = DocumentAgent::MakeNewItem();
        item.OriginalImagePath = photo.string();
        item.ImageFile = "slider0.jpg";
        item.Level = "0";
        agent->InsertItem(0, item);
        tree->addChild(0, "Image");
    }
    fs::create_directories(tmp / "opened");
    WriteBytes(tmp / "opened" / "slider0.jpg", "A's picture");
    a.CopyResourceFiles(tmp / "opened");
    test::WriteJpeg(tmp / "b.jpg", test::JpegRecipe{.width = 64, .height = 48});
    b.MakeHTMLCodes(tmp / "b.html", treeB);
    fs::create_directories(tmp / "site");
    a.SaveAndPublish(tmp / "site", "a.mvl", treeA);
    EXPECT_TRUE(ReadBytes(tmp / "site" / "slider0.jpg") == "A's picture") << "another editor's picture";
    EXPECT_FALSE(fs::exists(program / "preview"));
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
