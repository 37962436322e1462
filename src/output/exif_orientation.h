#pragma once

#include <cstddef>

namespace marivel {

// How a camera says its picture must be turned to stand upright: the TIFF
// orientation tag of the Exif block, 1 to 8.
//   1 as stored                 5 mirrored along the main diagonal (transposed)
//   2 mirrored left to right    6 turned a quarter clockwise
//   3 turned half a turn        7 mirrored along the other diagonal
//   4 mirrored top to bottom    8 turned a quarter anticlockwise
// Values 5 to 8 swap width and height.
enum class Orientation { Upright = 1, MirrorX, Turn180, MirrorY, Transpose, Turn90, Transverse, Turn270 };

inline bool SwapsSides(Orientation o) {
    return static_cast<int>(o) >= 5;
}

// The orientation an APP1 marker's payload declares (the bytes after the
// marker's length, starting with "Exif\0\0"). Anything that is not a
// well-formed Exif block with an orientation tag of 1 to 8 in its first
// image directory counts as Upright: a picture is never turned on a guess.
Orientation ExifOrientation(const unsigned char* data, std::size_t size);

// Where an APP1 marker's payload keeps the small JPEG that cameras store for
// a quick look (the second image directory's JPEGInterchangeFormat and its
// length), counted from the payload's start; size 0 when there is none or
// the block is not well formed.
struct ExifThumbnailPlace {
    std::size_t offset = 0;
    std::size_t size = 0;
};
ExifThumbnailPlace ExifThumbnail(const unsigned char* data, std::size_t size);

}  // namespace marivel
