#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "model/agent.h"
#include "model/memory_tree.h"
#include "model/save_lock.h"
#include "output/publishing_agent.h"
#include "support/temp_dir.h"
#include "support/test_jpeg.h"
#include "support/tool_run.h"

namespace marivel {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

using test::ToolRun;

std::string Quote(const std::string& text) {
    return test::ShellQuote(text);
}

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
    ToolRun Publish(const std::string& arguments, const std::string& prefix = "") {
        return test::RunTool("cd " + Quote(dir.path().string()) + " && " + prefix +
                                 Quote((program / "marivel-publish").string()) + " " + arguments,
                             dir.path());
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
        PublishingAgent agent(dir.path());
        agent.ResetProject();
        for (std::size_t k = 0; k < sources.size(); ++k) {
            SliderItem item = PublishingAgent::MakeNewItem();
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

TEST_F(MarivelPublish, CheckListsProblemsWritesNothingAndFailsOnlyWhenThereAreAny) {
    const fs::path bad = Project("bad.mvl", {Photo("small.jpg", 100, 80), "gone.jpg"});
    ToolRun run = Publish(Quote(bad.string()) + " --check");
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.out.find("Slider: its name is still \"VSlider1\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Item 1 (small.jpg): its picture is 100 pixels wide"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("Item 2 (gone.jpg): its picture"), std::string::npos) << run.out;
    EXPECT_FALSE(fs::exists(dir / "project" / "bad.html")) << "--check publishes nothing";

    PublishingAgent agent(dir.path());
    MemoryDesignTree tree("Marivel");
    ASSERT_EQ(agent.LoadProject(bad, tree), LoadResult::Loaded);
    agent.AppletData.SliderName = "Holiday";
    agent.Items.resize(1);
    agent.Items[0].OriginalImagePath = Photo("wide.jpg", 400, 300);
    agent.Items[0].Link = "https://example.com/";
    agent.SaveProject(bad);
    run = Publish(Quote(bad.string()) + " --check");
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.out, "No problems found.\n");
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
        {Quote(good.string()) + " --wait 86400 --out plainfile/site", 1, "plainfile/site"},
        {"a.mvl --wait 86401", 2, "--wait needs a whole number of seconds from 0 to 86400"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.arguments);
        const ToolRun run = Publish(row.arguments, "timeout 60 ");
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

// A second project of the same base name and other looks, for the runs that
// share an output folder.
fs::path OtherProject(const fs::path& folder, const std::string& sliderName, const std::string& colour,
                      const std::vector<std::string>& sources) {
    fs::create_directories(folder);
    PublishingAgent agent(folder);
    agent.ResetProject();
    agent.AppletData.SliderName = sliderName;
    agent.AppletData.DivId = sliderName + "_div";
    agent.AppletData.CfgName = sliderName + "cfg";
    agent.AppletData.ImageBorderColor = colour;
    for (std::size_t k = 0; k < sources.size(); ++k) {
        SliderItem item = PublishingAgent::MakeNewItem();
        item.OriginalImagePath = sources[k];
        item.Level = "0";
        agent.InsertItem(static_cast<int>(k), item);
    }
    agent.SaveProject(folder / "p.mvl");
    return folder / "p.mvl";
}

TEST_F(MarivelPublish, ParallelRunsIntoOneFolderLeaveOneRunsFiles) {
    // Two projects that differ in every published file publish into one
    // folder at the same moment, again and again. Whoever comes second must
    // replace all of the first one's files: a folder of mixed files would be
    // a web site that shows neither.
    constexpr int kImages = 4;
    const std::string wide = Photo("wide.jpg", 336, 200), tall = Photo("tall.jpg", 336, 400);
    const std::vector<std::string> a(kImages, wide), b(kImages, tall);
    const fs::path projectA = OtherProject(dir / "a", "SliderA", "AAAAAA", a);
    const fs::path projectB = OtherProject(dir / "b", "SliderB", "BBBBBB", b);
    const std::string tool = Quote((program / "marivel-publish").string());
    const std::string run = tool + " " + Quote(projectA.string()) + " --out site >/dev/null & pa=$!; " +
                            tool + " " + Quote(projectB.string()) +
                            " --out site >/dev/null & pb=$!; wait $pa && wait $pb";
    const fs::path site = dir / "site";
    int mixed = 0;
    for (int round = 0; round < 20; ++round) {
        ASSERT_EQ(std::system(("cd " + Quote(dir.path().string()) + " && { " + run + "; }").c_str()), 0);
        // Which project each file comes from: 'A', 'B' or '?'. The report
        // names the same images for both, so it cannot tell.
        auto from = [](const std::string& text, const std::string& markA, const std::string& markB) {
            const bool isA = text.find(markA) != std::string::npos,
                       isB = text.find(markB) != std::string::npos;
            return isA && !isB ? 'A' : isB && !isA ? 'B' : '?';
        };
        std::string origins;
        origins += from(ReadBytes(site / "tessalinecfg.js"), "SliderA", "SliderB");
        origins += from(ReadBytes(site / "p.html"), "\"SliderA_div\"", "\"SliderB_div\"");
        origins += from(ReadBytes(site / "tessaline.css"), "#AAAAAA", "#BBBBBB");
        origins += from(ReadBytes(site / "p.mvl"), "\r\nSliderA#$@", "\r\nSliderB#$@");
        for (int k = 0; k < kImages; ++k) {
            const int height = test::ReadJpeg(site / ("slider" + std::to_string(k) + ".jpg")).height;
            origins += height == 100 ? 'A' : height == 200 ? 'B' : '?';
        }
        if (origins != std::string(origins.size(), 'A') && origins != std::string(origins.size(), 'B')) {
            ++mixed;
            ADD_FAILURE() << "round " << round << ": files from " << origins;
        }
    }
    EXPECT_EQ(mixed, 0);
}

TEST_F(MarivelPublish, ARunThatWaitsForAnotherSaveSaysSo) {
    // Another save holds the folder; without a word the run would look hung.
    const fs::path project = Project("p.mvl", {Photo("photo.jpg", 64, 48)});
    fs::create_directory(dir / "site");
    std::optional<SaveLock> other(std::in_place, dir / "site", nullptr);
    ASSERT_EQ(other->state(), SaveLock::State::Held);
    std::thread release([&] {
        // The notice is flushed before the run starts to wait.
        for (int i = 0; i < 1000 && ReadBytes(dir / "stderr").find("waiting") == std::string::npos; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        other.reset();
    });
    const ToolRun run = Publish(Quote(project.string()) + " --out site");
    release.join();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "marivel-publish: waiting for another save into \"" + (dir / "site").string() +
                           "\" to finish\n");
    EXPECT_TRUE(fs::exists(dir / "site" / "slider0.jpg"));
}

TEST_F(MarivelPublish, AFileThatCannotBeWrittenFailsThePublish) {
    // Noise compresses badly: its prepared copy is larger than the limit
    // below, while every other file the tool writes is smaller.
    test::JpegRecipe noisy{.width = 1000, .height = 750};
    noisy.pixel = [](int x, int y) {
        const unsigned h = static_cast<unsigned>(x) * 2654435761u ^ static_cast<unsigned>(y) * 40503u;
        return test::Rgb{static_cast<int>(h % 256), static_cast<int>((h >> 8) % 256),
                         static_cast<int>(h >> 24)};
    };
    const bool root = ::geteuid() == 0;
    const fs::path folder = dir / "project";
    struct Row {
        const char* name;
        std::function<void()> arrange;
        std::string prefix;  // put before the tool in the shell
        std::string message;
    };
    const Row rows[] = {
        {"a FIFO where the engine goes",
         [&] {
             fs::remove(folder / "tessaline.js");
             ASSERT_EQ(mkfifo((folder / "tessaline.js").c_str(), 0644), 0);
         },
         "", "Cannot write file \"" + (folder / "tessaline.js").string() + "\". It is not a regular file"},
        // The limit is what a full disk looks like to the process, root or
        // not (12 KiB: /bin/sh counts 512-byte blocks). The original is
        // gone, so the saved copy is published again.
        {"no room for the image", [&] { fs::remove(dir / "noise.jpg"); }, "trap '' XFSZ; ulimit -f 24; ",
         "slider0.jpg\". File too large"},
        {"an image that may not be replaced",
         [&] {
             // As root, the tool runs as another user, for whom the folder and
             // every file in it are open but the old image is not.
             fs::permissions(dir.path(), fs::perms(0755));
             fs::permissions(folder, fs::perms(0777));
             for (const auto& entry : fs::directory_iterator(folder))
                 fs::permissions(entry.path(), fs::perms(0666));
             fs::permissions(folder / "slider0.jpg", fs::perms(root ? 0644 : 0444));
         },
         root ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "",
         "Cannot write file \"" + (folder / "slider0.jpg").string() + "\". Permission denied"},
        {"the original where its copy goes", [&] { Project("p.mvl", {(folder / "slider0.jpg").string()}); },
         "",
         "The original image \"" + (folder / "slider0.jpg").string() +
             "\" of item 1 would be overwritten by a generated file. Rename or move the image"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(folder);
        test::WriteJpeg(dir / "noise.jpg", noisy);
        const fs::path project = Project("p.mvl", {(dir / "noise.jpg").string()});
        ASSERT_EQ(Publish(Quote(project.string())).status, 0);
        const std::string image = ReadBytes(folder / "slider0.jpg");
        ASSERT_GT(image.size(), 12u * 1024);
        row.arrange();
        const ToolRun run = Publish(Quote(project.string()), row.prefix);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find(row.message), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");  // nothing reported as published
        EXPECT_TRUE(ReadBytes(folder / "slider0.jpg") == image);
    }
}

// Every file of a folder with its bytes.
std::map<std::string, std::string> FolderContents(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files[entry.path().filename().string()] = ReadBytes(entry.path());
    return files;
}

class SharedCache : public MarivelPublish {
protected:
    SharedCache() {
        for (int k = 0; k < 6; ++k) {
            test::JpegRecipe recipe{
                .width = 900 + 150 * k, .height = 600 + 40 * k, .progressive = k % 3 == 2};
            recipe.pixel = [k](int x, int y) {
                return test::Rgb{(x * 3 + k * 50) % 256, (y * 5) % 256, (x ^ y) % 256};
            };
            test::WriteJpeg(dir / ("p" + std::to_string(k) + ".jpg"), recipe);
            sources.push_back((dir / ("p" + std::to_string(k) + ".jpg")).string());
        }
        project = Project("p.mvl", sources);
        // What a run without any cache publishes.
        WriteBytes(dir / "no-cache", "a file, not a folder");
        const ToolRun run = Publish(Quote(project.string()) + " --out reference", Cache(dir / "no-cache"));
        EXPECT_EQ(run.status, 0) << run.err;
        reference = FolderContents(dir / "reference");
    }
    static std::string Cache(const fs::path& home) { return "XDG_CACHE_HOME=" + Quote(home.string()) + " "; }
    std::vector<std::string> sources;
    fs::path project;
    std::map<std::string, std::string> reference;
};

TEST_F(SharedCache, TwoRunsAtOnceBothPublishWhatARunWithoutCachePublishes) {
    const std::string tool = Quote((program / "marivel-publish").string());
    const std::string env = Cache(dir / "cache");
    const std::string both = env + tool + " " + Quote(project.string()) + " --out a >/dev/null & pa=$!; " +
                             env + tool + " " + Quote(project.string()) +
                             " --out b >/dev/null & pb=$!; wait $pa && wait $pb";
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        // Rounds 0 and 2 start from an empty cache, 1 and 3 from a full one.
        if (round % 2 == 0) fs::remove_all(dir / "cache");
        fs::remove_all(dir / "a");
        fs::remove_all(dir / "b");
        ASSERT_EQ(std::system(("cd " + Quote(dir.path().string()) + " && { " + both + "; }").c_str()), 0);
        EXPECT_TRUE(FolderContents(dir / "a") == reference);
        EXPECT_TRUE(FolderContents(dir / "b") == reference);
    }
    int entries = 0, others = 0;
    for (const auto& entry : fs::directory_iterator(dir / "cache" / "Marivel" / "prepared-images"))
        ++(entry.path().extension() == ".entry" ? entries : others);
    EXPECT_EQ(entries, 6);
    EXPECT_EQ(others, 0);
}

TEST_F(SharedCache, ACacheThatCannotBeWrittenOrReadStillPublishes) {
    const bool root = ::geteuid() == 0;
    // As root, the tool runs as another user, for whom the test's folders are
    // open but the cache is not theirs.
    const std::string other = root ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    fs::permissions(dir.path(), fs::perms(0755));
    const fs::path cache = dir / "cache", folder = cache / "Marivel" / "prepared-images";
    auto filled = [&](fs::perms mode) {
        fs::remove_all(cache);
        ASSERT_EQ(Publish(Quote(project.string()) + " --out filled", Cache(cache)).status, 0);
        fs::permissions(folder, mode);
        if (!root) fs::permissions(cache / "Marivel", fs::perms(0555));
    };
    struct Row {
        const char* name;
        std::function<void()> arrange;
        std::string prefix;
    };
    const Row rows[] = {
        {"a file where the cache folder goes",
         [&] {
             fs::remove_all(cache);
             WriteBytes(cache, "not a folder");
         },
         ""},
        {"a cache that may be read but not written", [&] { filled(fs::perms(0755)); }, other},
        {"a cache that may be neither read nor written", [&] { filled(fs::perms(0700)); }, other},
        {"a cache folder that cannot be made",
         [&] {
             fs::remove_all(cache);
             fs::create_directory(cache, dir.path());
             fs::permissions(cache, fs::perms(0555));
         },
         other},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.arrange();
        for (int round = 0; round < 2; ++round) {
            fs::remove_all(dir / "site");
            fs::create_directory(dir / "site");
            fs::permissions(dir / "site", fs::perms(0777));
            const ToolRun run = Publish(Quote(project.string()) + " --out site", Cache(cache) + row.prefix);
            ASSERT_EQ(run.status, 0) << run.err;
            // The other user's home may hold no lock folder: that is said, once.
            const std::string notice = "marivel-publish: Saves into a folder cannot take turns: ";
            EXPECT_TRUE(run.err.empty() || (!row.prefix.empty() && run.err.rfind(notice, 0) == 0 &&
                                            std::count(run.err.begin(), run.err.end(), '\n') == 1))
                << run.err;
            EXPECT_TRUE(FolderContents(dir / "site") == reference);
        }
        fs::permissions(cache, fs::perms(0755));
        if (fs::is_directory(cache / "Marivel")) fs::permissions(cache / "Marivel", fs::perms(0755));
    }
}

TEST_F(MarivelPublish, HelpExplainsTheCommand) {
    const ToolRun run = Publish("--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Usage: marivel-publish PROJECT.mvl [--out FOLDER]"), std::string::npos);
}

}  // namespace
}  // namespace marivel

namespace marivel {
namespace {

TEST_F(MarivelPublish, PublishesInPlaceButNeverOverAnotherProjectsFilesOrForeverBehindAnotherSave) {
    enum class Before { Nothing, OtherProjectPublished, LockOnTheFolder, OwnSaveRunning, HugeReport };
    struct Row {
        const char* project;
        Before before;
        const char* options;
        int status;
        std::string err;    // what the error output holds
        std::string files;  // files of the project folder afterwards; "-" before those absent
    };
    const Row rows[] = {
        {"X.MVL", Before::Nothing, "", 0, "", "X.MVL X.html -X.mvl"},
        {"p.mvl", Before::OtherProjectPublished, "", 1,
         "would replace files of another project: \"q.mvl\" published tessaline.js, tessalinecfg.js, "
         "tessaline.css. Nothing was written",
         "q.html -p.html -p_PublishReport.txt"},
        {"p.mvl", Before::OtherProjectPublished, "--force", 0, "", "p.html q.html"},
        // Anyone who may read the folder can lock it: that holds nobody up.
        {"p.mvl", Before::LockOnTheFolder, "--wait 1", 0, "", "p.html"},
        {"p.mvl", Before::OwnSaveRunning, "--wait 1", 1,
         "did not finish within 1 seconds. Nothing was written", "-p.html"},
        // Another project's report, sparse and far too large to be one.
        {"p.mvl", Before::HugeReport, "", 1, "Publish report is 1.0 TiB; it may be at most 64.0 MiB",
         "-p.html"},
    };
    const fs::path folder = dir / "project";
    for (const Row& r : rows) {
        SCOPED_TRACE(r.project + std::string(" ") + r.options + " " +
                     std::to_string(static_cast<int>(r.before)));
        fs::remove_all(folder);
        const fs::path project = Project(r.project, {Photo("photo.jpg", 64, 48)});
        std::optional<SaveLock> own;
        int folderLock = -1;
        if (r.before == Before::OtherProjectPublished) {
            ASSERT_EQ(Publish(Quote(Project("q.mvl", {}).string())).status, 0);
        }
        if (r.before == Before::LockOnTheFolder) {
            folderLock = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
            ASSERT_EQ(::flock(folderLock, LOCK_EX), 0);
        }
        if (r.before == Before::OwnSaveRunning) own.emplace(folder, nullptr);
        if (r.before == Before::HugeReport) {
            Project("q.mvl", {});
            WriteBytes(folder / "q_PublishReport.txt", "x");
            fs::resize_file(folder / "q_PublishReport.txt", std::uintmax_t{1} << 40);
        }
        const auto started = std::chrono::steady_clock::now();
        const ToolRun run = Publish(Quote(project.string()) + " " + r.options, "timeout 60 ");
        if (folderLock >= 0) ::close(folderLock);
        EXPECT_EQ(run.status, r.status) << run.err;
        EXPECT_NE(run.err.find(r.err), std::string::npos) << run.err;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
        std::istringstream files(r.files);
        for (std::string name; files >> name;)
            EXPECT_EQ(fs::exists(folder / (name[0] == '-' ? name.substr(1) : name)), name[0] != '-') << name;
    }
}

// The quality choice stored by the editor rules a run; the options override
// it part by part, and wrong values are refused before anything is written.
TEST_F(MarivelPublish, QualityComesFromTheStoredChoiceUnlessAnOptionSaysOtherwise) {
    const fs::path project = Project("q.mvl", {Photo("a.jpg", 1000, 750)});
    const fs::path config = dir / "config";
    const std::string noSettings = "XDG_CONFIG_HOME=" + Quote((dir / "none").string()) + " ";
    const std::string settings = "XDG_CONFIG_HOME=" + Quote(config.string()) + " ";
    fs::create_directories(config / "Kelt" / "Marivel");
    WriteBytes(config / "Kelt" / "Marivel" / "HKEY_CURRENT_USER.ini",
               "[Software]\nKelt\\Marivel\\1.1\\Settings\\ImageResizeMode=dword:00000001\n"
               "Kelt\\Marivel\\1.1\\Settings\\ImageDensity=dword:00000002\n");
    ASSERT_EQ(Publish(Quote(project.string()) + " --out exact", noSettings).status, 0);
    const std::string exact = ReadBytes(dir / "exact" / "slider0.jpg");
    struct Row {
        std::string prefix, options;
        int status;
        bool smooth, doubled;
        std::string message;
    };
    const Row rows[] = {
        {settings, "", 0, true, true, ""},
        {settings, "--resize=exact", 0, false, true, ""},
        {settings, "--density 1", 0, true, false, ""},
        {noSettings, "--resize smooth --density=2", 0, true, true, ""},
        {noSettings, "--resize=fine", 2, false, false, "--resize takes exact or smooth, not \"fine\""},
        {noSettings, "--density=3", 2, false, false, "--density takes 1 or 2, not \"3\""},
        {noSettings, "--density", 2, false, false, "--density needs a value"},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.prefix + row.options);
        const std::string out = "site" + std::to_string(n++);
        const ToolRun run =
            Publish(Quote(project.string()) + " --out " + out + " " + row.options, row.prefix);
        EXPECT_EQ(run.status, row.status) << run.err;
        EXPECT_NE(run.err.find(row.message), std::string::npos) << run.err;
        if (row.status != 0) {
            EXPECT_FALSE(fs::exists(dir / out));
            continue;
        }
        EXPECT_EQ(ReadBytes(dir / out / "slider0.jpg") != exact, row.smooth);
        EXPECT_EQ(fs::exists(dir / out / "slider0@2x.jpg"), row.doubled);
        EXPECT_EQ(run.out.find("item 1: slider0.jpg 168 x 126 and slider0@2x.jpg\n") != std::string::npos,
                  row.doubled)
            << run.out;
    }
}

}  // namespace
}  // namespace marivel
