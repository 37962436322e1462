#include "output/image_preparer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "model/descriptor_closer.h"
#include "output/content_hash.h"
#include "output/prepared_cache.h"

namespace marivel {

namespace {

// How often a waiting caller gets its whileWaiting call: often enough for a
// window to repaint smoothly.
constexpr std::chrono::milliseconds kWaitSlice{40};

}  // namespace

std::size_t ImagePreparer::DefaultDecoderBudget() {
    constexpr std::size_t kLeast = 48U * 1024 * 1024, kMost = 512U * 1024 * 1024;
    const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return kLeast;
    const unsigned long long quarter =
        static_cast<unsigned long long>(pages) * static_cast<unsigned long long>(pageSize) / 4;
    return static_cast<std::size_t>(std::clamp<unsigned long long>(quarter, kLeast, kMost));
}

ImagePreparer::ImagePreparer(std::vector<std::string> sources, int sliderWidth,
                             const PreparedImageCache* cache, unsigned workers, ImageQuality quality,
                             std::size_t budget)
    : sliderWidth_(sliderWidth),
      quality_(quality),
      cache_(cache && cache->usable() ? cache : nullptr),
      gate_(budget ? budget : DefaultDecoderBudget()) {
    std::unordered_map<std::string, std::size_t> seen;
    distinctOf_.reserve(sources.size());
    for (std::string& source : sources) {
        const auto [at, added] = seen.emplace(source, sources_.size());
        if (added) {
            sources_.push_back(std::move(source));
            takersLeft_.push_back(0);
        }
        distinctOf_.push_back(at->second);
        ++takersLeft_[at->second];
    }
    slots_.resize(sources_.size());
    firstFailed_ = sources_.size();
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
            slot.copy = prepare(sources_[i], waitForMemory, slot.fromCache);
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
    const std::size_t u = distinctOf_.at(i);
    std::unique_lock lock(mutex_);
    // Without workers, or past a failure no worker will start, the caller
    // prepares the source itself.
    if (!slots_[u].done && (threads_.empty() || (u >= next_ && u >= firstFailed_))) {
        taken_ = std::max(taken_, u + 1);
        lock.unlock();
        Slot slot;
        try {
            slot.copy = prepare(sources_[u], true, slot.fromCache);
        } catch (...) {
            slot.error = std::current_exception();
        }
        slot.done = true;
        lock.lock();
        slots_[u] = std::move(slot);
    }
    while (!slots_[u].done) {
        if (!whileWaiting) {
            changed_.wait(lock);
            continue;
        }
        changed_.wait_for(lock, kWaitSlice);
        lock.unlock();
        whileWaiting();
        lock.lock();
    }
    // The last taker gets the copy itself; earlier ones of a shared source
    // get their own.
    Slot& slot = slots_[u];
    const bool last = --takersLeft_[u] == 0;
    const std::exception_ptr error = slot.error;
    if (!error) (slot.fromCache ? cached_ : decoded_).fetch_add(1);
    PreparedCopy copy = last ? std::move(slot.copy) : slot.copy;
    if (last) {
        slot = Slot{};
        slot.done = true;
    }
    taken_ = std::max(taken_, u + 1);
    lock.unlock();
    changed_.notify_all();  // the window moved on
    if (error) std::rethrow_exception(error);
    return copy;
}

PreparedCopy ImagePreparer::prepare(const std::string& source, bool waitForMemory, bool& fromCache) {
    const int fd = OpenSourceImage(source);
    const DescriptorCloser closer(fd);

    // The key describes the very file that is read, not whatever the path
    // names a moment later. The moment comes first: a change time clearly
    // older than it vouches for every byte read after it.
    const timespec reading = PreparedImageCache::Now();
    std::string key;
    struct stat before;
    if (cache_ && ::fstat(fd, &before) == 0 && S_ISREG(before.st_mode)) {
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(source, ec);
        if (!ec) key = PreparedImageCache::KeyOf(absolute, before, sliderWidth_, quality_);
    }
    if (!key.empty()) {
        if (auto hit = cache_->find(key, fd, before)) {
            // The double-density copy is kept as an entry of its own; a hit
            // counts only when every copy the source gives is there.
            const PreparedImage& image = hit->image;
            bool whole = true;
            if (quality_.density == Density::Double &&
                HasDoubleDensityCopy(image.sourceWidth, image.sourceHeight, image.size)) {
                auto twice = cache_->find(PreparedImageCache::DoubleCopyKey(key), fd, before);
                whole = twice && twice->image.size == ScaledSize{2 * image.size.width, 2 * image.size.height};
                if (whole) hit->doubleJpeg = std::move(twice->jpeg);
            }
            if (whole) {
                fromCache = true;
                prepared_.fetch_add(1);
                return std::move(*hit);
            }
        }
    }
    fromCache = false;
    ContentHash hash;
    const PrepareControl control{&gate_, &cancel_, waitForMemory, key.empty() ? nullptr : &hash};
    PreparedCopy copy = PrepareSliderCopy(fd, source, sliderWidth_, quality_, control);
    // A file that changed while it was read may be half old, half new: its
    // copy is used this once but not kept.
    struct stat after;
    if (!key.empty() && ::fstat(fd, &after) == 0 && PreparedImageCache::SameVersion(before, after)) {
        const bool vouched = PreparedImageCache::TimesCanBeTrusted(fd) &&
                             PreparedImageCache::ChangedClearlyBefore(before, reading);
        if (!copy.doubleJpeg.empty()) {
            PreparedImage twice = copy.image;
            twice.size = {2 * copy.image.size.width, 2 * copy.image.size.height};
            cache_->store(PreparedImageCache::DoubleCopyKey(key), twice, copy.doubleJpeg,
                          {hash.digest(), vouched});
        }
        cache_->store(key, copy.image, copy.jpeg, {hash.digest(), vouched});
        stored_.fetch_add(1);
    }
    prepared_.fetch_add(1);
    return copy;
}

}  // namespace marivel
