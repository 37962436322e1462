#include "output/memory_gate.h"

#include <malloc.h>

namespace marivel {

bool MemoryGate::fitsLocked(std::size_t bytes) const {
    // Alone, anything fits: the budget bounds sharing, not single files.
    return holders_ == 0 || held_ + bytes <= budget_;
}

void MemoryGate::holdLocked(std::size_t bytes) {
    held_ += bytes;
    ++holders_;
    if (held_ > peak_) peak_ = held_;
}

bool MemoryGate::acquire(std::size_t bytes) noexcept {
    std::unique_lock lock(mutex_);
    freed_.wait(lock, [&] { return cancelled_ || fitsLocked(bytes); });
    if (cancelled_) return false;
    holdLocked(bytes);
    return true;
}

bool MemoryGate::tryAcquire(std::size_t bytes) noexcept {
    std::lock_guard lock(mutex_);
    if (cancelled_ || !fitsLocked(bytes)) return false;
    holdLocked(bytes);
    return true;
}

bool MemoryGate::fits(std::size_t bytes) const {
    std::lock_guard lock(mutex_);
    return fitsLocked(bytes);
}

void MemoryGate::release(std::size_t bytes) noexcept {
    {
        std::lock_guard lock(mutex_);
        held_ -= bytes;
        --holders_;
    }
    freed_.notify_all();
}

void MemoryGate::cancel() noexcept {
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
    }
    freed_.notify_all();
}

std::size_t MemoryGate::peak() const {
    std::lock_guard lock(mutex_);
    return peak_;
}

void ReturnLargeBlocksToTheSystem() {
    // Setting the limit also stops glibc from moving it.
    ::mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
}

}  // namespace marivel
