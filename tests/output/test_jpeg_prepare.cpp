#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <iterator>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "model/error.h"
#include "output/exif_orientation.h"
#include "output/jpeg_prepare.h"
#include "output/jpeg_probe.h"
#include "support/outcome_within.h"
#include "support/temp_dir.h"
#include "support/test_jpeg.h"

namespace marivel {
namespace {

namespace fs = std::filesystem;
using test::JpegModel;
using test::JpegRecipe;
using test::Rgb;

struct SizeRow {
    int w, h, slider;
    ScaledSize expected;
};

TEST(ScaledSize, FollowsTheFloatFactorAndRoundsHalvesToEven) {
    const SizeRow rows[] = {
        {1000, 750, 168, {168, 126}},
        {800, 533, 168, {168, 112}},
        {1024, 768, 160, {160, 120}},
        {100, 75, 168, {168, 126}},  // narrower than the slider: enlarged
        {2, 5, 1, {1, 2}},           // 2.5 -> 2
        {2, 7, 1, {1, 4}},           // 3.5 -> 4
        {2, 3, 1, {1, 2}},           // 1.5 -> 2
        {5000, 10, 168, {168, 1}},   // 0.336 would be no row at all
        {2, 1, 1, {1, 1}},           // 0.5 -> 0 -> 1
    };
    for (const auto& r : rows)
        EXPECT_EQ(ComputeScaledSize(r.w, r.h, r.slider), r.expected)
            << r.w << "x" << r.h << " at " << r.slider;
}

TEST(ScaledSize, RefusesWidthsThatCannotScale) {
    EXPECT_THROW(ComputeScaledSize(100, 100, 0), Error);
    EXPECT_THROW(ComputeScaledSize(100, 100, -3), Error);
    EXPECT_THROW(ComputeScaledSize(1, 100, 9999), Error);  // 999900 rows
}

class Prepare : public ::testing::Test {
protected:
    fs::path Source(const JpegRecipe& recipe, const std::string& name = "source.jpg") {
        test::WriteJpeg(dir / name, recipe);
        return dir / name;
    }
    test::DecodedJpeg Run(const fs::path& source, int width) {
        last = PrepareSliderImage(source, dir / "out.jpg", width);
        return test::ReadJpeg(dir / "out.jpg");
    }
    test::TempDir dir;
    PreparedImage last;
};

int Luma(const Rgb& p) {
    return (p.r + p.g + p.b) / 3;
}

TEST_F(Prepare, SamplesTheNearestPixelWithoutSmoothing) {
    // Alternating black and white columns (and rows): a smoothing scaler
    // gives grey, nearest-neighbour at the pixel centres takes the odd ones.
    JpegRecipe columns{.width = 16, .height = 16, .model = JpegModel::Gray, .quality = 100};
    columns.pixel = [](int x, int) { return x % 2 ? Rgb{255, 255, 255} : Rgb{0, 0, 0}; };
    const auto halfColumns = Run(Source(columns), 8);
    ASSERT_EQ(halfColumns.width, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_GT(Luma(halfColumns.at(x, y)), 230) << x << "," << y;

    JpegRecipe rows = columns;
    rows.pixel = [](int, int y) { return y % 2 ? Rgb{255, 255, 255} : Rgb{0, 0, 0}; };
    const auto halfRows = Run(Source(rows), 8);
    for (int y = 0; y < 8; ++y) EXPECT_GT(Luma(halfRows.at(3, y)), 230) << y;

    // Enlarged four times: every source column becomes four equal columns.
    JpegRecipe blocks{.width = 16, .height = 16, .model = JpegModel::Gray, .quality = 100};
    blocks.pixel = [](int x, int) { return x < 8 ? Rgb{0, 0, 0} : Rgb{255, 255, 255}; };
    const auto big = Run(Source(blocks), 64);
    ASSERT_EQ(big.width, 64);
    ASSERT_EQ(big.height, 64);
    EXPECT_LT(Luma(big.at(28, 10)), 40);
    EXPECT_GT(Luma(big.at(35, 10)), 215);
}

// 64-pixel cells, each its own colour: after scaling to a quarter every
// output pixel well inside a cell must show that cell's colour, which
// catches wrong rows (skipping), wrong columns and wrong colour conversion.
Rgb CellColour(int x, int y) {
    const int cx = x / 64, cy = y / 64;
    return Rgb{40 + cx * 12, 230 - cy * 16, (cx * 5 + cy * 7) % 8 * 30};
}

struct ModelRow {
    JpegModel model;
    bool progressive;
    const char* name;
};

TEST_F(Prepare, EveryColourModelComesOutAsCorrectRgb) {
    const ModelRow rows[] = {
        {JpegModel::Colour, false, "colour 4:2:0"},        {JpegModel::Colour, true, "progressive 4:2:0"},
        {JpegModel::Colour444, false, "colour 4:4:4"},     {JpegModel::Colour422, false, "colour 4:2:2"},
        {JpegModel::Colour440, true, "progressive 4:4:0"}, {JpegModel::Gray, false, "grayscale"},
        {JpegModel::Gray, true, "progressive grayscale"},  {JpegModel::AdobeCmyk, false, "Adobe CMYK"},
        {JpegModel::PlainCmyk, false, "plain CMYK"},       {JpegModel::Ycck, false, "YCCK"},
        {JpegModel::Ycck, true, "progressive YCCK"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        JpegRecipe recipe{.width = 1024, .height = 768, .model = row.model, .progressive = row.progressive};
        recipe.pixel = CellColour;
        const auto out = Run(Source(recipe), 256);
        ASSERT_EQ(out.width, 256);
        ASSERT_EQ(out.height, 192);
        EXPECT_EQ(out.components, 3);
        EXPECT_FALSE(out.progressive);
        EXPECT_EQ(last.sourceWidth, 1024);
        EXPECT_TRUE(last.warning.empty()) << last.warning;
        int checked = 0, wrong = 0;
        for (int y = 0; y < out.height; ++y) {
            for (int x = 0; x < out.width; ++x) {
                if (x % 16 < 4 || x % 16 > 11 || y % 16 < 4 || y % 16 > 11) continue;  // near a cell edge
                const int sx = (2 * x + 1) * 1024 / 512, sy = (2 * y + 1) * 768 / 384;
                Rgb want = CellColour(sx, sy);
                if (row.model == JpegModel::Gray) want = {want.g, want.g, want.g};
                const Rgb got = out.at(x, y);
                ++checked;
                if (std::abs(got.r - want.r) > 14 || std::abs(got.g - want.g) > 14 ||
                    std::abs(got.b - want.b) > 14)
                    ++wrong;
            }
        }
        EXPECT_GT(checked, 10000);
        EXPECT_EQ(wrong, 0);
    }
}

std::string Bytes(const fs::path& path) {
    return test::ReadBytes(path);
}

// Offset of the first start-of-frame marker (baseline or progressive).
std::size_t FrameHeader(const std::string& jpeg) {
    for (std::size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (static_cast<unsigned char>(jpeg[i]) == 0xFF && (static_cast<unsigned char>(jpeg[i + 1]) == 0xC0 ||
                                                            static_cast<unsigned char>(jpeg[i + 1]) == 0xC2))
            return i;
    return std::string::npos;
}

std::string WithSize(std::string jpeg, int w, int h) {
    const std::size_t sof = FrameHeader(jpeg);
    jpeg[sof + 5] = static_cast<char>(h >> 8);
    jpeg[sof + 6] = static_cast<char>(h & 0xFF);
    jpeg[sof + 7] = static_cast<char>(w >> 8);
    jpeg[sof + 8] = static_cast<char>(w & 0xFF);
    return jpeg;
}

TEST_F(Prepare, UndecodableFilesFailWithTheFileAndTheReason) {
    JpegRecipe photo{.width = 320, .height = 240};
    photo.pixel = CellColour;
    const std::string good = Bytes(Source(photo, "good.jpg"));
    JpegRecipe progressive = photo;
    progressive.progressive = true;
    const std::string goodProgressive = Bytes(Source(progressive, "progressive.jpg"));
    JpegRecipe scans = photo;
    scans.manyScans = true;
    const std::string manyScans = Bytes(Source(scans, "scans.jpg"));
    std::string lossless = good;
    lossless[FrameHeader(good) + 1] = static_cast<char>(0xC3);

    const std::pair<std::string, std::string> rows[] = {
        {"This is a text file, not a picture.", "Not a JPEG file"},
        {"", "Empty input file"},
        {good.substr(0, 700), "the file ends early"},
        // The same cut, closed by an end marker as some tools close it.
        {good.substr(0, 700) + "\xFF\xD9", "the file ends early"},
        {lossless, "Unsupported JPEG process"},
        {WithSize(good, 65500, 65500), "65500 x 65500 pixels"},
        {manyScans, "more than 100 progressive scans"},
        {WithSize(goodProgressive, 15000, 15000), "more than 256 MiB of memory"},
    };
    for (const auto& [bytes, reason] : rows) {
        SCOPED_TRACE(reason);
        test::WriteBytes(dir / "bad.jpg", bytes);
        try {
            PrepareSliderImage(dir / "bad.jpg", dir / "out.jpg", 168);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find("\"" + (dir / "bad.jpg").string() + "\""), std::string::npos) << message;
            EXPECT_NE(message.find(reason), std::string::npos) << message;
        }
        EXPECT_FALSE(fs::exists(dir / "out.jpg"));
    }
    EXPECT_THROW(PrepareSliderImage(dir / "missing.jpg", dir / "out.jpg", 168), Error);
    EXPECT_THROW(PrepareSliderImage(dir / "good.jpg", dir / "no" / "out.jpg", 168), Error);
}

// A FIFO dropped on the tree (or behind a link in a dropped folder), or put
// in a photo's place while a publish runs, is refused at once by every
// reader of pictures: none waits for a writer, nor reads a device for good.
TEST_F(Prepare, APictureThatIsNoFileIsRefusedAtOnce) {
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    const std::function<void(const fs::path&)> readers[] = {
        [&](const fs::path& p) { PrepareSliderImage(p, dir / "out.jpg", 168); },  // publishing
        [](const fs::path& p) { ReadJpegHeader(p); },                             // the editor
        [](const fs::path& p) { DecodeReducedJpeg(p, 64, 64); },                  // thumbnails
    };
    for (const char* target : {"", "fifo", "/dev/zero"}) {
        const fs::path picture = *target ? dir / "link.jpg" : dir / "fifo";
        if (*target) fs::create_symlink(target, picture);
        for (std::size_t k = 0; k < std::size(readers); ++k) {
            SCOPED_TRACE(picture.string() + " -> " + target + ", reader " + std::to_string(k));
            const auto outcome = test::OutcomeWithin(20, [&] { return readers[k](picture), std::string(); });
            ASSERT_TRUE(outcome) << "still reading after 20 s";
            EXPECT_NE(outcome->find("\"" + picture.string() + "\": It is not a regular file"),
                      std::string::npos)
                << *outcome;
        }
        fs::remove(dir / "link.jpg");
    }
    EXPECT_FALSE(fs::exists(dir / "out.jpg"));
}

TEST_F(Prepare, SlightlyTruncatedPhotoStillGivesACopy) {
    JpegRecipe photo{.width = 320, .height = 240};
    photo.pixel = CellColour;
    const std::string good = Bytes(Source(photo, "good.jpg"));
    const std::string cut = good.substr(0, good.size() * 9 / 10);
    for (const std::string& bytes : {cut, cut + "\xFF\xD9"}) {
        SCOPED_TRACE(bytes.size());
        test::WriteBytes(dir / "cut.jpg", bytes);
        const auto out = Run(dir / "cut.jpg", 160);
        EXPECT_EQ(out.width, 160);
        EXPECT_EQ(out.height, 120);
        EXPECT_NE(last.warning, "");
        // The top of the picture is intact.
        const Rgb got = out.at(8, 8), want = CellColour(17, 17);
        EXPECT_NEAR(got.r, want.r, 14);
        EXPECT_NEAR(got.g, want.g, 14);
    }
}

TEST_F(Prepare, UprightPhotosComeOutByteForByteAsTheShippedSample) {
    // The sample project ships the copies an earlier version prepared from
    // its photos; stored projects depend on preparation staying exactly so.
    const fs::path samples = fs::path(MARIVEL_PROGRAM_DIR) / "samples";
    const std::pair<const char*, const char*> rows[] = {
        {"dawn.jpg", "slider0.jpg"},
        {"meadow.jpg", "slider1.jpg"},
        {"coast.jpg", "slider2.jpg"},
        {"canyon.jpg", "slider3.jpg"},
    };
    for (const auto& [photo, prepared] : rows) {
        PrepareSliderImage(samples / "images" / photo, dir / "out.jpg", 168);
        EXPECT_TRUE(Bytes(dir / "out.jpg") == Bytes(samples / prepared)) << photo;
    }
}

// Fixed copies made from fixed photos and kept in the repository: any
// change to sampling, encoder settings, colour handling or turning shows.
TEST_F(Prepare, GivesTheReferenceCopiesByteForByte) {
    const fs::path reference = MARIVEL_REFERENCE_DIR;
    struct Row {
        const char* photo;
        ScaledSize size;
        Orientation orientation;
    };
    const Row rows[] = {
        {"plain", {48, 36}, Orientation::Upright}, {"progressive", {48, 32}, Orientation::Upright},
        {"turned", {48, 64}, Orientation::Turn90}, {"cmyk", {48, 36}, Orientation::Upright},
        {"gray", {48, 48}, Orientation::Upright},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.photo);
        const PreparedImage image =
            PrepareSliderImage(reference / (std::string(row.photo) + ".jpg"), dir / "out.jpg", 48);
        EXPECT_EQ(image.size, row.size);
        EXPECT_EQ(image.orientation, row.orientation);
        const std::string expected = Bytes(reference / (std::string(row.photo) + "-at-48.jpg"));
        ASSERT_GT(expected.size(), 1000U);
        EXPECT_TRUE(Bytes(dir / "out.jpg") == expected);
    }
}

// A picture of 4 x 3 cells, each its own colour, as it stands upright.
Rgb UprightCell(int u, int v) {
    return Rgb{(u / 64) * 80, (v / 64) * 100, 128};
}

// Where stored pixel (x, y) of a w x h file lands in the upright picture,
// straight from what each orientation value says of the file's first row
// and first column.
std::pair<int, int> UprightOf(int orientation, int x, int y, int w, int h) {
    switch (orientation) {
        case 2:
            return {w - 1 - x, y};  // row 0 top, column 0 right
        case 3:
            return {w - 1 - x, h - 1 - y};  // row 0 bottom, column 0 right
        case 4:
            return {x, h - 1 - y};  // row 0 bottom, column 0 left
        case 5:
            return {y, x};  // row 0 left, column 0 top
        case 6:
            return {h - 1 - y, x};  // row 0 right, column 0 top
        case 7:
            return {h - 1 - y, w - 1 - x};  // row 0 right, column 0 bottom
        case 8:
            return {y, w - 1 - x};  // row 0 left, column 0 bottom
        default:
            return {x, y};
    }
}

TEST_F(Prepare, PhotosStandUprightWhateverTheirOrientationTag) {
    struct Row {
        int orientation;
        bool bigEndian;
        JpegModel model;
    };
    const Row rows[] = {
        {1, false, JpegModel::Colour}, {2, false, JpegModel::Colour}, {3, false, JpegModel::Colour},
        {4, true, JpegModel::Colour},  {5, false, JpegModel::Colour}, {6, false, JpegModel::Colour},
        {6, true, JpegModel::Gray},    {7, false, JpegModel::Colour}, {8, true, JpegModel::AdobeCmyk},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("orientation " + std::to_string(row.orientation));
        const bool swaps = row.orientation >= 5;
        const int w = swaps ? 192 : 256, h = swaps ? 256 : 192;  // as stored; upright it is 256 x 192
        JpegRecipe recipe{.width = w, .height = h, .model = row.model, .quality = 100};
        recipe.orientation = row.orientation;
        recipe.bigEndianExif = row.bigEndian;
        const int o = row.orientation;
        recipe.pixel = [o, w, h](int x, int y) {
            const auto [u, v] = UprightOf(o, x, y, w, h);
            return UprightCell(u, v);
        };
        const auto out = Run(Source(recipe), 128);
        ASSERT_EQ(out.width, 128);
        ASSERT_EQ(out.height, 96);
        EXPECT_EQ(last.sourceWidth, 256);
        EXPECT_EQ(last.sourceHeight, 192);
        EXPECT_EQ(static_cast<int>(last.orientation), row.orientation);
        int wrong = 0;
        for (int y = 4; y < 96; y += 8) {
            for (int x = 4; x < 128; x += 8) {
                if (x % 32 < 4 || x % 32 > 28 || y % 32 < 4 || y % 32 > 28) continue;  // near a cell edge
                Rgb want = UprightCell(2 * x, 2 * y);
                if (row.model == JpegModel::Gray) want = {want.g, want.g, want.g};
                const Rgb got = out.at(x, y);
                if (std::abs(got.r - want.r) > 20 || std::abs(got.g - want.g) > 20 ||
                    std::abs(got.b - want.b) > 20)
                    ++wrong;
            }
        }
        EXPECT_EQ(wrong, 0);
    }
}

struct ExifRow {
    const char* name;
    std::vector<std::uint8_t> block;
    Orientation expected;
};

std::vector<std::uint8_t> Patched(std::vector<std::uint8_t> block, std::size_t at,
                                  std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) block.at(at++) = b;
    return block;
}

TEST(ExifOrientation, ReadsTheTagAndTrustsNothingElse) {
    // Offsets into the little-endian block: the entry count at 14, the
    // orientation entry at 40 (type at 42, count at 44, value at 48).
    const auto good = test::ExifBlock(6);
    std::vector<std::uint8_t> cut(good.begin(), good.begin() + 45);
    const ExifRow rows[] = {
        {"little-endian", good, Orientation::Turn90},
        {"big-endian", test::ExifBlock(8, true), Orientation::Turn270},
        {"each value", test::ExifBlock(3), Orientation::Turn180},
        {"value 0", test::ExifBlock(0), Orientation::Upright},
        {"value 9", test::ExifBlock(9), Orientation::Upright},
        {"value 0x106", Patched(good, 49, {0x01}), Orientation::Upright},
        {"not a SHORT", Patched(good, 42, {4}), Orientation::Upright},
        {"two values", Patched(good, 44, {2}), Orientation::Upright},
        {"cut inside the entry", cut, Orientation::Upright},
        {"tag found before the count runs out", Patched(good, 14, {0xFF, 0xFF}), Orientation::Turn90},
        {"more entries than bytes", Patched(Patched(good, 14, {0xFF, 0xFF}), 40, {0x13}),
         Orientation::Upright},
        {"directory beyond the end", Patched(good, 10, {0xF0, 0xFF, 0xFF, 0xFF}), Orientation::Upright},
        {"unknown byte order", Patched(good, 6, {'X', 'X'}), Orientation::Upright},
        {"wrong magic", Patched(good, 8, {43}), Orientation::Upright},
        {"XMP, not Exif", Patched(good, 0, {'h', 't', 't', 'p'}), Orientation::Upright},
        {"header only", {'E', 'x', 'i', 'f', 0, 0}, Orientation::Upright},
        {"empty", {}, Orientation::Upright},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ExifOrientation(row.block.data(), row.block.size()), row.expected) << row.name;
}

}  // namespace
}  // namespace marivel
