#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "model/agent.h"
#include "model/memory_tree.h"
#include "support/temp_dir.h"
#include "support/test_jpeg.h"

namespace marivel {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

struct ToolRun {
    int status = -1;
    std::string out, err;
};

class MarivelPublish : public ::testing::Test {
protected:
    // The tool runs from a private program folder, so what it leaves there
    // (or not) is its own doing.
    MarivelPublish() {
        fs::create_directory(program);
        fs::copy_file(MARIVEL_PUBLISH_EXE, program / "marivel-publish");
        fs::copy_file(fs::path(MARIVEL_PROGRAM_DIR) / "tessaline.js", program / "tessaline.js");
    }

    // Runs the tool from the test folder, so relative paths resolve there.
    ToolRun Publish(const std::string& arguments) {
        const std::string command = "cd " + Quote(dir.path().string()) + " && " +
                                    Quote((program / "marivel-publish").string()) + " " + arguments + " >" +
                                    Quote((dir / "stdout").string()) + " 2>" +
                                    Quote((dir / "stderr").string());
        const int raw = std::system(command.c_str());
        ToolRun run;
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.out = ReadBytes(dir / "stdout");
        run.err = ReadBytes(dir / "stderr");
        return run;
    }

    std::string Photo(const std::string& name, int w, int h) {
        test::JpegRecipe recipe{.width = w, .height = h};
        recipe.pixel = [](int x, int y) { return test::Rgb{(x * 3) % 256, (y * 5) % 256, 128}; };
        test::WriteJpeg(dir / name, recipe);
        return (dir / name).string();
    }

    // A project saved by the agent, as the editor would have saved it.
    fs::path Project(const std::string& name, const std::vector<std::string>& sources) {
        fs::create_directories(dir / "project");
        TkeltAppletAgent agent(dir.path());
        agent.ResetProject();
        for (std::size_t k = 0; k < sources.size(); ++k) {
            TItemData item = TkeltAppletAgent::MakeNewItem();
            item.OriginalImagePath = sources[k];
            item.ToolTip = "Tom's photo " + std::to_string(k);
            item.Level = "0";
            agent.InsertItem(static_cast<int>(k), item);
        }
        agent.SaveProject(dir / "project" / name);
        return dir / "project" / name;
    }

    test::TempDir dir;
    fs::path program = dir / "program";
};

TEST_F(MarivelPublish, PublishesAProjectWithRealImages) {
    const fs::path project =
        Project("Holiday.mvl", {Photo("a.jpg", 1000, 750), "missing.jpg", Photo("b.jpg", 800, 533)});
    const ToolRun run = Publish(Quote(project.string()) + " --out site");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const fs::path site = dir / "site";
    EXPECT_EQ(run.out,
              "item 1: slider0.jpg 168 x 126\n"
              "item 2: Warning: Original image not found. \"missing.jpg\"\n"
              "item 3: slider2.jpg 168 x 112\n"
              "report: " +
                  (site / "Holiday_PublishReport.txt").string() + "\n");
    for (const char* name :
         {"Holiday.html", "Holiday.mvl", "tessaline.js", "tessalinecfg.js", "tessaline.css"})
        EXPECT_TRUE(fs::exists(site / name)) << name;
    EXPECT_EQ(test::ReadJpeg(site / "slider2.jpg").height, 112);
    EXPECT_EQ(ReadBytes(site / "tessaline.js"), ReadBytes(program / "tessaline.js"));
    EXPECT_NE(ReadBytes(site / "tessalinecfg.js").find("'Tom\\'s photo 0',168,126]);"), std::string::npos);
    EXPECT_NE(ReadBytes(site / "Holiday_PublishReport.txt").find("  slider0.jpg\r\n  slider2.jpg\r\n\r\n"),
              std::string::npos);
    // The program folder is left as it was: no generated files, no preview.
    EXPECT_FALSE(fs::exists(program / "preview"));
    EXPECT_FALSE(fs::exists(program / "tessalinecfg.js"));
}

TEST_F(MarivelPublish, RepublishingInPlaceKeepsPreparedImagesOfGoneOriginals) {
    const fs::path project = Project("p.mvl", {Photo("a.jpg", 336, 200)});
    ASSERT_EQ(Publish(Quote(project.string())).status, 0);
    ASSERT_TRUE(fs::exists(dir / "project" / "slider0.jpg"));
    const std::string prepared = ReadBytes(dir / "project" / "slider0.jpg");
    fs::remove(dir / "a.jpg");

    const ToolRun run = Publish(Quote(project.string()) + " --out=copy");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("item 1: Warning: Original image not found. \"" + (dir / "a.jpg").string() +
                           "\" (keeps slider0.jpg)"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(ReadBytes(dir / "copy" / "slider0.jpg"), prepared);
    EXPECT_NE(ReadBytes(dir / "copy" / "p_PublishReport.txt").find("  slider0.jpg"), std::string::npos);
}

TEST_F(MarivelPublish, ShipsAWorkingSample) {
    // ToolRun away from the samples folder: the originals do not resolve, the
    // prepared copies beside the project stand in.
    const fs::path sample = fs::path(MARIVEL_PROGRAM_DIR) / "samples" / "Sample.mvl";
    const ToolRun run = Publish(Quote(sample.string()) + " --out site");
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* name : {"slider0.jpg", "slider1.jpg", "slider2.jpg", "slider3.jpg", "Sample.html"})
        EXPECT_TRUE(fs::exists(dir / "site" / name)) << name;
    EXPECT_EQ(ReadBytes(dir / "site" / "slider3.jpg"), ReadBytes(sample.parent_path() / "slider3.jpg"));
}

TEST_F(MarivelPublish, ErrorsGiveOneLineAndANonZeroExit) {
    WriteBytes(dir / "foreign.mvl", "<Product_Name>\r\nSomething else\r\n</Product_Name>\r\n");
    WriteBytes(dir / "empty.mvl", "<Product_Name>\r\nMarivel\r\n</Product_Name>\r\n");
    WriteBytes(dir / "broken.jpg", "no picture here");
    const fs::path broken = Project("broken.mvl", {(dir / "broken.jpg").string()});
    const fs::path good = Project("good.mvl", {});
    WriteBytes(dir / "plainfile", "x");
    struct Row {
        std::string arguments;
        int status;
        std::string message;
    };
    const Row rows[] = {
        {"foreign.mvl", 1, "marivel-publish: This file wasn't saved by Marivel 1.1, open failed!\n"},
        {"empty.mvl", 1, "holds no Marivel project"},
        {"nothing.mvl", 1, "Cannot open the project"},
        {Quote(broken.string()), 1, "broken.jpg\": Not a JPEG file"},
        {Quote(good.string()) + " --out plainfile/site", 1, "plainfile/site"},
        {"", 2, "no project file given"},
        {"a.mvl --colour", 2, "unknown option --colour"},
        {"a.mvl --out", 2, "--out needs a folder"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.arguments);
        const ToolRun run = Publish(row.arguments);
        EXPECT_EQ(run.status, row.status);
        EXPECT_NE(run.err.find(row.message), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
}

TEST_F(MarivelPublish, NeedsTheEngineBesideItself) {
    const fs::path project = Project("p.mvl", {});
    fs::remove(program / "tessaline.js");
    const ToolRun run = Publish(Quote(project.string()));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(
        run.err.find("The slider engine \"" + (program / "tessaline.js").string() + "\" cannot be read"),
        std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(dir / "project" / "p.html"));
}

TEST_F(MarivelPublish, HelpExplainsTheCommand) {
    const ToolRun run = Publish("--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Usage: marivel-publish PROJECT.mvl [--out FOLDER]"), std::string::npos);
}

}  // namespace
}  // namespace marivel
