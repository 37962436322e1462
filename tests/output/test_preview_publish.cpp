#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <string>

#include "generator_fixture.h"
#include "model/error.h"
#include "support/file_size_limit.h"

namespace marivel {
namespace {

namespace fs = std::filesystem;
using test::FileSizeLimit;
using test::ReadBytes;
using test::WriteBytes;

class PreviewFolder : public test::GeneratorFixture {
protected:
    // What the Preview command does with the folder after a build.
    void Preview() {
        agent->MakeHTMLCodes(dir / "~tmp0001.txt", tree);
        agent->CopyEngineFilesToPreview(program);
        agent->CopyResourceFiles(program);
        WriteBytes(program / "~preview.html", ReadBytes(dir / "~tmp0001.txt"));
        agent->CopyToPreview(program / "~preview.html");
        fs::remove(program / "~preview.html");
    }
};

TEST_F(PreviewFolder, TwoPreviewsAndOneClear) {
    AddItem(Photo("a.jpg", 200, 100));
    Preview();
    Preview();
    const fs::path preview = agent->PreviewFolder();
    const std::vector<std::string> once = {"slider0.jpg",   "tessaline.js", "tessalinecfg.js",
                                           "tessaline.css", "slider0.jpg",  "~preview.html"};
    std::vector<std::string> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(agent->PreviewFiles, twice);
    for (const char* name :
         {"tessaline.js", "tessalinecfg.js", "tessaline.css", "slider0.jpg", "~preview.html"})
        EXPECT_TRUE(fs::exists(preview / name)) << name;
    // The engine stays where it is shipped; the generated files moved.
    EXPECT_TRUE(fs::exists(program / "tessaline.js"));
    EXPECT_FALSE(fs::exists(program / "tessalinecfg.js"));
    EXPECT_FALSE(fs::exists(program / "tessaline.css"));

    agent->ClearPreview();
    EXPECT_TRUE(agent->PreviewFiles.empty());
    EXPECT_FALSE(fs::exists(preview));
}

TEST_F(PreviewFolder, ForeignFilesSurviveClearingAndKeepTheFolder) {
    agent->CopyToPreview(Photo("a.jpg", 10, 10));
    WriteBytes(agent->PreviewFolder() / "notes.txt", "mine");
    agent->ClearPreview();
    EXPECT_FALSE(fs::exists(agent->PreviewFolder() / "a.jpg"));
    EXPECT_EQ(ReadBytes(agent->PreviewFolder() / "notes.txt"), "mine");

    // A file that only bears the folder's name is not the program's to remove.
    fs::remove_all(agent->PreviewFolder());
    WriteBytes(agent->PreviewFolder(), "a user's file");
    agent->ClearPreview();
    EXPECT_EQ(ReadBytes(agent->PreviewFolder()), "a user's file");
}

TEST_F(PreviewFolder, ResourceFilesComeFromTheGivenFolderAndMissingOnesAreStillListed) {
    const fs::path project = dir / "project";
    fs::create_directory(project);
    WriteBytes(project / "slider0.jpg", "zero");
    WriteBytes(project / "slider1.jpg", "one");
    AddItem("");
    AddItem("");
    AddItem("");
    AddItem("");
    agent->Items[0].ImageFile = "slider0.jpg";
    agent->Items[1].ImageFile = "slider1.jpg";
    agent->Items[2].ImageFile = "";
    agent->Items[3].ImageFile = "slider7.jpg";
    agent->CopyResourceFiles(project);
    EXPECT_EQ(agent->PreviewFiles, (std::vector<std::string>{"slider0.jpg", "slider1.jpg", "slider7.jpg"}));
    EXPECT_EQ(ReadBytes(agent->PreviewFolder() / "slider1.jpg"), "one");
    EXPECT_FALSE(fs::exists(agent->PreviewFolder() / "slider7.jpg"));
    EXPECT_EQ(display.events, (std::vector<std::string>{"max:100", "hint:Copying Resource Files ... ...",
                                                        "busy", "reset", "hint:", "idle"}));
    EXPECT_EQ(display.stepsTotal, 100);
}

class Publishing : public test::GeneratorFixture {
protected:
    Publishing() { fs::create_directory(site); }
    fs::path site = dir / "site";
};

std::string ReportWithImages(const std::vector<std::string>& images) {
    const std::string rule(77, '=');
    std::string text =
        rule + "\r\n" +
        "This file includes a list of filename and you need to upload them to Web server\r\n"
        "to get the script to work. All these files are saved into the same directory along\r\n"
        "with the project file (*.mvl) as well as this file.\r\n\r\n" +
        rule +
        "\r\n\r\n[Script file(s)]:\r\n  tessaline.js\r\n  tessalinecfg.js\r\n  tessaline.css\r\n\r\n"
        "[Image File(s)]: They should be copied along with script files!\r\n";
    for (const auto& name : images) text += "  " + name + "\r\n";
    return text + "\r\n\r\n" + rule + "\r\nEnd of Publish Report\r\n" + rule + "\r\n";
}

TEST_F(Publishing, ReportListsEachImageNameOnceAndSkipsEmptyOnes) {
    for (const char* name : {"slider0.jpg", "", "slider2.jpg", "slider0.jpg", "Slider0.jpg", ""}) {
        AddItem("");
        agent->Items.back().ImageFile = name;
    }
    agent->MakePublishReport(site, "r.txt");
    EXPECT_EQ(ReadBytes(site / "r.txt"), ReportWithImages({"slider0.jpg", "slider2.jpg", "Slider0.jpg"}));
    EXPECT_EQ(display.events, (std::vector<std::string>{"max:101", "hint:Making Publish Report ... ...",
                                                        "busy", "reset", "hint:", "idle"}));
    EXPECT_EQ(display.stepsTotal, 103);
}

TEST_F(Publishing, SaveWritesEverythingTheSiteNeedsBesideTheProject) {
    AddItem(Photo("a.jpg", 1000, 750));
    AddItem((dir / "gone.jpg").string());  // never prepared: no file, no report line
    EXPECT_TRUE(agent->SaveAndPublish(site, "My.Slider.MVL", tree));

    for (const char* name : {"My.Slider.html", "tessaline.js", "tessalinecfg.js", "tessaline.css",
                             "My.Slider.mvl", "My.Slider_PublishReport.txt", "slider0.jpg"})
        EXPECT_TRUE(fs::exists(site / name)) << name;
    EXPECT_FALSE(fs::exists(site / "slider1.jpg"));
    EXPECT_EQ(ReadBytes(site / "My.Slider_PublishReport.txt"), ReportWithImages({"slider0.jpg"}));
    EXPECT_EQ(ReadBytes(site / "tessalinecfg.js"), ReadBytes(program / "tessalinecfg.js"));
    EXPECT_EQ(test::ReadJpeg(site / "slider0.jpg").height, 126);

    // The project file keeps the height the user entered and the prepared
    // image's name and size.
    PublishingAgent reopened(program);
    MemoryDesignTree reopenedTree;
    ASSERT_EQ(reopened.LoadProject(site / "My.Slider.mvl", reopenedTree), LoadResult::Loaded);
    EXPECT_EQ(reopened.AppletData.Height, "400");
    EXPECT_EQ(reopened.GetItem(0).ImageFile, "slider0.jpg");
    EXPECT_EQ(reopened.GetItem(0).ImageHeight, "126");
    EXPECT_EQ(display.hint, "");
    EXPECT_FALSE(display.busy);
    EXPECT_EQ(display.position, 0);
}

TEST_F(Publishing, ProjectWithoutItemsAndOtherExtensions) {
    agent->SaveAndPublish(site, "demo.txt", tree);
    EXPECT_TRUE(fs::exists(site / "demo.mvl"));
    EXPECT_TRUE(fs::exists(site / "demo.html"));
    EXPECT_EQ(ReadBytes(site / "demo_PublishReport.txt"), ReportWithImages({}));
}

TEST_F(Publishing, AFailedGenerationWritesNothingBesideTheProject) {
    WriteBytes(dir / "broken.jpg", "not a picture");
    AddItem((dir / "broken.jpg").string());
    EXPECT_THROW(agent->SaveAndPublish(site, "p.mvl", tree), Error);
    EXPECT_TRUE(fs::is_empty(site));
    EXPECT_EQ(display.hint, "");

    // A project the file could not keep is refused before the page and the
    // scripts are published, not when the project file comes.
    agent->Items.clear();
    tree.reset("Marivel");
    AddItem("");
    agent->Items[0].ToolTip = "a#$@b";
    EXPECT_THROW(agent->SaveAndPublish(site, "p.mvl", tree), Error);
    EXPECT_TRUE(fs::is_empty(site));
}

// Names of the files in a folder, temporary ones included.
std::vector<std::string> Listing(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(Publishing, ACopyThatCannotBeWrittenFailsTheSaveAndKeepsTheOldFile) {
    const std::string bigFile(64 * 1024, 'x');
    auto fifo = [](const fs::path& path) {
        fs::remove(path);
        ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
    };
    struct Row {
        const char* name;
        std::function<void()> arrange;  // spoils one target after a good save
        std::string failingFile;        // the file the message must name
        std::string reason;
    };
    const Row rows[] = {
        {"a FIFO where the engine goes", [&] { fifo(site / "tessaline.js"); },
         (site / "tessaline.js").string(), "not a regular file"},
        {"a folder where an image goes",
         [&] {
             fs::remove(site / "slider0.jpg");
             fs::create_directory(site / "slider0.jpg");
         },
         (site / "slider0.jpg").string(), "Is a directory"},
        {"a FIFO where the preview's image goes", [&] { fifo(agent->PreviewFolder() / "slider0.jpg"); },
         (agent->PreviewFolder() / "slider0.jpg").string(), "not a regular file"},
        {"no room for the engine", [&] { WriteBytes(program / "tessaline.js", bigFile); },
         (site / "tessaline.js").string(), "File too large"},
        {"no room for an image",
         [&] {
             // The original is gone; the image its last save prepared is
             // published again, and it is too big for the disk.
             fs::remove(dir / "a.jpg");
             WriteBytes(agent->PreviewFolder() / "slider0.jpg", bigFile);
         },
         (site / "slider0.jpg").string(), "File too large"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(site);
        fs::create_directory(site);
        fs::remove_all(agent->PreviewFolder());
        WriteBytes(program / "tessaline.js", "// engine\n");
        agent->Items.clear();
        tree.reset("Marivel");
        AddItem(Photo("a.jpg", 1000, 750));
        ASSERT_TRUE(agent->SaveAndPublish(site, "p.mvl", tree));
        const std::string engine = ReadBytes(site / "tessaline.js");
        const std::string image = ReadBytes(site / "slider0.jpg");
        row.arrange();
        const std::vector<std::string> before = Listing(site);
        try {
            FileSizeLimit limit(16 * 1024);
            agent->SaveAndPublish(site, "p.mvl", tree);
            ADD_FAILURE() << "the save was reported as done";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find("\"" + row.failingFile + "\""), std::string::npos)
                << e.what();
            EXPECT_NE(std::string(e.what()).find(row.reason), std::string::npos) << e.what();
        }
        // What was not replaced is the old file, whole; nothing half-written
        // or temporary is left.
        EXPECT_EQ(Listing(site), before);
        if (fs::is_regular_file(site / "tessaline.js")) {
            EXPECT_TRUE(ReadBytes(site / "tessaline.js") == engine);
        }
        if (fs::is_regular_file(site / "slider0.jpg")) {
            EXPECT_TRUE(ReadBytes(site / "slider0.jpg") == image);
        }
        EXPECT_EQ(display.hint, "");
        EXPECT_FALSE(display.busy);
    }
}

TEST_F(Publishing, AMissingSourceIsStillNoErrorAndNoFile) {
    fs::remove(program / "tessaline.js");
    AddItem((dir / "gone.jpg").string());
    agent->Items[0].ImageFile = "slider0.jpg";  // prepared once, but not in the preview folder
    EXPECT_TRUE(agent->SaveAndPublish(site, "p.mvl", tree));
    EXPECT_FALSE(fs::exists(site / "tessaline.js"));
    EXPECT_FALSE(fs::exists(site / "slider0.jpg"));
    EXPECT_TRUE(fs::exists(site / "tessalinecfg.js"));
}

TEST_F(Publishing, ASaveThatWouldReplaceAnOriginalIsRefusedBeforeWritingAnything) {
    const std::string photo = Photo("photo.jpg", 1000, 750);
    struct Row {
        const char* name;
        std::string original;  // of item 0; item 1 always has photo.jpg
        int item;              // the item whose original is hit, 0 for none
    };
    fs::create_directories(site / "sub");
    fs::copy_file(photo, site / "slider0.jpg");
    fs::copy_file(photo, site / "slider1.jpg");
    fs::create_hard_link(site / "slider0.jpg", dir / "hard.jpg");
    fs::create_symlink(site / "slider0.jpg", dir / "soft.jpg");
    const Row rows[] = {
        {"the prepared copy's own name", (site / "slider0.jpg").string(), 1},
        {"spelled another way", (site / "sub" / ".." / "slider0.jpg").string(), 1},
        {"a hard link to it", (dir / "hard.jpg").string(), 1},
        {"a symbolic link to it", (dir / "soft.jpg").string(), 1},
        {"another item's copy", (site / "slider1.jpg").string(), 1},
        {"a name nothing is written to (last: this save goes through)", photo, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        agent->Items.clear();
        tree.reset("Marivel");
        AddItem(row.original);
        AddItem(photo);
        const std::string original = ReadBytes(site / "slider0.jpg");
        const std::vector<std::string> before = Listing(site);
        if (row.item == 0) {
            EXPECT_NO_THROW(agent->SaveAndPublish(site, "p.mvl", tree));
            continue;
        }
        try {
            agent->SaveAndPublish(site, "p.mvl", tree);
            ADD_FAILURE() << "the original was replaced";
        } catch (const Error& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find("\"" + row.original + "\" of item " + std::to_string(row.item)),
                      std::string::npos)
                << message;
            EXPECT_NE(message.find("Rename or move the image"), std::string::npos) << message;
        }
        EXPECT_TRUE(ReadBytes(site / "slider0.jpg") == original);
        EXPECT_EQ(Listing(site), before);
        EXPECT_FALSE(fs::exists(agent->PreviewFolder()));
    }
}

TEST_F(Publishing, ABuildThatWouldReplaceAnOriginalInThePreviewIsRefused) {
    const std::string photo = Photo("photo.jpg", 400, 300);
    agent->CopyToPreview(photo);
    fs::rename(agent->PreviewFolder() / "photo.jpg", agent->PreviewFolder() / "slider0.jpg");
    AddItem((agent->PreviewFolder() / "slider0.jpg").string());
    EXPECT_THROW(agent->MakeHTMLCodes(dir / "page.html", tree), Error);
    EXPECT_TRUE(ReadBytes(agent->PreviewFolder() / "slider0.jpg") == ReadBytes(photo));
    EXPECT_FALSE(fs::exists(dir / "page.html"));
}

TEST_F(Publishing, AFolderThatCannotBeWrittenIsAnError) {
    WriteBytes(dir / "file", "x");
    EXPECT_THROW(agent->SaveAndPublish(dir / "file" / "sub", "p.mvl", tree), Error);
}

}  // namespace
}  // namespace marivel
