#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "output/jpeg_prepare.h"
#include "output/memory_gate.h"

namespace marivel {

class PreparedImageCache;

// Prepares a list of sources on all cores while the caller takes the
// results one by one, in list order, on its own thread. The caller thus
// updates its model in the same order, and stops at the first failure in
// that order, as a pass over the list one after another would.
//
// Each worker runs its own decoder and encoder, takes the sources in list
// order and keeps only a few results ahead of the caller, so memory grows
// with the number of cores, not with the list; decoders share one memory
// budget (see MemoryGate). Copies found in the cache are not decoded;
// copies that had to be decoded are added to it. A source that several
// entries of the list name (one photo shown by many items) is prepared once.
class ImagePreparer {
public:
    // The decoders' shared budget when none is given: a quarter of the
    // machine's memory, between one buffered 12-megapixel progressive photo
    // beside a few streaming ones and 512 MiB, so two large progressive
    // photos decode side by side where the machine has room for them.
    static std::size_t DefaultDecoderBudget();

    // Starts at once. workers 0: one per core. cache may be null. quality
    // says how the copies are resized and which are made. budget 0:
    // DefaultDecoderBudget().
    ImagePreparer(std::vector<std::string> sources, int sliderWidth, const PreparedImageCache* cache,
                  unsigned workers = 0, ImageQuality quality = {}, std::size_t budget = 0);
    // Stops what is no longer needed and waits for the workers.
    ~ImagePreparer();
    ImagePreparer(const ImagePreparer&) = delete;
    ImagePreparer& operator=(const ImagePreparer&) = delete;

    // The copy of source i, waiting for it, calling whileWaiting every few
    // hundredths of a second meanwhile. Throws that source's Error. Taken
    // in list order, each once.
    PreparedCopy take(std::size_t i, const std::function<void()>& whileWaiting = {});

    // How many of the copies taken so far were decoded in this run, and how
    // many came from the cache (a shared source counts for each taker).
    int decoded() const { return decoded_.load(); }
    int cached() const { return cached_.load(); }
    // How many distinct sources were prepared or found in the cache.
    int prepared() const { return prepared_.load(); }
    // The most decoder memory that was held at once.
    std::size_t peakDecoderMemory() const { return gate_.peak(); }

private:
    struct Slot {
        bool done = false;
        bool fromCache = false;
        PreparedCopy copy;
        std::exception_ptr error;
    };
    void work();
    // Prepares one source; throws its Error, or MemoryNotFree when it may
    // not wait for memory and the memory is taken.
    PreparedCopy prepare(const std::string& source, bool waitForMemory, bool& fromCache);
    // Hands out the copy of distinct source u, keeping it while other
    // entries still need it; counts it for the taker.
    PreparedCopy handOut(std::size_t u, Slot& slot);
    // Under mutex_: whether a new source may start; the source a worker
    // should take next (a new one, or one put off for memory), if any.
    bool mayStartNew() const;
    std::optional<std::pair<std::size_t, bool>> nextWork();
    bool finished() const;

    // The distinct sources in the order of their first entry, and for each
    // entry of the caller's list the distinct source it names. Everything
    // below counts in distinct sources.
    std::vector<std::string> sources_;
    std::vector<std::size_t> distinctOf_;
    std::vector<std::size_t> takersLeft_;  // entries yet to take each copy
    const int sliderWidth_;
    const ImageQuality quality_;
    const PreparedImageCache* cache_;
    std::size_t window_ = 1;  // how far the workers may run ahead of take()

    MemoryGate gate_;
    std::atomic<bool> cancel_{false};
    std::atomic<int> decoded_{0}, cached_{0}, stored_{0}, prepared_{0};

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Slot> slots_;
    std::size_t next_ = 0;     // the next source a worker starts
    std::size_t taken_ = 0;    // results the caller has taken
    std::size_t firstFailed_;  // the first failed source so far, or the list's size
    // Sources put off because the memory was taken when they were started,
    // in list order, with what they need: retried first as soon as that
    // fits, when the caller needs them, or when nothing new may start.
    std::map<std::size_t, std::size_t> putOff_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace marivel
