#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace marivel {

// A fast 64-bit hash of a byte stream (the XXH64 construction), fed in
// pieces of any size. It tells whether a source photo still holds the bytes
// a prepared copy was made from, where the file's times cannot be trusted;
// it guards against accidents, not against someone forging a photo.
class ContentHash {
public:
    ContentHash();
    void update(const void* data, std::size_t size) noexcept;
    std::uint64_t digest() const noexcept;

private:
    void stripe(const unsigned char* p) noexcept;
    std::uint64_t lanes_[4];
    unsigned char pending_[32];
    std::size_t pendingSize_ = 0;
    std::uint64_t total_ = 0;
};

// The hash of every byte of the open file `fd`, read from its start (the
// file position is not used); nothing when it cannot be read.
std::optional<std::uint64_t> HashOfFile(int fd);

}  // namespace marivel
