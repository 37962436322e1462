// The preview's page files and its guard, without a web engine.
#include <gtest/gtest.h>

#include <QUrl>
#include <string>
#include <vector>

#include "model/agent.h"
#include "model/error.h"
#include "preview/preview_guard.h"
#include "preview/preview_site.h"
#include "support/temp_dir.h"

namespace marivel {
namespace {

using test::ReadBytes;
using test::TempDir;

SliderItem Item(const std::string& width, const std::string& height) {
    SliderItem item;
    item.ImageWidth = width;
    item.ImageHeight = height;
    return item;
}

TEST(PendingPictureSize, ScalesTheStoredSizeToTheSliderWidth) {
    struct Row {
        const char* width;
        const char* height;
        int sliderWidth;
        int expectedHeight;
    } rows[] = {
        {"200", "100", 400, 200},  // a width change scales the stored height
        {"200", "101", 100, 51},   // rounded, not cut
        {"3", "1", 1, 1},          // never below one pixel
        {"", "", 400, 300},        // never prepared: a 4:3 box
        {"abc", "100", 400, 300},  // not a number: as if never prepared
        {"0", "100", 400, 300},    // no width to scale by
    };
    for (const Row& row : rows) {
        const PreviewPicture box = PendingPictureSize(Item(row.width, row.height), row.sliderWidth);
        EXPECT_EQ(box.width, row.sliderWidth) << row.width << "x" << row.height;
        EXPECT_EQ(box.height, row.expectedHeight) << row.width << "x" << row.height;
        EXPECT_TRUE(box.file.empty());
    }
}

struct SiteFixture : ::testing::Test {
    TempDir dir;
    PreviewSnapshot snapshot;
    std::filesystem::path engine = dir / "engine.js";
    SiteFixture() {
        test::WriteBytes(engine, "// engine\n");
        DocumentAgent agent(dir.path());
        agent.ResetProject();
        snapshot.applet = agent.AppletData;
        snapshot.applet.Width = "200";
        snapshot.applet.Height = "300";
        snapshot.applet.RootDirLocal = "C:\\site";
        snapshot.applet.RootDirRemote = "http://www.example.com";
        snapshot.applet.RootDirLocalChecked = "0";
        for (int k = 0; k < 3; ++k) {
            SliderItem item;
            item.Link = "C:\\site/page" + std::to_string(k) + ".html";
            item.ImageFile = "slider" + std::to_string(k) + ".jpg";
            snapshot.items.push_back(item);
        }
    }
};

TEST_F(SiteFixture, WritesThePicturesGivenAndLeavesOutItemsWithoutHeight) {
    const std::vector<PreviewPicture> pictures{
        {"picture7.jpg", "picture7@2x.jpg", 200, 150}, {"", "", 0, 0}, {"", "", 200, 90}};
    PreviewPageState state;
    state.generation = 12;
    state.column = PreviewColumn::Narrow;
    const PreviewSnapshot before = snapshot;
    const PreviewSite site = WritePreviewSite(dir.path(), engine, snapshot, pictures, state);

    // The engine shows items 0 and 2; a click on its second picture is item 2.
    EXPECT_EQ(site.shownItems, (std::vector<int>{0, 2}));
    // Links as a visitor follows them; the snapshot itself is untouched.
    EXPECT_EQ(site.links.at(1), "http://www.example.com/page1.html");
    EXPECT_EQ(snapshot.items.at(1).Link, before.items.at(1).Link);
    EXPECT_EQ(snapshot.items.at(0).ImageFile, "slider0.jpg");

    const std::string config = ReadBytes(dir / "tessalinecfg.js");
    EXPECT_NE(
        config.find("'picture7.jpg','http://www.example.com/page0.html','','',200,150,'picture7@2x.jpg'"),
        std::string::npos)
        << config;
    // A picture still being prepared: an empty box of its size.
    EXPECT_NE(config.find("'','http://www.example.com/page2.html','','',200,90]"), std::string::npos)
        << config;
    const std::string page = ReadBytes(dir / kPreviewPageFile);
    EXPECT_NE(page.find("data-generation=\"12\""), std::string::npos);
    EXPECT_NE(page.find("#marivel-column{width:320px;}"), std::string::npos);
    EXPECT_EQ(ReadBytes(dir / "tessaline.js"), "// engine\n");
}

TEST_F(SiteFixture, RefusesWhatABuildRefusesBeforeWritingAnything) {
    for (auto [field, value] : std::vector<std::pair<std::string SliderSettings::*, std::string>>{
             {&SliderSettings::Width, "wide"},
             {&SliderSettings::Width, "0"},
             {&SliderSettings::Width, "10000"},
             {&SliderSettings::Gap, "1);alert(1"},
             {&SliderSettings::ImageBorderColor, "red;}"},
         }) {
        PreviewSnapshot bad = snapshot;
        bad.applet.*field = value;
        EXPECT_THROW(WritePreviewSite(dir.path(), engine, bad, {}, {}), Error) << value;
        EXPECT_FALSE(std::filesystem::exists(dir / kPreviewPageFile)) << value;
    }
}

TEST(FolderOnlyInterceptor, AllowsOnlyFilesInsideTheFolder) {
    const FolderOnlyInterceptor guard(QStringLiteral("/tmp/pane/live"));
    struct Row {
        const char* url;
        bool allowed;
    } rows[] = {
        {"file:///tmp/pane/live/index.html", true},
        {"file:///tmp/pane/live/sub/picture1.jpg", true},
        {"file:///tmp/pane/live/", false},  // the folder itself
        {"file:///tmp/pane/live", false},
        {"file:///tmp/pane/live-other/index.html", false},  // a sibling sharing the prefix
        {"file:///tmp/pane/live/../secret.txt", false},
        {"file:///tmp/pane/live/%2E%2E/secret.txt", false},
        {"file://server/tmp/pane/live/index.html", false},  // a host is another machine
        {"http://127.0.0.1/tmp/pane/live/index.html", false},
        {"https://www.example.com/picture.jpg", false},
        {"data:text/html,hello", false},
        {"qrc:///qtwebchannel/qwebchannel.js", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(guard.allows(QUrl(QString::fromLatin1(row.url))), row.allowed) << row.url;
}

}  // namespace
}  // namespace marivel
