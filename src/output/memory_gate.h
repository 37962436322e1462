#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace marivel {

// Shares a memory budget among decoders that run at the same time. A
// baseline photo streams in a few rows, but a progressive one is buffered
// whole (a 12-megapixel file needs about 36 MiB), so two of those at once on
// two cores would double the peak for little gain. Each decoder asks for what
// it will hold before it allocates; a need larger than the whole budget waits
// until the decoder can run alone, so no file that a single decoder can
// handle is ever refused.
class MemoryGate {
public:
    explicit MemoryGate(std::size_t budget) : budget_(budget) {}
    MemoryGate(const MemoryGate&) = delete;
    MemoryGate& operator=(const MemoryGate&) = delete;

    // Waits until `bytes` fit beside what the others hold. False, holding
    // nothing, once the gate is cancelled. Called from inside the decoder,
    // so it never throws.
    bool acquire(std::size_t bytes) noexcept;
    // The same without waiting: false when `bytes` do not fit now.
    bool tryAcquire(std::size_t bytes) noexcept;
    // Whether `bytes` would fit now.
    bool fits(std::size_t bytes) const;
    void release(std::size_t bytes) noexcept;
    // Lets every waiting and later acquire() answer false.
    void cancel() noexcept;

    // The most that was ever held at once.
    std::size_t peak() const;

private:
    // Under mutex_.
    bool fitsLocked(std::size_t bytes) const;
    void holdLocked(std::size_t bytes);

    const std::size_t budget_;
    mutable std::mutex mutex_;
    std::condition_variable freed_;
    std::size_t held_ = 0;
    std::size_t holders_ = 0;
    std::size_t peak_ = 0;
    bool cancelled_ = false;
};

// Makes the C library give every large block (a megabyte and more) its own
// mapping, returned to the system when freed. By default it raises that
// limit to the largest block freed so far, so a buffered photo's arrays
// would be kept in each worker's heap after use and the program would
// hold several photos' worth for good. For the programs' main(): it
// changes the whole process.
void ReturnLargeBlocksToTheSystem();

}  // namespace marivel
