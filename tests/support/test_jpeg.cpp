#include "support/test_jpeg.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <iterator>
#include <stdexcept>
#include <string>

#include <unistd.h>

#include <jpeglib.h>

namespace marivel::test {

namespace {

struct TestErrors {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnTestError(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<TestErrors*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->message);
    std::longjmp(errors->jump, 1);
}

void ToCmykInk(const Rgb& p, JSAMPLE* out) {
    const int m = std::max(p.r, std::max(p.g, p.b));
    const int rgb[3] = {p.r, p.g, p.b};
    for (int c = 0; c < 3; ++c) out[c] = static_cast<JSAMPLE>(m == 0 ? 0 : 255 * (m - rgb[c]) / m);
    out[3] = static_cast<JSAMPLE>(255 - m);
}

void FillRow(const JpegRecipe& recipe, int y, std::vector<JSAMPLE>& row, int components) {
    for (int x = 0; x < recipe.width; ++x) {
        const Rgb p = recipe.pixel(x, y);
        JSAMPLE* out = &row[static_cast<std::size_t>(x) * components];
        if (components == 1) {
            out[0] = static_cast<JSAMPLE>(p.g);
        } else if (components == 3) {
            out[0] = static_cast<JSAMPLE>(p.r);
            out[1] = static_cast<JSAMPLE>(p.g);
            out[2] = static_cast<JSAMPLE>(p.b);
        } else {
            ToCmykInk(p, out);
            if (recipe.model != JpegModel::PlainCmyk)
                for (int c = 0; c < 4; ++c) out[c] = static_cast<JSAMPLE>(255 - out[c]);
        }
    }
}

void SetManyScans(jpeg_compress_struct& c) {
    // DC of all components, then each AC coefficient of each component in
    // its own scan: 1 + 63 * components scans.
    const int count = 1 + 63 * c.num_components;
    auto* scans = static_cast<jpeg_scan_info*>((*c.mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(&c), JPOOL_IMAGE, count * sizeof(jpeg_scan_info)));
    scans[0] = jpeg_scan_info{c.num_components, {0, 1, 2, 3}, 0, 0, 0, 0};
    int n = 1;
    for (int comp = 0; comp < c.num_components; ++comp)
        for (int k = 1; k <= 63; ++k) scans[n++] = jpeg_scan_info{1, {comp, 0, 0, 0}, k, k, 0, 0};
    c.scan_info = scans;
    c.num_scans = count;
}

void OnTestMessage(j_common_ptr cinfo, int level) {
    if (level < 0) cinfo->err->num_warnings++;
}

// Appends a value in the block's byte order.
void Put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes, bool bigEndian) {
    for (int i = 0; i < bytes; ++i) {
        const int shift = bigEndian ? 8 * (bytes - 1 - i) : 8 * i;
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

}  // namespace

std::vector<std::uint8_t> ExifBlock(int orientation, bool bigEndian,
                                    const std::vector<std::uint8_t>& thumbnail) {
    std::vector<std::uint8_t> out = {'E', 'x', 'i', 'f', 0, 0};
    out.push_back(bigEndian ? 'M' : 'I');
    out.push_back(bigEndian ? 'M' : 'I');
    Put(out, 42, 2, bigEndian);
    Put(out, 8, 4, bigEndian);  // the first directory follows the header
    // Cameras put the orientation among other tags; two come before it.
    struct Entry {
        std::uint16_t tag, type;
        std::uint32_t count, value;
    };
    const Entry entries[] = {
        {0x010F, 2, 4, 0},                                        // maker, ASCII, too long to fit: offset 0
        {0x0110, 2, 4, 0x00414243},                               // model "CBA" held in place
        {0x0112, 3, 1, static_cast<std::uint32_t>(orientation)},  // orientation, SHORT
    };
    auto putEntry = [&out, bigEndian](const Entry& e) {
        Put(out, e.tag, 2, bigEndian);
        Put(out, e.type, 2, bigEndian);
        Put(out, e.count, 4, bigEndian);
        if (e.type == 3) {
            // A SHORT sits in the first two bytes of the value field.
            Put(out, e.value, 2, bigEndian);
            Put(out, 0, 2, bigEndian);
        } else {
            Put(out, e.value, 4, bigEndian);
        }
    };
    Put(out, static_cast<std::uint32_t>(std::size(entries)), 2, bigEndian);
    for (const Entry& e : entries) putEntry(e);
    if (thumbnail.empty()) {
        Put(out, 0, 4, bigEndian);  // no further directory
        return out;
    }
    // Offsets count from the TIFF header, six bytes into the block.
    const std::uint32_t second = static_cast<std::uint32_t>(out.size() - 6 + 4);
    Put(out, second, 4, bigEndian);
    Put(out, 3, 2, bigEndian);
    const std::uint32_t data = second + 2 + 3 * 12 + 4;
    const Entry thumbEntries[] = {
        {0x0103, 3, 1, 6},  // compression: JPEG
        {0x0201, 4, 1, data},
        {0x0202, 4, 1, static_cast<std::uint32_t>(thumbnail.size())},
    };
    for (const Entry& e : thumbEntries) putEntry(e);
    Put(out, 0, 4, bigEndian);
    out.insert(out.end(), thumbnail.begin(), thumbnail.end());
    return out;
}

std::vector<std::uint8_t> JpegBytes(const JpegRecipe& recipe) {
    char name[] = "/tmp/marivel-test-jpeg-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd < 0) throw std::runtime_error("cannot make a temporary file");
    ::close(fd);
    WriteJpeg(name, recipe);
    std::FILE* file = std::fopen(name, "rb");
    std::vector<std::uint8_t> bytes;
    for (int c; file && (c = std::fgetc(file)) != EOF;) bytes.push_back(static_cast<std::uint8_t>(c));
    if (file) std::fclose(file);
    ::unlink(name);
    return bytes;
}

void WriteJpeg(const std::filesystem::path& path, const JpegRecipe& recipe) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) throw std::runtime_error("cannot create " + path.string());
    const bool cmyk = recipe.model == JpegModel::AdobeCmyk || recipe.model == JpegModel::PlainCmyk ||
                      recipe.model == JpegModel::Ycck;
    const int components = recipe.model == JpegModel::Gray ? 1 : cmyk ? 4 : 3;
    std::vector<JSAMPLE> row(static_cast<std::size_t>(recipe.width) * components);

    jpeg_compress_struct c{};
    TestErrors errors{};
    c.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = OnTestError;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&c);
        std::fclose(file);
        throw std::runtime_error(std::string("libjpeg: ") + errors.message);
    }
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, file);
    c.image_width = static_cast<JDIMENSION>(recipe.width);
    c.image_height = static_cast<JDIMENSION>(recipe.height);
    c.input_components = components;
    c.in_color_space = components == 1 ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, recipe.quality, TRUE);
    if (recipe.model == JpegModel::Ycck) jpeg_set_colorspace(&c, JCS_YCCK);
    if (recipe.model == JpegModel::PlainCmyk) c.write_Adobe_marker = FALSE;
    if (recipe.model == JpegModel::Colour444 || components == 1)
        for (int i = 0; i < c.num_components; ++i)
            c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    if (recipe.model == JpegModel::Colour422 || recipe.model == JpegModel::Colour440) {
        const bool across = recipe.model == JpegModel::Colour422;
        c.comp_info[0].h_samp_factor = across ? 2 : 1;
        c.comp_info[0].v_samp_factor = across ? 1 : 2;
    }
    if (recipe.manyScans) {
        SetManyScans(c);
    } else if (recipe.progressive) {
        jpeg_simple_progression(&c);
    }
    jpeg_start_compress(&c, TRUE);
    if (recipe.orientation != 0 || !recipe.exifThumbnail.empty()) {
        const auto exif = ExifBlock(recipe.orientation, recipe.bigEndianExif, recipe.exifThumbnail);
        jpeg_write_marker(&c, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
    }
    if (recipe.secondOrientation != 0) {
        const auto exif = ExifBlock(recipe.secondOrientation, recipe.bigEndianExif);
        jpeg_write_marker(&c, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
    }
    for (int y = 0; y < recipe.height; ++y) {
        FillRow(recipe, y, row, components);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    if (std::fclose(file) != 0) throw std::runtime_error("cannot write " + path.string());
}

DecodedJpeg ReadJpeg(const std::filesystem::path& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) throw std::runtime_error("cannot open " + path.string());
    DecodedJpeg image;
    jpeg_decompress_struct d{};
    TestErrors errors{};
    d.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = OnTestError;
    errors.pub.emit_message = OnTestMessage;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&d);
        std::fclose(file);
        throw std::runtime_error(std::string("libjpeg: ") + errors.message);
    }
    jpeg_create_decompress(&d);
    jpeg_stdio_src(&d, file);
    jpeg_read_header(&d, TRUE);
    image.components = d.num_components;
    image.progressive = d.progressive_mode != 0;
    d.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d);
    image.width = static_cast<int>(d.output_width);
    image.height = static_cast<int>(d.output_height);
    image.rgb.resize(static_cast<std::size_t>(image.width) * image.height * 3);
    while (d.output_scanline < d.output_height) {
        JSAMPROW rows[1] = {&image.rgb[static_cast<std::size_t>(d.output_scanline) * image.width * 3]};
        jpeg_read_scanlines(&d, rows, 1);
    }
    jpeg_finish_decompress(&d);
    image.warnings = static_cast<int>(d.err->num_warnings);
    jpeg_destroy_decompress(&d);
    std::fclose(file);
    return image;
}

}  // namespace marivel::test
