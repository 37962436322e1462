#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "generator_fixture.h"
#include "output/publish_checks.h"

namespace marivel {
namespace {

namespace fs = std::filesystem;
using test::WriteBytes;

TEST(PublishChecks, LinkProblems) {
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"", ""},
        {"https://www.example.com/a?b=c", ""},
        {"mailto:me@example.com", ""},
        {"/shop/", ""},
        {"./page.html", ""},
        {"#top", ""},
        {"www.example.com", "has no scheme"},
        {"page.html", ""},
        {"images/dawn.jpg", ""},
        {"example.com/shop", "has no scheme"},
        {"c:\\site\\a.html", "backslash"},
        {"http://", "names no site"},
        {"https:///path", "names no site"},
        {"https:example.com", "names no site"},
        {"https://example.com/a b.html", "holds a space"},
        {"https://example.com/\x01", "control character"},
        {" JavaScript:alert(1)", "runs a script"},
        {"java\tscript:alert(1)", "runs a script"},
    };
    for (const auto& [link, complaint] : rows) {
        const std::string problem = LinkProblem(link);
        if (complaint.empty())
            EXPECT_EQ(problem, "") << link;
        else
            EXPECT_NE(problem.find(complaint), std::string::npos) << link << ": " << problem;
    }
}

// The items the engine fetches first, worked out as engine/tessaline.js does.
TEST(PublishChecks, FirstLoadedItemsFollowTheEngine) {
    SliderSettings applet;
    applet.Height = "100";
    applet.Step = "0";
    applet.Delay = "39";
    applet.Gap = "0";
    applet.TrailerSpace = "0";
    applet.ImageBorderWidth = "0";
    applet.ImageBorderStyle = "0";
    applet.ContainerBorderWidth = "0";
    applet.ContainerBorderStyle = "0";
    SliderItemList items(20);
    for (SliderItem& item : items) item.ImageHeight = "50";
    auto range = [](int from, int to) {
        std::vector<int> r;
        for (int k = from; k < to; ++k) r.push_back(k);
        return r;
    };
    // Still: the view and one more (200 px), four pictures.
    EXPECT_EQ(FirstLoadedItems(applet, items), range(0, 4));
    // Moving down at 1/39 px per ms: 100 + 200 + 16000/39 = 710 px, 15 pictures.
    applet.Step = "1";
    EXPECT_EQ(FirstLoadedItems(applet, items), range(0, 15));
    // Moving up: the view and what comes from above, across the wrap.
    applet.Step = "-1";
    std::vector<int> up = range(0, 2);
    for (int k : range(7, 20)) up.push_back(k);
    EXPECT_EQ(FirstLoadedItems(applet, items), up);
    // A picture without height is left out; image borders make the pictures
    // and the view taller: 140 px of view, 60 px a picture.
    applet.Step = "0";
    applet.Height = "130";
    applet.ImageBorderWidth = "5";
    applet.ImageBorderStyle = "1";
    applet.ContainerBorderWidth = "5";
    applet.ContainerBorderStyle = "1";
    items[1].ImageHeight = "";
    EXPECT_EQ(FirstLoadedItems(applet, items), (std::vector<int>{0, 2, 3, 4, 5}));
}

class PublishCheckProject : public test::GeneratorFixture {};

TEST_F(PublishCheckProject, EveryKindOfProblemNamesItsItem) {
    agent->AppletData.SliderName = "VSlider1";
    agent->AppletData.Width = "200";
    const std::string wide = Photo("wide.jpg", 400, 100), narrow = Photo("narrow.jpg", 120, 100);
    SliderItemList items(6, PublishingAgent::MakeNewItem());
    for (SliderItem& item : items) {
        item.OriginalImagePath = wide;
        item.ToolTip = "A photo";
        item.Link = "https://example.com/";
    }
    items[0].OriginalImagePath = Photo("first.jpg", 400, 100);
    items[1].OriginalImagePath = narrow;
    items[2].OriginalImagePath = (dir / "gone.jpg").string();
    items[3].ToolTip = " ";
    items[4].Link = "javascript:void(0)";
    items[5].OriginalImagePath = Photo("last.jpg", 400, 100);
    items[5].Link = "www.example.com";
    // The prepared copies of what loads first weigh 1.2 MB.
    fs::create_directories(dir / "prepared");
    for (int k = 0; k < 6; ++k) {
        items[static_cast<std::size_t>(k)].ImageFile = "slider" + std::to_string(k) + ".jpg";
        WriteBytes(dir / "prepared" / items[static_cast<std::size_t>(k)].ImageFile,
                   std::string(200'000, 'x'));
    }
    std::vector<std::pair<CheckKind, int>> found;
    std::vector<std::string> lines;
    for (const CheckFinding& f :
         CheckBeforePublishing(agent->AppletData, items, dir.path(), dir / "prepared")) {
        found.emplace_back(f.kind, f.item);
        lines.push_back(f.text);
    }
    const std::vector<std::pair<CheckKind, int>> expected = {
        {CheckKind::DefaultSliderName, -1}, {CheckKind::Enlarged, 1},       {CheckKind::MissingPicture, 2},
        {CheckKind::SamePicture, 4},        {CheckKind::NoDescription, 3},  {CheckKind::ScriptLink, 4},
        {CheckKind::InvalidLink, 5},        {CheckKind::HeavyFirstView, -1}};
    auto sorted = [](std::vector<std::pair<CheckKind, int>> v) {
        std::sort(v.begin(), v.end());
        return v;
    };
    EXPECT_EQ(sorted(found), sorted(expected));
    ASSERT_EQ(found.size(), lines.size());
    for (std::size_t k = 0; k < found.size(); ++k) {
        if (found[k].second < 0) continue;
        EXPECT_EQ(lines[k].rfind("Item " + std::to_string(found[k].second + 1) + " (", 0), 0U) << lines[k];
    }
    EXPECT_NE(lines.back().find("1.2 MB"), std::string::npos) << lines.back();

    // Under the limit, and with copies not prepared: a note, not a failure.
    fs::resize_file(dir / "prepared" / "slider0.jpg", 10);
    fs::remove(dir / "prepared" / "slider1.jpg");
    const std::vector<CheckFinding> lighter =
        CheckBeforePublishing(agent->AppletData, items, dir.path(), dir / "prepared");
    EXPECT_EQ(lighter.back().kind, CheckKind::UnknownWeight);
    EXPECT_FALSE(lighter.back().failed());
}

}  // namespace
}  // namespace marivel
