#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

struct XXH64_state_s;

namespace marivel {

// A fast 64-bit hash of a byte stream (XXH64, seed 0, from libxxhash), fed
// in pieces of any size. It tells whether a source photo still holds the
// bytes a prepared copy was made from, where the file's times cannot be
// trusted; it guards against accidents, not against someone forging a photo.
class ContentHash {
public:
    ContentHash();
    ~ContentHash();
    ContentHash(const ContentHash&) = delete;
    ContentHash& operator=(const ContentHash&) = delete;
    void update(const void* data, std::size_t size) noexcept;
    std::uint64_t digest() const noexcept;

    // The hash of `size` bytes at `data` in one go.
    static std::uint64_t Of(const void* data, std::size_t size) noexcept;

private:
    struct FreeState {
        void operator()(XXH64_state_s* state) const noexcept;
    };
    std::unique_ptr<XXH64_state_s, FreeState> state_;
};

// The hash of every byte of the open file `fd`, read from its start (the
// file position is not used); nothing when it cannot be read.
std::optional<std::uint64_t> HashOfFile(int fd);

}  // namespace marivel
