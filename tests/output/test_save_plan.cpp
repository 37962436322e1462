// A save refuses before it writes anything, and names what it wrote when it
// fails later.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <map>
#include <string>

#include "generator_fixture.h"
#include "model/error.h"
#include "output/publish_plan.h"

namespace marivel {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

class SavePlan : public test::GeneratorFixture {
protected:
    SavePlan() { fs::create_directory(site); }

    // Every file in the site folder with its bytes.
    std::map<std::string, std::string> Site() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::directory_iterator(site))
            files[entry.path().filename().string()] =
                entry.is_regular_file() ? ReadBytes(entry.path()) : "<dir>";
        return files;
    }

    fs::path site = dir / "site";
};

TEST_F(SavePlan, ASaveThatCannotCompleteIsRefusedBeforeAnyFileIsWritten) {
    const bool root = ::geteuid() == 0;
    struct Row {
        const char* name;
        std::function<void()> arrange;
        std::string message;  // the start of the error
    };
    const Row rows[] = {
        {"a read-only project file",
         [&] {
             WriteBytes(site / "p.mvl", "old project");
             fs::permissions(site / "p.mvl", fs::perms::owner_read);
         },
         "Cannot write file \"" + (site / "p.mvl").string() + "\""},
        {"a folder where the report goes", [&] { fs::create_directory(site / "p_PublishReport.txt"); },
         "Cannot write file \"" + (site / "p_PublishReport.txt").string() + "\""},
        {"a slider 65,500 pixels wide", [&] { agent->AppletData.Width = "65500"; },
         "The slider width 65500 is too large: it can be at most 9999"},
        {"a slider 10,000 pixels high", [&] { agent->AppletData.Height = "10000"; },
         "The slider height 10000 is too large"},
        {"an image named as the engine", [&] { agent->Items[1].ImageFile = "Tessaline.JS"; },
         "The prepared image \"Tessaline.JS\" of item 2 has the name of the file \"tessaline.js\""},
        {"an image named as the project file", [&] { agent->Items[1].ImageFile = "P.mvl"; },
         "The prepared image \"P.mvl\" of item 2 has the name of the file \"p.mvl\""},
        {"an image named as the page", [&] { agent->Items[1].ImageFile = "p.html"; },
         "The prepared image \"p.html\" of item 2 has the name of the file \"p.html\""},
        {"an image named as another item's new image", [&] { agent->Items[1].ImageFile = "SLIDER0.jpg"; },
         "The prepared image \"SLIDER0.jpg\" of item 2 has the name of the image \"slider0.jpg\" of item 1"},
        {"an image named as another item's new copy at double density",
         [&] {
             agent->Quality.density = Density::Double;
             agent->Items[1].ImageFile = "slider0@2x.jpg";
         },
         "The prepared image \"slider0@2x.jpg\" of item 2 has the name of the image \"slider0@2x.jpg\" of "
         "item 1"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        if (root && std::string(r.name) == "a read-only project file") continue;  // root writes anyway
        fs::remove_all(site);
        fs::create_directory(site);
        WriteBytes(site / "p.html", "hand-written page");
        WriteBytes(site / "tessaline.js", "old engine");
        agent->ResetProject();
        agent->Quality = {};
        agent->AppletData.CfgName = "VSlider1cfg";
        tree.reset("Marivel");
        AddItem(Photo("a.jpg", 200, 100));
        AddItem("gone.jpg");
        r.arrange();
        const auto before = Site();
        try {
            agent->SaveAndPublishProject(site / "p.mvl", tree);
            ADD_FAILURE() << "saved";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()).substr(0, r.message.size()), r.message) << e.what();
        }
        EXPECT_EQ(Site(), before);
        std::error_code ignored;
        fs::permissions(site / "p.mvl", fs::perms::owner_all, fs::perm_options::replace, ignored);
    }
    // Two items that keep the same name share one picture, as they always could.
    fs::remove_all(site);
    fs::create_directory(site);
    agent->Items[1].ImageFile = "shared.jpg";
    AddItem("gone too.jpg");
    agent->Items[2].ImageFile = "shared.jpg";
    EXPECT_TRUE(agent->SaveAndPublishProject(site / "p.mvl", tree));
}

TEST_F(SavePlan, ThePlanNamesTheImagesOfTheDensityOnceAndOnlyInsideTheFolder) {
    AddItem(Photo("a.jpg", 400, 300));
    AddItem("gone.jpg");
    AddItem("gone too.jpg");
    agent->ProjectFolder = site;
    WriteBytes(site / "kept.jpg", "kept");
    WriteBytes(site / "kept@2x.jpg", "kept twice");
    using Names = std::vector<std::string>;
    struct Row {
        Density density;
        std::string kept, keptToo;
        Names images;
    };
    const Row rows[] = {
        {Density::Single, "kept.jpg", "..", {"slider0.jpg", "kept.jpg"}},
        {Density::Double, "kept.jpg", ".", {"slider0.jpg", "slider0@2x.jpg", "kept.jpg", "kept@2x.jpg"}},
        {Density::Double,
         "kept.jpg",
         "kept.jpg",
         {"slider0.jpg", "slider0@2x.jpg", "kept.jpg", "kept@2x.jpg"}},
        {Density::Double, "../kept.jpg", "", {"slider0.jpg", "slider0@2x.jpg"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.keptToo);
        agent->Quality.density = row.density;
        agent->Items[1].ImageFile = row.kept;
        agent->Items[2].ImageFile = row.keptToo;
        EXPECT_EQ(PlanPublish(*agent, tree, site / "p.mvl").images, row.images);
    }
}

TEST_F(SavePlan, AnErrorAfterTheFirstFileIsWrittenNamesWhatWasWritten) {
    // The kept image cannot be read: everything before it is new and whole,
    // everything after it old, and the message says which is which.
    AddItem("gone.jpg");
    agent->Items[0].ImageFile = "kept.jpg";
    fs::create_directories(agent->PreviewFolder());
    ASSERT_EQ(::mkfifo((agent->PreviewFolder() / "kept.jpg").c_str(), 0600), 0);
    WriteBytes(site / "kept.jpg", "old picture");
    try {
        agent->SaveAndPublishProject(site / "p.mvl", tree);
        ADD_FAILURE() << "saved";
    } catch (const Error& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find("This save had already written: p.html, tessaline.js, tessalinecfg.js, "
                               "tessaline.css, p.mvl, p_PublishReport.txt. Every other file is as it was"),
                  std::string::npos)
            << message;
    }
    EXPECT_EQ(ReadBytes(site / "kept.jpg"), "old picture");
    EXPECT_TRUE(fs::exists(site / "p.mvl"));
}

}  // namespace
}  // namespace marivel
