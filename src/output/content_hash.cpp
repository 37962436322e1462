#include "output/content_hash.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

namespace marivel {

namespace {

constexpr std::uint64_t kP1 = 11400714785074694791ULL;
constexpr std::uint64_t kP2 = 14029467366897019727ULL;
constexpr std::uint64_t kP3 = 1609587929392839161ULL;
constexpr std::uint64_t kP4 = 9650029242287828579ULL;
constexpr std::uint64_t kP5 = 2870177450012600261ULL;

inline std::uint64_t Rotl(std::uint64_t x, int r) {
    return (x << r) | (x >> (64 - r));
}

inline std::uint64_t Read64(const unsigned char* p) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

inline std::uint32_t Read32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline std::uint64_t Round(std::uint64_t lane, std::uint64_t input) {
    return Rotl(lane + input * kP2, 31) * kP1;
}

inline std::uint64_t Merge(std::uint64_t hash, std::uint64_t lane) {
    return (hash ^ Round(0, lane)) * kP1 + kP4;
}

}  // namespace

ContentHash::ContentHash() : lanes_{kP1 + kP2, kP2, 0, 0 - kP1} {}

void ContentHash::stripe(const unsigned char* p) noexcept {
    for (int i = 0; i < 4; ++i) lanes_[i] = Round(lanes_[i], Read64(p + 8 * i));
}

void ContentHash::update(const void* data, std::size_t size) noexcept {
    auto p = static_cast<const unsigned char*>(data);
    total_ += size;
    if (pendingSize_ > 0) {
        const std::size_t fill = std::min(size, sizeof pending_ - pendingSize_);
        std::memcpy(pending_ + pendingSize_, p, fill);
        pendingSize_ += fill;
        p += fill;
        size -= fill;
        if (pendingSize_ < sizeof pending_) return;
        stripe(pending_);
        pendingSize_ = 0;
    }
    for (; size >= 32; p += 32, size -= 32) stripe(p);
    std::memcpy(pending_, p, size);
    pendingSize_ = size;
}

std::uint64_t ContentHash::digest() const noexcept {
    std::uint64_t h;
    if (total_ >= 32) {
        h = Rotl(lanes_[0], 1) + Rotl(lanes_[1], 7) + Rotl(lanes_[2], 12) + Rotl(lanes_[3], 18);
        for (const std::uint64_t lane : lanes_) h = Merge(h, lane);
    } else {
        h = lanes_[2] + kP5;
    }
    h += total_;
    const unsigned char* p = pending_;
    std::size_t left = pendingSize_;
    for (; left >= 8; p += 8, left -= 8) h = Rotl(h ^ Round(0, Read64(p)), 27) * kP1 + kP4;
    if (left >= 4) {
        h = Rotl(h ^ (static_cast<std::uint64_t>(Read32(p)) * kP1), 23) * kP2 + kP3;
        p += 4;
        left -= 4;
    }
    for (; left > 0; ++p, --left) h = Rotl(h ^ (*p * kP5), 11) * kP1;
    h ^= h >> 33;
    h *= kP2;
    h ^= h >> 29;
    h *= kP3;
    h ^= h >> 32;
    return h;
}

std::optional<std::uint64_t> HashOfFile(int fd) {
    static constexpr std::size_t kChunk = 1 << 17;
    std::string buffer(kChunk, '\0');
    ContentHash hash;
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(fd, buffer.data(), kChunk, at);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::nullopt;
        if (got == 0) return hash.digest();
        hash.update(buffer.data(), static_cast<std::size_t>(got));
        at += got;
    }
}

}  // namespace marivel
