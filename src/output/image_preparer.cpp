#include "output/image_preparer.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <system_error>
#include <utility>

#include "model/descriptor_closer.h"
#include "output/prepared_cache.h"

namespace marivel {

namespace {

// How often a waiting caller gets its whileWaiting call: often enough for a
// window to repaint smoothly.
constexpr std::chrono::milliseconds kWaitSlice{40};

}  // namespace

ImagePreparer::ImagePreparer(std::vector<std::string> sources, int sliderWidth,
                             const PreparedImageCache* cache, unsigned workers, ImageQuality quality)
    : sources_(std::move(sources)),
      sliderWidth_(sliderWidth),
      quality_(quality),
      cache_(cache && cache->usable() ? cache : nullptr),
      slots_(sources_.size()),
      firstFailed_(sources_.size()) {
    if (workers == 0) workers = std::max(1U, std::thread::hardware_concurrency());
    const auto count = std::min<std::size_t>(workers, sources_.size());
    // Results waiting for the caller are small (the slider width), so the
    // workers may run well ahead: a slow photo does not idle the others.
    window_ = 4 * count + 4;
    threads_.reserve(count);
    for (std::size_t w = 0; w < count; ++w) {
        try {
            threads_.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            break;  // out of threads: fewer workers, or take() does the work
        }
    }
}

ImagePreparer::~ImagePreparer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    cancel_.store(true);
    gate_.cancel();
    changed_.notify_all();
    for (std::thread& thread : threads_) thread.join();
    if (cache_ && stored_.load() > 0) cache_->trim();
}

bool ImagePreparer::mayStartNew() const {
    // A source after the first failure is never taken: the caller stops there.
    return next_ < slots_.size() && next_ < firstFailed_ && next_ < taken_ + window_;
}

bool ImagePreparer::finished() const {
    const bool nothingNew = next_ >= slots_.size() || next_ >= firstFailed_;
    return stopping_ || (nothingNew && (putOff_.empty() || putOff_.begin()->first > firstFailed_));
}

std::optional<std::pair<std::size_t, bool>> ImagePreparer::nextWork() {
    // A source that was put off runs first as soon as its memory is free,
    // when the caller waits for it, or when there is nothing new to do; it
    // then waits for its memory. A new source never waits: while a large
    // photo holds the memory, the other workers go on with the photos after
    // it.
    if (!putOff_.empty()) {
        const auto [i, need] = *putOff_.begin();
        if (i < firstFailed_ && (i <= taken_ || !mayStartNew() || gate_.fits(need))) {
            putOff_.erase(putOff_.begin());
            return std::make_pair(i, true);
        }
    }
    if (mayStartNew()) return std::make_pair(next_++, false);
    return std::nullopt;
}

void ImagePreparer::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        std::optional<std::pair<std::size_t, bool>> job;
        changed_.wait(lock, [&] { return finished() || (job = nextWork()).has_value(); });
        if (!job) return;
        const auto [i, waitForMemory] = *job;
        lock.unlock();
        Slot slot;
        std::size_t putOff = 0;
        try {
            slot.copy = prepare(sources_[i], waitForMemory);
        } catch (const MemoryNotFree& e) {
            putOff = e.need;
        } catch (...) {
            slot.error = std::current_exception();
        }
        lock.lock();
        if (putOff) {
            putOff_.emplace(i, putOff);
            continue;
        }
        slot.done = true;
        if (slot.error && i < firstFailed_) firstFailed_ = i;
        slots_[i] = std::move(slot);
        changed_.notify_all();
    }
}

PreparedCopy ImagePreparer::take(std::size_t i, const std::function<void()>& whileWaiting) {
    std::unique_lock lock(mutex_);
    // Without workers, or past a failure no worker will start, the caller
    // prepares the source itself.
    if (!slots_[i].done && (threads_.empty() || (i >= next_ && i >= firstFailed_))) {
        taken_ = std::max(taken_, i + 1);
        lock.unlock();
        return prepare(sources_[i], true);
    }
    while (!slots_[i].done) {
        if (!whileWaiting) {
            changed_.wait(lock);
            continue;
        }
        changed_.wait_for(lock, kWaitSlice);
        lock.unlock();
        whileWaiting();
        lock.lock();
    }
    Slot slot = std::move(slots_[i]);
    slots_[i] = Slot{};
    slots_[i].done = true;
    taken_ = std::max(taken_, i + 1);
    lock.unlock();
    changed_.notify_all();  // the window moved on
    if (slot.error) std::rethrow_exception(slot.error);
    return std::move(slot.copy);
}

PreparedCopy ImagePreparer::prepare(const std::string& source, bool waitForMemory) {
    const int fd = OpenSourceImage(source);
    const DescriptorCloser closer(fd);

    // The key describes the very file that is read, not whatever the path
    // names a moment later.
    std::string key;
    struct stat before;
    if (cache_ && ::fstat(fd, &before) == 0 && S_ISREG(before.st_mode)) {
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(source, ec);
        if (!ec) key = PreparedImageCache::KeyOf(absolute, before, sliderWidth_, quality_);
    }
    if (!key.empty()) {
        if (auto hit = cache_->find(key)) {
            // The double-density copy is kept as an entry of its own; a hit
            // counts only when every copy the source gives is there.
            const PreparedImage& image = hit->image;
            bool whole = true;
            if (quality_.density == Density::Double &&
                HasDoubleDensityCopy(image.sourceWidth, image.sourceHeight, image.size)) {
                auto twice = cache_->find(PreparedImageCache::DoubleCopyKey(key));
                whole = twice && twice->image.size == ScaledSize{2 * image.size.width, 2 * image.size.height};
                if (whole) hit->doubleJpeg = std::move(twice->jpeg);
            }
            if (whole) {
                cached_.fetch_add(1);
                return std::move(*hit);
            }
        }
    }
    decoded_.fetch_add(1);
    const PrepareControl control{&gate_, &cancel_, waitForMemory};
    PreparedCopy copy = PrepareSliderCopy(fd, source, sliderWidth_, quality_, control);
    // A file that changed while it was read may be half old, half new: its
    // copy is used this once but not kept.
    struct stat after;
    if (!key.empty() && ::fstat(fd, &after) == 0 && PreparedImageCache::SameVersion(before, after)) {
        if (!copy.doubleJpeg.empty()) {
            PreparedImage twice = copy.image;
            twice.size = {2 * copy.image.size.width, 2 * copy.image.size.height};
            cache_->store(PreparedImageCache::DoubleCopyKey(key), twice, copy.doubleJpeg);
        }
        cache_->store(key, copy.image, copy.jpeg);
        stored_.fetch_add(1);
    }
    return copy;
}

}  // namespace marivel
