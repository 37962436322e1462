// Relative image paths follow the project file, and a program folder that is
// only read keeps everything the program writes out of it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "generator_fixture.h"
#include "model/error.h"
#include "output/source_images.h"
#include "support/folder_snapshot.h"

namespace marivel {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::Snapshot;
using test::WriteBytes;

// Runs with another current folder and goes back after.
class CurrentFolder {
public:
    explicit CurrentFolder(const fs::path& folder) : old_(fs::current_path()) { fs::current_path(folder); }
    ~CurrentFolder() { fs::current_path(old_); }

private:
    fs::path old_;
};

class ImagePaths : public test::GeneratorFixture {
protected:
    ImagePaths() {
        for (const char* folder : {"old/images", "new/sub", "shared", "elsewhere/images"})
            fs::create_directories(dir / folder);
        Photo("old/images/a.jpg", 300, 150);
        Photo("shared/c.jpg", 200, 200);
        Photo("new/sub/d.jpg", 100, 50);
        // The same name in another folder, so reading from the wrong one shows.
        Photo("elsewhere/images/a.jpg", 400, 400);
        fs::create_directory_symlink(dir / "old", dir / "old-link");
    }
};

TEST_F(ImagePaths, ASaveIntoAnotherFolderKeepsNamingTheSameFiles) {
    const fs::path old = dir / "old";
    const std::string a = (old / "images/a.jpg").string();
    struct Row {
        std::string text;
        fs::path from, to;
        std::string want;
    } rows[] = {
        // Outside the new folder: the full path.
        {"images/a.jpg", old, dir / "new", a},
        {" images/a.jpg ", old, dir / "new", a},
        {"images/../images/a.jpg", old, dir / "new", a},
        {"../shared/c.jpg", old, dir / "new", (dir / "shared/c.jpg").string()},
        // In or below the new folder: relative to it.
        {"images/a.jpg", old, dir.path(), "old/images/a.jpg"},
        {"../shared/c.jpg", old, dir / "shared", "c.jpg"},
        {"../new/sub/d.jpg", old, dir / "new", "sub/d.jpg"},
        {"../new/sub/d.jpg", old, (dir / "new/").string(), "sub/d.jpg"},
        // Left as they are: the same folder however spelled, absolute,
        // blank, or naming no file (nothing to keep naming).
        {"images/a.jpg", old, old, "images/a.jpg"},
        {"images/a.jpg", old, dir / "new/../old", "images/a.jpg"},
        {"images/a.jpg", old, dir / "old-link", "images/a.jpg"},
        {a, old, dir / "new", a},
        {"", old, dir / "new", ""},
        {"  ", old, dir / "new", "  "},
        {"images/gone.jpg", old, dir / "new", "images/gone.jpg"},
        {"images", old, dir / "new", "images"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(RebasedImagePath(row.text, row.from, row.to), row.want)
            << "\"" << row.text << "\" from " << row.from << " to " << row.to;

    // Untitled: read from the current folder.
    CurrentFolder here(old);
    EXPECT_EQ(RebasedImagePath("images/a.jpg", "", dir / "new"), a);
    EXPECT_EQ(RebasedImagePath("images/a.jpg", "", old), "images/a.jpg");
}

TEST_F(ImagePaths, GenerationReadsRelativePathsFromTheProjectNotTheCurrentFolder) {
    CurrentFolder here(dir / "elsewhere");
    AddItem("images/a.jpg");
    agent->ProjectFolder = dir / "old";
    agent->MakeHTMLCodes(dir / "page.html", tree);
    EXPECT_EQ(agent->Items[0].ImageHeight, "84");  // 300 x 150 at width 168
    EXPECT_EQ(tree.caption(1), "Item");

    // An untitled project has no folder of its own yet: the current one.
    agent->ProjectFolder.clear();
    agent->MakeHTMLCodes(dir / "page.html", tree);
    EXPECT_EQ(agent->Items[0].ImageHeight, "168");  // elsewhere's 400 x 400

    agent->ProjectFolder = dir / "new";  // no such picture there
    agent->MakeHTMLCodes(dir / "page.html", tree);
    EXPECT_EQ(tree.caption(1), "Warning: Original image not found.");
}

TEST_F(ImagePaths, OpeningAProjectTakesItsFolderAndNewForgetsIt) {
    AddItem("images/a.jpg");
    agent->SaveProject(dir / "old/p.mvl");
    PublishingAgent reader(program);
    MemoryDesignTree readTree("Marivel");
    {
        CurrentFolder here(dir / "old");
        ASSERT_EQ(reader.LoadProject("p.mvl", readTree), LoadResult::Loaded);
    }
    EXPECT_EQ(reader.ProjectFolder, dir / "old");
    // A file that is no project keeps the folder it had.
    WriteBytes(dir / "new/other.mvl", "<Product_Name>\r\nOther\r\n</Product_Name>\r\n");
    MemoryDesignTree otherTree("Marivel");
    EXPECT_EQ(reader.LoadProject(dir / "new/other.mvl", otherTree), LoadResult::WrongProduct);
    EXPECT_EQ(reader.ProjectFolder, dir / "old");
    reader.ResetProject();
    EXPECT_TRUE(reader.ProjectFolder.empty());
}

TEST_F(ImagePaths, TheSavedFileAndTheModelAreRebasedOnlyWhenTheWholeSaveSucceeds) {
    const fs::path target = dir / "new";
    AddItem("images/a.jpg");
    AddItem("../new/sub/d.jpg");
    AddItem("images/gone.jpg");
    agent->ProjectFolder = dir / "old";
    const std::vector<std::string> before = {"images/a.jpg", "../new/sub/d.jpg", "images/gone.jpg"};
    const std::vector<std::string> after = {(dir / "old/images/a.jpg").string(), "sub/d.jpg",
                                            "images/gone.jpg"};
    auto originals = [](const SliderItemList& items) {
        std::vector<std::string> paths;
        for (const SliderItem& item : items) paths.push_back(item.OriginalImagePath);
        return paths;
    };
    auto saved = [&] {
        PublishingAgent reader(program);
        MemoryDesignTree readTree("Marivel");
        EXPECT_EQ(reader.LoadProject(target / "p.mvl", readTree), LoadResult::Loaded);
        return originals(reader.Items);
    };

    // The report cannot be written: the save is refused before the project
    // file is written, and the model still reads the pictures from the old
    // folder.
    fs::create_directory(target / "p_PublishReport.txt");
    EXPECT_THROW(agent->SaveAndPublish(target, "p.mvl", tree), Error);
    EXPECT_FALSE(fs::exists(target / "p.mvl"));
    EXPECT_EQ(originals(agent->Items), before);
    EXPECT_EQ(agent->ProjectFolder, dir / "old");

    fs::remove(target / "p_PublishReport.txt");
    EXPECT_TRUE(agent->SaveAndPublish(target, "p.mvl", tree));
    EXPECT_EQ(saved(), after);
    EXPECT_EQ(originals(agent->Items), after);
    EXPECT_EQ(agent->ProjectFolder, target);

    // The saved project, read from its new place, prepares the same pictures.
    PublishingAgent reopened(program);
    MemoryDesignTree reopenedTree("Marivel");
    ASSERT_EQ(reopened.LoadProject(target / "p.mvl", reopenedTree), LoadResult::Loaded);
    reopened.MakeHTMLCodes(dir / "page.html", reopenedTree);
    EXPECT_EQ(reopened.Items[0].ImageHeight, "84");
    EXPECT_EQ(reopened.Items[1].ImageHeight, "84");
    EXPECT_EQ(reopenedTree.caption(3), "Warning: Original image not found.");

    // Saving again where it now lies changes nothing.
    EXPECT_TRUE(agent->SaveAndPublish(target, "p.mvl", tree));
    EXPECT_EQ(saved(), after);
}

TEST_F(ImagePaths, AnOriginalNamedRelativelyIsStillProtectedFromBeingOverwritten) {
    const fs::path site = dir / "old";
    Photo("old/slider0.jpg", 50, 50);
    AddItem("slider0.jpg");
    agent->ProjectFolder = site;
    CurrentFolder here(dir / "elsewhere");
    try {
        agent->SaveAndPublish(site, "p.mvl", tree);
        FAIL() << "the original would have been replaced";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("\"slider0.jpg\" of item 1"), std::string::npos) << e.what();
    }
    EXPECT_EQ(test::ReadJpeg(site / "slider0.jpg").width, 50);
}

TEST_F(ImagePaths, AReadOnlyProgramFolderIsOnlyRead) {
    const fs::path user = dir / "user";
    fs::create_directory(user);
    WriteBytes(program / "tessaline.js", "// the shipped engine\n");
    PublishingAgent split(ProgramFolders{program, user}, &display);
    split.ResetProject();
    split.AppletData = agent->AppletData;
    const int node = tree.addChild(0, "Image");
    SliderItem item = PublishingAgent::MakeNewItem();
    item.OriginalImagePath = Photo("old/images/b.jpg", 200, 100);
    item.Level = std::to_string(tree.depth(node) - 1);
    split.InsertItem(0, item);
    const auto shipped = Snapshot(program);

    // A build and a preview, as the Preview command runs them.
    split.MakeHTMLCodes(dir / "page.html", tree);
    EXPECT_TRUE(fs::exists(user / "tessalinecfg.js"));
    split.CopyEngineFilesToPreview(split.ProgramFolder());
    for (const char* name : {"tessaline.js", "tessalinecfg.js", "tessaline.css", "slider0.jpg"})
        EXPECT_TRUE(fs::exists(user / "preview" / name)) << name;
    EXPECT_EQ(ReadBytes(user / "preview/tessaline.js"), "// the shipped engine\n");
    EXPECT_FALSE(fs::exists(user / "tessalinecfg.js"));

    // A save publishes the shipped engine beside the project.
    const fs::path site = dir / "site";
    fs::create_directory(site);
    EXPECT_TRUE(split.SaveAndPublish(site, "s.mvl", tree));
    EXPECT_EQ(ReadBytes(site / "tessaline.js"), "// the shipped engine\n");
    EXPECT_EQ(ReadBytes(site / "tessalinecfg.js"), ReadBytes(user / "tessalinecfg.js"));
    split.ClearPreview();
    EXPECT_EQ(Snapshot(program), shipped);
}

}  // namespace
}  // namespace marivel
