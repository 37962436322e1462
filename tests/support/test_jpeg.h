#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

namespace marivel::test {

struct Rgb {
    int r = 0, g = 0, b = 0;
};

// How the test JPEG stores its colours.
enum class JpegModel {
    Colour,     // YCbCr, 4:2:0
    Colour444,  // YCbCr without chroma subsampling
    Colour422,  // chroma halved across
    Colour440,  // chroma halved down
    Gray,       // one component (the pixel's green value)
    AdobeCmyk,  // CMYK with Adobe's marker, stored inverted as Adobe writes it
    PlainCmyk,  // CMYK without the Adobe marker, not inverted
    Ycck,       // YCCK (Adobe marker, inverted)
};

struct JpegRecipe {
    int width = 8;
    int height = 8;
    JpegModel model = JpegModel::Colour;
    bool progressive = false;
    // Every coefficient its own scan: far more scans than any real encoder
    // writes (implies progressive).
    bool manyScans = false;
    int quality = 95;
    // An Exif block (APP1) with this orientation tag (1 to 8); 0 writes none.
    int orientation = 0;
    bool bigEndianExif = false;  // "MM" byte order instead of "II"
    // A JPEG kept as the Exif block's thumbnail (implies an Exif block).
    std::vector<std::uint8_t> exifThumbnail{};
    // A second Exif block after the first with this orientation; 0: none.
    int secondOrientation = 0;
    std::function<Rgb(int x, int y)> pixel = [](int, int) { return Rgb{128, 128, 128}; };
};

// Encodes a JPEG with libjpeg; throws std::runtime_error on failure.
void WriteJpeg(const std::filesystem::path& path, const JpegRecipe& recipe);

// The payload of an APP1 marker holding an Exif block whose first image
// directory carries a few ordinary tags and the orientation tag.
// With a thumbnail, a second image directory points at it.
std::vector<std::uint8_t> ExifBlock(int orientation, bool bigEndian = false,
                                    const std::vector<std::uint8_t>& thumbnail = {});
// The bytes WriteJpeg would write.
std::vector<std::uint8_t> JpegBytes(const JpegRecipe& recipe);

struct DecodedJpeg {
    int width = 0;
    int height = 0;
    int components = 0;  // as stored in the file
    bool progressive = false;
    int warnings = 0;               // libjpeg's complaints about damaged data
    std::vector<std::uint8_t> rgb;  // width * height * 3
    Rgb at(int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

// Decodes a whole JPEG to RGB with libjpeg; throws std::runtime_error.
DecodedJpeg ReadJpeg(const std::filesystem::path& path);

}  // namespace marivel::test
