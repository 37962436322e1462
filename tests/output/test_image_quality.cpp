// The quality choice: smooth resizing and double-density copies, in every
// combination, through preparation, the configuration script, the report,
// the save and the cache; and the filter itself.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <string>
#include <vector>

#include "model/image_quality.h"
#include "output/generator_fixture.h"
#include "output/jpeg_prepare.h"
#include "output/smooth_resampler.h"
#include "support/scoped_env.h"

namespace marivel::test {
namespace {

namespace fs = std::filesystem;

const ImageQuality kExact1{ResizeMode::Exact, Density::Single};
const ImageQuality kExact2{ResizeMode::Exact, Density::Double};
const ImageQuality kSmooth1{ResizeMode::Smooth, Density::Single};
const ImageQuality kSmooth2{ResizeMode::Smooth, Density::Double};

std::string Name(const ImageQuality& q) {
    return ResizeModeName(q.resize) + " " + std::to_string(static_cast<int>(q.density)) + "x";
}

PreparedCopy Prepare(const fs::path& source, int width, const ImageQuality& quality) {
    const int fd = OpenSourceImage(source);
    PreparedCopy copy = PrepareSliderCopy(fd, source, width, quality);
    ::close(fd);
    return copy;
}

DecodedJpeg Decoded(const TempDir& dir, const std::string& bytes) {
    WriteBytes(dir / "decoded.jpg", bytes);
    return ReadJpeg(dir / "decoded.jpg");
}

class Quality : public GeneratorFixture {
protected:
    Quality() { fs::create_directory(cache); }
    fs::path cache = dir / "cache";
    ScopedEnv scopedCache{"XDG_CACHE_HOME", cache.c_str()};
};

// Every mode gives the copies it promises, names them in the script and the
// report and publishes them. The rows share a source where they can, so the
// cache must keep the choices apart (each row's first save decodes) and
// give each its own bytes again (its second save does not).
TEST_F(Quality, EachModeWritesItsCopiesAndNamesThemWhereTheyAreUsed) {
    struct Row {
        ImageQuality quality;
        int sourceWidth, sourceHeight;
        bool doubled;  // a copy at twice the size is expected
    };
    const Row rows[] = {
        {kExact1, 1000, 750, false}, {kSmooth1, 1000, 750, false}, {kExact2, 1000, 750, true},
        {kSmooth2, 1000, 750, true}, {kSmooth2, 300, 225, false},  // narrower than twice the width
        {kExact2, 336, 251, false},                                // 168 x 126 would need 252 rows
        {kSmooth2, 337, 253, true},  {kExact2, 336, 252, true},    // exactly twice
    };
    std::string exactBytes;
    int run = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(Name(row.quality) + " from " + std::to_string(row.sourceWidth));
        const std::string photo =
            "p" + std::to_string(row.sourceWidth) + "x" + std::to_string(row.sourceHeight) + ".jpg";
        if (!fs::exists(dir / photo)) Photo(photo, row.sourceWidth, row.sourceHeight);
        agent->Items.clear();
        tree.reset("Marivel");
        AddItem((dir / photo).string());
        agent->Quality = row.quality;
        const fs::path site = dir / ("site" + std::to_string(run++));
        fs::create_directory(site);
        agent->SaveAndPublish(site, "s.mvl", tree);
        EXPECT_EQ(agent->LastImagePass.fromCache, 0);

        const ScaledSize size = ComputeScaledSize(row.sourceWidth, row.sourceHeight, 168);
        const std::string sizes = std::to_string(size.width) + "," + std::to_string(size.height);
        const std::string script = ReadBytes(site / "tessalinecfg.js");
        const std::string report = ReadBytes(site / "s_PublishReport.txt");
        EXPECT_EQ(ReadJpeg(site / "slider0.jpg").height, size.height);
        EXPECT_EQ(fs::exists(site / "slider0@2x.jpg"), row.doubled);
        if (row.doubled) {
            const DecodedJpeg twice = ReadJpeg(site / "slider0@2x.jpg");
            EXPECT_EQ(twice.width, 2 * size.width);
            EXPECT_EQ(twice.height, 2 * size.height);
            EXPECT_NE(script.find("," + sizes + ",'slider0@2x.jpg']);"), std::string::npos) << script;
            EXPECT_NE(report.find("  slider0.jpg\r\n  slider0@2x.jpg\r\n\r\n"), std::string::npos) << report;
        } else {
            EXPECT_NE(script.find("," + sizes + "]);"), std::string::npos) << script;
            EXPECT_EQ(report.find("@2x"), std::string::npos) << report;
        }
        // Exact sampling at the slider width is the same beside a double copy;
        // smooth resizing gives other bytes.
        const std::string single = ReadBytes(site / "slider0.jpg");
        if (run == 1) exactBytes = single;
        if (row.sourceWidth == 1000) {
            EXPECT_EQ(single == exactBytes, row.quality.resize == ResizeMode::Exact);
        }

        const std::string twice = row.doubled ? ReadBytes(site / "slider0@2x.jpg") : "";
        agent->SaveAndPublish(site, "s.mvl", tree);
        EXPECT_EQ(agent->LastImagePass.fromCache, 1);
        EXPECT_TRUE(ReadBytes(site / "slider0.jpg") == single);
        EXPECT_TRUE(!row.doubled || ReadBytes(site / "slider0@2x.jpg") == twice);
    }
    EXPECT_EQ(QualityKeyText(kExact1), "");  // copies cached before the choice stay valid
}

TEST_F(Quality, AnItemWhosePhotoIsGoneKeepsItsCopyForDenseScreens) {
    const fs::path site = dir / "site";
    fs::create_directory(site);
    AddItem(Photo("first.jpg", 400, 300));
    AddItem(Photo("second.jpg", 400, 300));
    agent->Quality = kExact2;
    agent->SaveAndPublish(site, "s.mvl", tree);
    const std::string twice = ReadBytes(site / "slider1@2x.jpg");
    fs::remove(dir / "second.jpg");
    // Opened again: the project file names the kept image, not its copy.
    for (const bool reopened : {false, true}) {
        SCOPED_TRACE(reopened ? "opened again" : "as saved");
        if (reopened) {
            tree.reset("Marivel");
            ASSERT_EQ(agent->LoadProject(site / "s.mvl", tree), LoadResult::Loaded);
        }
        agent->SaveAndPublish(site, "s.mvl", tree);
        EXPECT_NE(ReadBytes(site / "tessalinecfg.js").find(",'slider1@2x.jpg']);"), std::string::npos);
        EXPECT_NE(ReadBytes(site / "s_PublishReport.txt").find("  slider1.jpg\r\n  slider1@2x.jpg\r\n"),
                  std::string::npos);
        EXPECT_EQ(ReadBytes(site / "slider1@2x.jpg"), twice);
    }
    // At single density no copy is named, kept or new.
    agent->Quality = kExact1;
    agent->SaveAndPublish(site, "s.mvl", tree);
    EXPECT_EQ(ReadBytes(site / "tessalinecfg.js").find("@2x"), std::string::npos);
}

// What a smooth copy is for: stripes finer than the copy's pixels come out
// as their average instead of aliasing into coarse bands, while plain areas
// keep their colour. Each copy is compared with the ideal (mean grey).
TEST_F(Quality, SmoothCopiesAverageFineDetailWhereExactOnesAlias) {
    JpegRecipe recipe{.width = 1000, .height = 750, .model = JpegModel::Colour444, .quality = 100};
    recipe.pixel = [](int x, int y) {
        if (y >= 375) return Rgb{40, 160, 220};
        const int v = (x / 2 + y / 3) % 2 ? 230 : 30;  // stripes 2 px wide, leaning
        return Rgb{v, v, v};
    };
    WriteJpeg(dir / "stripes.jpg", recipe);
    struct Row {
        ImageQuality quality;
        bool smooth;
    };
    for (const Row& row : {Row{kExact2, false}, Row{kSmooth2, true}}) {
        SCOPED_TRACE(Name(row.quality));
        const PreparedCopy copy = Prepare(dir / "stripes.jpg", 168, row.quality);
        for (const std::string* bytes : {&copy.jpeg, &copy.doubleJpeg}) {
            const DecodedJpeg out = Decoded(dir, *bytes);
            double error = 0;
            int samples = 0;
            for (int y = 6; y < out.height / 2 - 6; ++y)
                for (int x = 6; x < out.width - 6; ++x, ++samples) error += std::abs(out.at(x, y).g - 130);
            const double meanError = error / samples;
            if (row.smooth) {
                EXPECT_LT(meanError, 12) << out.width;
            } else {
                EXPECT_GT(meanError, 60) << out.width;
            }
            const Rgb plain = out.at(out.width / 2, out.height * 3 / 4);
            EXPECT_NEAR(plain.r, 40, 6);
            EXPECT_NEAR(plain.b, 220, 6);
        }
    }
}

Rgb UprightQuadrant(int u, int v, int w, int h) {
    const bool left = u < w / 2, top = v < h / 2;
    return left && top ? Rgb{220, 30, 30}
           : left      ? Rgb{30, 200, 30}
           : top       ? Rgb{30, 30, 220}
                       : Rgb{230, 230, 40};
}

// Where stored pixel (x, y) of a w x h file lands upright (Exif's meaning).
std::pair<int, int> Upright(int o, int x, int y, int w, int h) {
    const int mx = w - 1 - x, my = h - 1 - y;
    const std::pair<int, int> upright[] = {{x, y}, {x, y},  {mx, y},  {mx, my}, {x, my},
                                           {y, x}, {my, x}, {my, mx}, {y, mx}};
    return upright[o];
}

// Both copies of every mode stand upright whatever the camera wrote, in the
// colour models a camera or an editor writes.
TEST_F(Quality, EveryCopyStandsUprightInEveryMode) {
    const JpegModel models[] = {JpegModel::Colour, JpegModel::Gray, JpegModel::AdobeCmyk};
    for (const ImageQuality& q : {kExact2, kSmooth2, kSmooth1}) {
        for (int o = 1; o <= 8; ++o) {
            const JpegModel model = models[o % 3];
            SCOPED_TRACE(Name(q) + ", orientation " + std::to_string(o));
            const bool swaps = o >= 5;
            const int w = swaps ? 600 : 800, h = swaps ? 800 : 600;  // upright 800 x 600
            JpegRecipe recipe{.width = w, .height = h, .model = model, .quality = 95};
            recipe.orientation = o;
            recipe.pixel = [o, w, h](int x, int y) {
                const auto [u, v] = Upright(o, x, y, w, h);
                return UprightQuadrant(u, v, 800, 600);
            };
            WriteJpeg(dir / "turned.jpg", recipe);
            const PreparedCopy copy = Prepare(dir / "turned.jpg", 200, q);
            EXPECT_EQ(copy.image.size, (ScaledSize{200, 150}));
            EXPECT_EQ(copy.doubleJpeg.empty(), q.density == Density::Single);
            for (const std::string* bytes : {&copy.jpeg, &copy.doubleJpeg}) {
                if (bytes->empty()) continue;
                const DecodedJpeg out = Decoded(dir, *bytes);
                ASSERT_EQ(out.width * 150, out.height * 200);
                for (const auto& [fu, fv] :
                     {std::pair{0.25, 0.25}, {0.75, 0.25}, {0.25, 0.75}, {0.75, 0.75}}) {
                    Rgb want =
                        UprightQuadrant(static_cast<int>(fu * 800), static_cast<int>(fv * 600), 800, 600);
                    if (model == JpegModel::Gray) want = {want.g, want.g, want.g};
                    const Rgb got =
                        out.at(static_cast<int>(fu * out.width), static_cast<int>(fv * out.height));
                    EXPECT_NEAR(got.r, want.r, 24) << fu << "," << fv;
                    EXPECT_NEAR(got.g, want.g, 24) << fu << "," << fv;
                    EXPECT_NEAR(got.b, want.b, 24) << fu << "," << fv;
                }
            }
        }
    }
}

// The filter on its own: any size to any size, every output row once, in
// order, and a plain picture stays exactly plain (the weights sum to one,
// also at the edges and when enlarging).
TEST(SmoothResampler, GivesEveryRowOnceAndKeepsPlainColoursExact) {
    struct Row {
        int inWidth, inHeight, outWidth, outHeight;
    };
    const Row rows[] = {{1000, 750, 168, 126}, {336, 252, 168, 126}, {100, 80, 168, 134}, {7, 5, 1, 1},
                        {1, 1, 3, 2},          {5000, 10, 168, 1},   {169, 127, 168, 126}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.inWidth) + "x" + std::to_string(row.inHeight) + " to " +
                     std::to_string(row.outWidth) + "x" + std::to_string(row.outHeight));
        SmoothResampler scaler(row.inWidth, row.inHeight, row.outWidth, row.outHeight);
        std::vector<std::uint8_t> plain(static_cast<std::size_t>(row.inWidth) * 3);
        for (std::size_t k = 0; k < plain.size(); ++k)
            plain[k] = static_cast<std::uint8_t>(k % 3 == 0 ? 17 : 200);
        int wrong = 0;
        for (int y = 0; y < row.inHeight; ++y) {
            scaler.addRow(plain.data());
            while (scaler.rowReady()) {
                const std::uint8_t* out = scaler.takeRow();
                for (int x = 0; x < row.outWidth; ++x)
                    wrong += out[3 * x] != 17 || out[3 * x + 1] != 200 || out[3 * x + 2] != 200;
            }
        }
        EXPECT_EQ(scaler.rowsOut(), row.outHeight);
        EXPECT_FALSE(scaler.rowReady());
        EXPECT_EQ(wrong, 0);
    }
}

}  // namespace
}  // namespace marivel::test
