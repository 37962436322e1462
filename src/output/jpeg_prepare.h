#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <string>

#include "model/image_quality.h"
#include "output/exif_orientation.h"

namespace marivel {

class ContentHash;
class MemoryGate;

// Raised whenever the bytes a preparation gives for a source and a width
// could change (sampling, encoder settings, colour handling, turning): copies
// kept by an earlier version are then prepared again rather than reused.
inline constexpr int kPreparationVersion = 1;

// The JPEG library in use, as it names itself at run time: another build of
// it may decode or encode other bytes.
std::string JpegLibraryVersion();

struct ScaledSize {
    int width = 0;
    int height = 0;
    bool operator==(const ScaledSize&) const = default;
};

// The size of an image scaled to the slider width. The factor source width /
// slider width is kept as a 32-bit float (stored projects depend on exactly
// these sizes); each side is the source side divided by it, rounded half to
// even, and at least 1. Throws Error when the slider width is not positive
// or a side would exceed what a JPEG can hold.
ScaledSize ComputeScaledSize(int sourceWidth, int sourceHeight, int sliderWidth);

// Throws Error naming the width when images cannot be scaled to it (< 1).
void CheckSliderWidth(int sliderWidth);

// Limits that keep hostile files from exhausting time or memory.
inline constexpr std::uint64_t kMaxSourcePixels = 400'000'000;  // 20000 x 20000
inline constexpr long kMaxDecoderMemory = 256L * 1024 * 1024;   // progressive files buffer whole images
inline constexpr int kMaxProgressiveScans = 100;                // real encoders write about 10
inline constexpr int kMaxJpegSide = 65500;

struct PreparedImage {
    // The source's size as it stands upright.
    int sourceWidth = 0;
    int sourceHeight = 0;
    Orientation orientation = Orientation::Upright;
    ScaledSize size;
    // libjpeg's first complaint about damaged data that was still usable
    // (empty when the file was clean).
    std::string warning;
};

// The prepared copy of one source: what it is and its encoded bytes.
struct PreparedCopy {
    PreparedImage image;
    std::string jpeg;
    // The copy at twice the width and height of `image.size`, for screens
    // of high density; empty when none was asked for or the source is too
    // small to give one without enlarging.
    std::string doubleJpeg;
};

// Whether a source of this upright size gives a copy at twice `size`
// without being enlarged in either direction.
bool HasDoubleDensityCopy(int sourceWidth, int sourceHeight, ScaledSize size);

// Decodes the JPEG at `source` and writes it scaled to the slider width as a
// baseline colour JPEG of quality 90 at `destination`.
//
// Sampling is nearest-neighbour: destination pixel (x, y) takes the source
// pixel under its centre, column floor((2x + 1) * W / (2W')) and row
// floor((2y + 1) * H / (2H')). The decode streams: only the rows that are
// sampled are decompressed, the others are skipped, so memory grows with the
// source width, not its area.
//
// A camera's Exif orientation is applied: the copy stands upright, and its
// size is that of the upright picture (a photo taken on its side comes out
// taller than wide). Pictures that must be turned are gathered at the
// destination's size before encoding; the others stream.
//
// Grayscale sources come out in colour, CMYK and YCCK (Adobe's inverted
// form included) are converted to RGB.
//
// Damaged data: libjpeg's warnings are accepted (the damaged part comes out
// grey or smeared, as in a browser) unless the data ends before half of the
// image is present and, for a progressive file, before its first scan is
// complete; such a file fails. Fatal decoder errors, oversized images and
// progressive files with too many scans fail too. Failures throw Error naming
// the source file and the reason; the destination only ever appears whole
// (it is written beside itself and renamed), so a failure leaves no file and
// an earlier file of that name as it was.
PreparedImage PrepareSliderImage(const std::filesystem::path& source,
                                 const std::filesystem::path& destination, int sliderWidth);

// How a preparation that runs beside others is steered.
struct PrepareControl {
    // Shared with the decoders that run at the same time; null: no limit
    // beyond each decoder's own.
    MemoryGate* memory = nullptr;
    // Once set, the preparation stops soon with an Error.
    const std::atomic<bool>* cancel = nullptr;
    // False: when the memory is not free at once, the preparation stops
    // with MemoryNotFree instead of waiting, so the caller can do other work
    // first.
    bool waitForMemory = true;
    // When given, receives every byte of the file from its start, the bytes
    // the decoder read and then the rest: the copy is then known to be made
    // from exactly the bytes hashed, even if the file changes meanwhile.
    ContentHash* sourceHash = nullptr;
};

struct MemoryNotFree : std::exception {
    explicit MemoryNotFree(std::size_t bytes) : need(bytes) {}
    const char* what() const noexcept override { return "the decoder's memory is not free yet"; }
    std::size_t need;  // what the decoder asked for
};

// Opens a source for PrepareSliderJpeg; when it cannot be opened, throws the
// Error its preparation would fail with.
int OpenSourceImage(const std::filesystem::path& source);

// The same preparation, from the open file `fd` (named `source` in
// messages) into memory: `jpeg` receives the encoded copy. The copy is
// small (the slider width), so nothing passes through the disk on its way
// to the preview.
PreparedImage PrepareSliderJpeg(int fd, const std::filesystem::path& source, int sliderWidth,
                                std::string& jpeg, const PrepareControl& control = {});

// The copies the quality choice asks for, from the open file `fd`. Exact
// resizing gives PrepareSliderJpeg's bytes, and its double-density copy is
// sampled the same way at twice the size in a second reading of the file.
//
// Smooth resizing lets the decoder shrink the picture first, to the fewest
// eighths of its size that leave at least twice the largest copy's width
// and height, then filters the largest copy from those rows with a
// three-lobed Lanczos filter (see SmoothResampler) and the single copy,
// when there is a double one, from the double one's rows: one reading. It streams like the exact
// mode: memory grows with the widths, not with the picture's area; turned
// pictures are gathered at their prepared size, as there.
//
// Sizes, orientation, colour conversion, damaged data and limits are as for
// PrepareSliderJpeg.
PreparedCopy PrepareSliderCopy(int fd, const std::filesystem::path& source, int sliderWidth,
                               const ImageQuality& quality, const PrepareControl& control = {});

}  // namespace marivel
