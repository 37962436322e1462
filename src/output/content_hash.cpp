#include "output/content_hash.h"

#include <unistd.h>
#include <xxhash.h>

#include <cerrno>
#include <new>
#include <string>

namespace marivel {

void ContentHash::FreeState::operator()(XXH64_state_s* state) const noexcept {
    XXH64_freeState(state);
}

ContentHash::ContentHash() : state_(XXH64_createState()) {
    if (!state_) throw std::bad_alloc();
    XXH64_reset(state_.get(), 0);
}

ContentHash::~ContentHash() = default;

void ContentHash::update(const void* data, std::size_t size) noexcept {
    XXH64_update(state_.get(), data, size);
}

std::uint64_t ContentHash::digest() const noexcept {
    return XXH64_digest(state_.get());
}

std::uint64_t ContentHash::Of(const void* data, std::size_t size) noexcept {
    return XXH64(data, size, 0);
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
