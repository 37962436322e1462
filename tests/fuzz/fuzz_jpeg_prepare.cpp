// JPEG preparation on any bytes: it either fails and leaves no file, or
// writes a clean baseline colour JPEG of exactly the size it reports.
// The first byte picks the slider width (1 to 128, small enough to be quick).

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>

#include <jpeglib.h>

#include "fuzz_support.h"
#include "model/error.h"
#include "output/jpeg_prepare.h"

namespace {

using namespace marivel;
using fuzz::Require;

struct StrictErrors {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void OnStrictError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<StrictErrors*>(cinfo->err)->jump, 1);
}

void OnStrictMessage(j_common_ptr cinfo, int level) {
    if (level < 0) std::longjmp(reinterpret_cast<StrictErrors*>(cinfo->err)->jump, 2);  // any warning
}

struct Decoded {
    int result = 0;  // 0 clean, 1 error, 2 warning
    unsigned width = 0, height = 0;
    int components = 0;
    bool progressive = true;
};

// Decodes the whole file with libjpeg, failing on any complaint at all.
void DecodeStrictly(std::FILE* file, Decoded* out) {
    jpeg_decompress_struct d;
    StrictErrors errors;
    d.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = OnStrictError;
    errors.pub.emit_message = OnStrictMessage;
    jpeg_create_decompress(&d);
    if (const int code = setjmp(errors.jump)) {
        out->result = code;
        jpeg_destroy_decompress(&d);
        return;
    }
    jpeg_stdio_src(&d, file);
    jpeg_read_header(&d, TRUE);
    out->components = d.num_components;
    out->progressive = d.progressive_mode != 0;
    jpeg_start_decompress(&d);
    out->width = d.output_width;
    out->height = d.output_height;
    JSAMPARRAY row = (*d.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&d), JPOOL_IMAGE,
                                            d.output_width * static_cast<JDIMENSION>(d.output_components), 1);
    while (d.output_scanline < d.output_height) jpeg_read_scanlines(&d, row, 1);
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
}

std::size_t FilesIn(const std::filesystem::path& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const int width = 1 + data[0] % 128;
    const auto folder = fuzz::ScratchFolder();
    const auto in = folder / "in.jpg", out = folder / "out.jpg";
    fuzz::WriteFile(in, data + 1, size - 1);
    PreparedImage image;
    try {
        image = PrepareSliderImage(in, out, width);
    } catch (const Error&) {
        Require(!std::filesystem::exists(out) && FilesIn(folder) == 1, "a failure left a file behind");
        return 0;
    }
    Require(image.size == ComputeScaledSize(image.sourceWidth, image.sourceHeight, width),
            "a size not as scaled");
    std::FILE* file = std::fopen(out.c_str(), "rb");
    Require(file != nullptr, "no prepared file");
    Decoded decoded;
    DecodeStrictly(file, &decoded);
    std::fclose(file);
    Require(decoded.result == 0, "the prepared file is not a clean JPEG");
    Require(decoded.width == static_cast<unsigned>(image.size.width) &&
                decoded.height == static_cast<unsigned>(image.size.height),
            "the prepared file's size is not the one reported");
    Require(decoded.components == 3 && !decoded.progressive, "the prepared file is not baseline colour");
    std::filesystem::remove(out);
    Require(FilesIn(folder) == 1, "preparing left a file behind");
    return 0;
}
