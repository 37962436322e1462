#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "output/exif_orientation.h"

namespace marivel {

// What a JPEG's header says about its picture, as it stands upright.
struct JpegHeader {
    int width = 0;
    int height = 0;
    Orientation orientation = Orientation::Upright;
};

// Reads only the header of the JPEG at path (its markers up to the first
// scan): cheap even for large photos. Throws Error with the reason when the
// file cannot be read, is no JPEG, or declares a picture larger than a
// preparation accepts.
JpegHeader ReadJpegHeader(const std::filesystem::path& path);

// The header of each file, or the reason it could not be read. The headers
// are read on another thread; the caller's thread calls whileWaiting(done)
// every few hundredths of a second meanwhile (done: how many are read), so
// a window can repaint and move its progress bar.
struct HeaderRead {
    std::optional<JpegHeader> header;
    std::string error;
};
std::vector<HeaderRead> ReadJpegHeaders(const std::vector<std::filesystem::path>& files,
                                        const std::function<void(std::size_t done)>& whileWaiting);

// A picture decoded at a reduced scale, its rows as stored (not yet turned
// upright): width * height * 3 bytes of RGB.
struct ReducedPicture {
    int width = 0;
    int height = 0;
    Orientation orientation = Orientation::Upright;
    std::vector<std::uint8_t> rgb;
};

// Decodes the JPEG at path at the smallest of libjpeg's DCT scales (1/8,
// 1/4, 1/2, 1/1) that still covers a box of boxWidth x boxHeight with the
// picture's upright sides: only a fraction of the work of a full decode,
// and little memory. Throws Error as ReadJpegHeader does, and on damaged
// data that leaves less than half of the picture.
ReducedPicture DecodeReducedJpeg(const std::filesystem::path& path, int boxWidth, int boxHeight);

// The small JPEG a camera keeps in the Exif block of the JPEG at path,
// decoded (as DecodeReducedJpeg does, rows as stored, with the picture's
// orientation): reading it costs the header, a millisecond where a reduced
// decode of a large photo costs a tenth of a second. Nothing when there is
// none, when it is damaged, when its shape is not the picture's (a padded
// one), or when it is too small to cover the box. Throws Error as
// ReadJpegHeader does.
std::optional<ReducedPicture> ReadExifThumbnail(const std::filesystem::path& path, int boxWidth,
                                                int boxHeight);

}  // namespace marivel
