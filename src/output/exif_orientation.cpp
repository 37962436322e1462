#include "output/exif_orientation.h"

#include <cstdint>
#include <cstring>

namespace marivel {

namespace {

constexpr unsigned char kExifHeader[] = {'E', 'x', 'i', 'f', 0, 0};
constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kShortType = 3;
constexpr std::uint16_t kLongType = 4;
constexpr std::uint16_t kThumbnailOffsetTag = 0x0201;
constexpr std::uint16_t kThumbnailLengthTag = 0x0202;

// Reads the TIFF structure in its own byte order, refusing every offset that
// points outside it.
class TiffReader {
public:
    TiffReader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}
    bool readOrder() {
        if (size_ < 8) return false;
        if (data_[0] == 'I' && data_[1] == 'I') {
            little_ = true;
        } else if (data_[0] == 'M' && data_[1] == 'M') {
            little_ = false;
        } else {
            return false;
        }
        std::uint16_t magic;
        return u16(2, magic) && magic == 42;
    }
    bool u16(std::size_t at, std::uint16_t& value) const {
        if (at > size_ || size_ - at < 2) return false;
        value = little_ ? static_cast<std::uint16_t>(data_[at] | data_[at + 1] << 8)
                        : static_cast<std::uint16_t>(data_[at] << 8 | data_[at + 1]);
        return true;
    }
    std::size_t size() const { return size_; }
    // A SHORT or LONG value that fits in an entry's value field.
    bool number(std::size_t entry, std::uint32_t& value) const {
        std::uint16_t type, shortValue;
        std::uint32_t count;
        if (!u16(entry + 2, type) || !u32(entry + 4, count) || count != 1) return false;
        if (type == kLongType) return u32(entry + 8, value);
        if (type != kShortType || !u16(entry + 8, shortValue)) return false;
        value = shortValue;
        return true;
    }
    bool u32(std::size_t at, std::uint32_t& value) const {
        if (at > size_ || size_ - at < 4) return false;
        const std::uint32_t b0 = data_[at], b1 = data_[at + 1], b2 = data_[at + 2], b3 = data_[at + 3];
        value = little_ ? (b0 | b1 << 8 | b2 << 16 | b3 << 24) : (b0 << 24 | b1 << 16 | b2 << 8 | b3);
        return true;
    }

private:
    const unsigned char* data_;
    std::size_t size_;
    bool little_ = true;
};

}  // namespace

Orientation ExifOrientation(const unsigned char* data, std::size_t size) {
    if (!data || size < sizeof kExifHeader || std::memcmp(data, kExifHeader, sizeof kExifHeader) != 0)
        return Orientation::Upright;
    TiffReader tiff(data + sizeof kExifHeader, size - sizeof kExifHeader);
    std::uint32_t directory;
    std::uint16_t entries;
    if (!tiff.readOrder() || !tiff.u32(4, directory) || !tiff.u16(directory, entries))
        return Orientation::Upright;
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::size_t entry = static_cast<std::size_t>(directory) + 2 + 12 * static_cast<std::size_t>(i);
        std::uint16_t tag, type, value;
        std::uint32_t count;
        if (!tiff.u16(entry, tag) || !tiff.u16(entry + 2, type) || !tiff.u32(entry + 4, count) ||
            !tiff.u16(entry + 8, value))
            return Orientation::Upright;
        if (tag != kOrientationTag) continue;
        if (type != kShortType || count != 1 || value < 1 || value > 8) return Orientation::Upright;
        return static_cast<Orientation>(value);
    }
    return Orientation::Upright;
}

ExifThumbnailPlace ExifThumbnail(const unsigned char* data, std::size_t size) {
    if (!data || size < sizeof kExifHeader || std::memcmp(data, kExifHeader, sizeof kExifHeader) != 0)
        return {};
    TiffReader order(data + sizeof kExifHeader, size - sizeof kExifHeader);
    if (!order.readOrder()) return {};
    std::uint32_t first, second;
    std::uint16_t entries;
    if (!order.u32(4, first) || !order.u16(first, entries) ||
        !order.u32(std::size_t{first} + 2 + 12 * std::size_t{entries}, second) || second == 0 ||
        second == first || !order.u16(second, entries))
        return {};
    std::uint32_t offset = 0, length = 0;
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::size_t entry = std::size_t{second} + 2 + 12 * std::size_t{i};
        std::uint16_t tag;
        if (!order.u16(entry, tag)) return {};
        if (tag == kThumbnailOffsetTag && !order.number(entry, offset)) return {};
        if (tag == kThumbnailLengthTag && !order.number(entry, length)) return {};
    }
    // A JPEG of at least its two markers, wholly inside the block.
    if (length < 4 || offset > order.size() || order.size() - offset < length) return {};
    const unsigned char* jpeg = data + sizeof kExifHeader + offset;
    if (jpeg[0] != 0xFF || jpeg[1] != 0xD8) return {};
    return {sizeof kExifHeader + offset, length};
}

}  // namespace marivel
