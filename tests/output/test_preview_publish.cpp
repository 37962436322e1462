#include <gtest/gtest.h>

#include <string>

#include "generator_fixture.h"
#include "model/error.h"

namespace marivel {
namespace {

namespace fs = std::filesystem;
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
    TkeltAppletAgent reopened(program);
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
}

TEST_F(Publishing, AFolderThatCannotBeWrittenIsAnError) {
    WriteBytes(dir / "file", "x");
    EXPECT_THROW(agent->SaveAndPublish(dir / "file" / "sub", "p.mvl", tree), Error);
}

}  // namespace
}  // namespace marivel
