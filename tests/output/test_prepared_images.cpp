// The image pass on all cores and its cache of prepared copies, driven
// through the generator as a save drives it.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "generator_fixture.h"
#include "model/error.h"
#include "output/image_preparer.h"
#include "output/jpeg_prepare.h"
#include "output/prepared_cache.h"
#include "support/scoped_env.h"

namespace marivel {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

// Every file of a folder with its bytes, temporary files included.
std::map<std::string, std::string> Contents(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file()) files[entry.path().filename().string()] = ReadBytes(entry.path());
    return files;
}

class PreparedImages : public test::GeneratorFixture {
protected:
    PreparedImages() { fs::create_directory(site); }

    // Photos with content that differs per pixel and per photo, so a copy
    // of the wrong photo or a wrong sampling shows in the bytes.
    std::string Picture(const std::string& name, int w, int h, int seed,
                        test::JpegModel model = test::JpegModel::Colour, bool progressive = false) {
        test::JpegRecipe recipe{.width = w, .height = h, .model = model, .progressive = progressive};
        recipe.pixel = [seed](int x, int y) {
            return test::Rgb{(x * 7 + seed * 40) % 256, (y * 5 + x * y % 13) % 256, (seed * 90 + y) % 256};
        };
        test::WriteJpeg(dir / name, recipe);
        return (dir / name).string();
    }

    void Save() { agent->SaveAndPublish(site, "p.mvl", tree); }
    std::map<std::string, std::string> Published() { return Contents(site); }
    fs::path CacheFolder() const { return cacheHome / "Marivel" / "prepared-images"; }
    std::vector<fs::path> Entries() const {
        std::vector<fs::path> entries;
        if (fs::is_directory(CacheFolder()))
            for (const auto& entry : fs::directory_iterator(CacheFolder())) entries.push_back(entry.path());
        return entries;
    }

    fs::path cacheHome = dir / "cache";
    // The user's cache folder, for the test's lifetime.
    test::ScopedEnv scopedCache{"XDG_CACHE_HOME", cacheHome.c_str()};
    fs::path site = dir / "site";
};

TEST_F(PreparedImages, ASecondSaveDecodesNothingAndGivesTheSameBytes) {
    for (int k = 0; k < 5; ++k) AddItem(Picture("p" + std::to_string(k) + ".jpg", 400 + 37 * k, 300, k));
    AddItem((dir / "missing.jpg").string());
    Save();
    EXPECT_EQ(agent->LastImagePass.decoded, 5);
    EXPECT_EQ(agent->LastImagePass.fromCache, 0);
    EXPECT_EQ(Entries().size(), 5U);
    const auto first = Published();
    const auto model = agent->Items;
    const auto applet = agent->AppletData;

    // A fresh editor: nothing in memory, only the cache on disk.
    agent = std::make_unique<PublishingAgent>(program, &display);
    agent->ResetProject();
    agent->AppletData = applet;
    agent->Items = model;
    Save();
    EXPECT_EQ(agent->LastImagePass.decoded, 0);
    EXPECT_EQ(agent->LastImagePass.fromCache, 5);
    EXPECT_TRUE(Published() == first);
    for (std::size_t k = 0; k < model.size(); ++k) {
        EXPECT_EQ(agent->Items[k].ImageWidth, model[k].ImageWidth);
        EXPECT_EQ(agent->Items[k].ImageHeight, model[k].ImageHeight);
    }
    // Byte for byte what a preparation without any cache gives.
    for (int k = 0; k < 5; ++k) {
        PrepareSliderImage(dir / ("p" + std::to_string(k) + ".jpg"), dir / "fresh.jpg", 168);
        EXPECT_TRUE(ReadBytes(dir / "fresh.jpg") == first.at("slider" + std::to_string(k) + ".jpg")) << k;
    }
}

TEST_F(PreparedImages, OnlyWhatChangedIsPreparedAgain) {
    std::vector<std::string> photos;
    for (int k = 0; k < 4; ++k) photos.push_back(Picture("p" + std::to_string(k) + ".jpg", 500, 375 + k, k));
    for (const auto& photo : photos) AddItem(photo);
    Save();
    ASSERT_EQ(agent->LastImagePass.decoded, 4);

    struct Row {
        const char* name;
        std::function<void()> change;
        int decoded;
        std::function<void()> check;
    };
    const Row rows[] = {
        {"one photo touched",
         [&] { fs::last_write_time(photos[2], fs::last_write_time(photos[2]) + std::chrono::seconds(5)); },
         1,
         {}},
        {"one photo replaced by another picture of its size", [&] { Picture("p1.jpg", 500, 376, 9); }, 1,
         [&] {
             PrepareSliderImage(photos[1], dir / "fresh.jpg", 168);
             EXPECT_TRUE(ReadBytes(site / "slider1.jpg") == ReadBytes(dir / "fresh.jpg"));
         }},
        {"the slider width", [&] { agent->AppletData.Width = "200"; }, 4,
         [&] { EXPECT_EQ(agent->Items[0].ImageWidth, "200"); }},
        {"the width back again: the old copies are still kept", [&] { agent->AppletData.Width = "168"; }, 0,
         [&] { EXPECT_EQ(agent->Items[0].ImageWidth, "168"); }},
        {"an item pointing at another photo", [&] { agent->Items[3].OriginalImagePath = photos[0]; }, 0,
         [&] { EXPECT_TRUE(ReadBytes(site / "slider3.jpg") == ReadBytes(site / "slider0.jpg")); }},
        {"nothing", [] {}, 0, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.change();
        Save();
        EXPECT_EQ(agent->LastImagePass.decoded, row.decoded);
        EXPECT_EQ(agent->LastImagePass.fromCache, 4 - row.decoded);
        if (row.check) row.check();
    }
}

// Each progressive photo buffers more than the whole budget, so they take
// turns; a decoder that kept its reservation would make the others wait for
// ever. Bounded in time, so such a fault fails instead of hanging.
TEST_F(PreparedImages, PhotosOverTheMemoryBudgetTakeTurnsAndAShareIsPreparedOnce) {
    std::vector<std::string> sources;
    for (int k = 0; k < 4; ++k)
        sources.push_back(
            Picture("p" + std::to_string(k) + ".jpg", 640, 400 + k, k, test::JpegModel::Colour, true));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    const auto inTime = [&] {
        if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("the preparation hangs");
    };
    {
        ImagePreparer preparer(sources, 168, nullptr, 3, {}, 1024);  // less than any one decoder needs
        for (std::size_t i = 0; i < sources.size(); ++i)
            EXPECT_EQ(preparer.take(i, inTime).image.size.width, 168);
        EXPECT_EQ(preparer.decoded(), 4);
        EXPECT_GT(preparer.peakDecoderMemory(), 500000U);  // about 0.9 MB each, one at a time
        EXPECT_LT(preparer.peakDecoderMemory(), 1500000U);
    }
    // Four items on two photos: each photo is prepared once, every item
    // gets the copy.
    ImagePreparer shared({sources[0], sources[1], sources[0], sources[0]}, 168, nullptr, 2);
    std::vector<std::string> copies;
    for (std::size_t i = 0; i < 4; ++i) copies.push_back(shared.take(i, inTime).jpeg);
    EXPECT_EQ(shared.prepared(), 2);
    EXPECT_EQ(shared.decoded(), 4);
    EXPECT_TRUE(copies[0] == copies[2] && copies[0] == copies[3]);
    EXPECT_FALSE(copies[0] == copies[1]);
}

TEST_F(PreparedImages, ADamagedEntryIsPreparedAgainNeverUsed) {
    const std::string photo = Picture("photo.jpg", 640, 480, 3);
    AddItem(photo);
    Save();
    const std::string good = ReadBytes(site / "slider0.jpg");
    ASSERT_EQ(Entries().size(), 1U);
    const fs::path entry = Entries().front();
    const std::string whole = ReadBytes(entry);
    const std::size_t jpegAt = whole.size() - 8 - good.size();
    ASSERT_EQ(whole.substr(jpegAt, good.size()), good);

    auto flip = [&](std::size_t at) {
        std::string bytes = whole;
        bytes[at] = static_cast<char>(bytes[at] ^ 0x20);
        return bytes;
    };
    struct Row {
        const char* name;
        std::string bytes;
    };
    const Row rows[] = {
        {"cut short", whole.substr(0, whole.size() / 2)},
        {"cut by its last byte", whole.substr(0, whole.size() - 1)},
        {"empty", ""},
        {"a byte of the picture changed", flip(jpegAt + good.size() / 2)},
        {"a byte of the key changed", flip(40 + 3)},
        {"the prepared size changed", flip(32)},
        {"its hash changed", flip(whole.size() - 1)},
        {"another layout", flip(7)},
        {"bytes added", whole + "x"},
        {"lengths that add up to more than the file",
         [&] {
             std::string bytes = whole;
             bytes[19] = '\x7f';
             return bytes;
         }()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WriteBytes(entry, row.bytes);
        Save();
        EXPECT_EQ(agent->LastImagePass.decoded, 1);
        EXPECT_TRUE(ReadBytes(site / "slider0.jpg") == good);
        EXPECT_TRUE(ReadBytes(entry) == whole);  // replaced by a whole one
    }
}

TEST_F(PreparedImages, ACacheThatCannotBeUsedOnlyCostsTime) {
    const std::string photo = Picture("photo.jpg", 640, 480, 1);
    AddItem(photo);
    Save();
    const auto reference = Published();
    struct Row {
        const char* name;
        std::function<void()> arrange;
    };
    const Row rows[] = {
        {"a file where the cache folder goes",
         [&] {
             fs::remove_all(cacheHome);
             WriteBytes(cacheHome, "not a folder");
         }},
        {"a file where the cache's own folder goes",
         [&] {
             fs::remove_all(cacheHome);
             fs::create_directories(cacheHome / "Marivel");
             WriteBytes(cacheHome / "Marivel" / "prepared-images", "not a folder");
         }},
        {"a folder where the entry goes",
         [&] {
             fs::remove_all(cacheHome);
             Save();
             const fs::path entry = Entries().front();
             fs::remove(entry);
             fs::create_directory(entry);
             WriteBytes(entry / "inside", "x");
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.arrange();
        fs::remove_all(site);
        fs::create_directory(site);
        for (int round = 0; round < 2; ++round) {
            ASSERT_NO_THROW(Save());
            EXPECT_EQ(agent->LastImagePass.decoded, 1);
            EXPECT_TRUE(Published() == reference);
        }
    }
}

// The bottom line while images are prepared.
TEST_F(PreparedImages, TheBottomLineCountsTheImages) {
    for (int k = 0; k < 3; ++k) AddItem(Picture("p" + std::to_string(k) + ".jpg", 200, 150, k));
    agent->MakeHTMLCodes(dir / "page.html", tree);
    EXPECT_EQ(display.events,
              (std::vector<std::string>{
                  "hint:Making HTML Codes ... ...", "busy", "max:3", "hint:Preparing images ... 1 of 3",
                  "hint:Preparing images ... 2 of 3", "hint:Preparing images ... 3 of 3", "reset",
                  "hint:Making HTML Codes ... ...", "hint:", "idle"}));
    EXPECT_EQ(display.stepsTotal, 3);
    EXPECT_EQ(display.stepCalls, 3);
}

// A project whose third of five images is broken: whatever the number of
// workers and whichever images are still in the cache, the run ends with
// the third image's error and leaves the model as a pass one image after
// another leaves it.
TEST_F(PreparedImages, AFailingImageEndsTheRunWhereAPassInOrderWould) {
    std::vector<std::string> sources;
    // Slow images before the broken one, quick ones after it: the workers
    // are far ahead when the failure is known.
    sources.push_back(Picture("a.jpg", 2400, 1800, 1));
    sources.push_back(Picture("b.jpg", 2000, 1500, 2, test::JpegModel::Colour, true));
    WriteBytes(dir / "broken.jpg", "no picture here");
    sources.push_back((dir / "broken.jpg").string());
    sources.push_back(Picture("d.jpg", 40, 30, 4));
    sources.push_back(Picture("e.jpg", 40, 30, 5));
    std::string expected;
    try {
        PrepareSliderImage(dir / "broken.jpg", dir / "out.jpg", 168);
    } catch (const Error& e) {
        expected = e.what();
    }
    ASSERT_NE(expected.find("broken.jpg"), std::string::npos);

    for (const bool warm : {false, true}) {
        SCOPED_TRACE(warm ? "copies in the cache" : "empty cache");
        if (!warm) fs::remove_all(cacheHome);
        agent->Items.clear();
        agent->PreviewFiles.clear();
        fs::remove_all(agent->PreviewFolder());
        tree.reset("Marivel");
        for (const auto& source : sources) AddItem(source);
        for (int k = 0; k < 5; ++k) {
            agent->Items[static_cast<std::size_t>(k)].ImageFile = "old" + std::to_string(k) + ".jpg";
            agent->Items[static_cast<std::size_t>(k)].ImageWidth = "7";
            agent->Items[static_cast<std::size_t>(k)].ImageHeight = "9";
        }
        try {
            agent->MakeHTMLCodes(dir / "page.html", tree);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(e.what(), expected);
        }
        EXPECT_EQ(agent->Items[0].ImageFile, "slider0.jpg");
        EXPECT_EQ(agent->Items[0].ImageHeight, "126");
        EXPECT_EQ(agent->Items[1].ImageFile, "slider1.jpg");
        for (int k = 2; k < 5; ++k) {
            const SliderItem& item = agent->Items[static_cast<std::size_t>(k)];
            EXPECT_EQ(item.ImageFile + " " + item.ImageWidth + " " + item.ImageHeight,
                      "old" + std::to_string(k) + ".jpg 7 9");
        }
        EXPECT_EQ((std::vector<std::string>{tree.caption(1), tree.caption(2), tree.caption(3),
                                            tree.caption(4), tree.caption(5)}),
                  (std::vector<std::string>{"Item", "Item", "Item", "Image", "Image"}));
        // The preview holds the two finished images, whole, and nothing else.
        EXPECT_EQ(agent->PreviewFiles, (std::vector<std::string>{"slider0.jpg", "slider1.jpg"}));
        const auto preview = Contents(agent->PreviewFolder());
        EXPECT_EQ(preview.size(), 2U);
        EXPECT_EQ(test::ReadJpeg(agent->PreviewFolder() / "slider1.jpg").height, 126);
        EXPECT_FALSE(fs::exists(dir / "page.html"));
        EXPECT_EQ(display.hint, "");
        EXPECT_EQ(display.position, 0);
        EXPECT_FALSE(display.busy);
    }
}

// The same order of results and the same first failure from any number of
// workers, with failures spread over the list.
TEST(ImagePreparerOrder, ResultsAndTheFirstFailureDoNotDependOnTheWorkers) {
    test::TempDir dir;
    std::vector<std::string> sources;
    std::vector<bool> broken;
    for (int k = 0; k < 9; ++k) {
        const std::string path = (dir / ("s" + std::to_string(k) + ".jpg")).string();
        const bool bad = k == 4 || k == 7;
        if (bad) {
            WriteBytes(path, "broken " + std::to_string(k));
        } else {
            test::JpegRecipe recipe{.width = 300 + 100 * (k % 3), .height = 100 + 10 * k};
            recipe.pixel = [k](int x, int y) { return test::Rgb{(x + k) % 256, y % 256, 40 * k % 256}; };
            test::WriteJpeg(path, recipe);
        }
        sources.push_back(path);
        broken.push_back(bad);
    }
    for (unsigned workers : {1U, 2U, 3U, 8U, 0U}) {
        SCOPED_TRACE(workers);
        ImagePreparer preparer(sources, 168, nullptr, workers);
        for (std::size_t k = 0; k < sources.size(); ++k) {
            if (!broken[k]) {
                const PreparedCopy copy = preparer.take(k);
                EXPECT_EQ(copy.image.size.height,
                          ComputeScaledSize(copy.image.sourceWidth, copy.image.sourceHeight, 168).height);
                PrepareSliderImage(sources[k], dir / "fresh.jpg", 168);
                EXPECT_TRUE(copy.jpeg == ReadBytes(dir / "fresh.jpg")) << k;
                continue;
            }
            try {
                preparer.take(k);
                ADD_FAILURE() << "no error for " << k;
            } catch (const Error& e) {
                EXPECT_NE(std::string(e.what()).find("s4.jpg"), std::string::npos) << e.what();
            }
            break;  // the caller stops at its first failure
        }
    }
}

}  // namespace
}  // namespace marivel
