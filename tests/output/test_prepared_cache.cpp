// The cache of prepared copies and the decoders' memory budget on their own.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "output/content_hash.h"
#include "output/memory_gate.h"
#include "output/prepared_cache.h"
#include "support/temp_dir.h"

namespace marivel {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

// An open source photo, as a preparation holds it while it asks the cache.
class OpenSource {
public:
    explicit OpenSource(const fs::path& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
        EXPECT_GE(fd_, 0) << path;
        ::fstat(fd_, &status_);
    }
    ~OpenSource() { ::close(fd_); }
    OpenSource(const OpenSource&) = delete;
    OpenSource& operator=(const OpenSource&) = delete;
    int fd() const { return fd_; }
    const struct stat& status() const { return status_; }
    // What a preparation of it stores: the hash of its bytes, not vouched
    // for by its times (it was written just now).
    PreparedImageCache::SourceCheck check(bool vouched = false) const { return {*HashOfFile(fd_), vouched}; }

private:
    int fd_;
    struct stat status_ {};
};

std::optional<PreparedCopy> Find(const PreparedImageCache& cache, const std::string& key,
                                 const OpenSource& source) {
    return cache.find(key, source.fd(), source.status());
}

PreparedImage Image(int width, int height) {
    PreparedImage image;
    image.sourceWidth = width * 2;
    image.sourceHeight = height * 2;
    image.size = {width, height};
    image.orientation = Orientation::Turn90;
    image.warning = "Corrupt JPEG data: 3 extraneous bytes";
    return image;
}

TEST(PreparedCache, KeepsWhatDecidesTheBytesApart) {
    test::TempDir dir;
    WriteBytes(dir / "photo.jpg", "photo");
    struct stat status;
    ASSERT_EQ(::stat((dir / "photo.jpg").c_str(), &status), 0);
    const std::string key = PreparedImageCache::KeyOf(dir / "photo.jpg", status, 168);

    const OpenSource photo(dir / "photo.jpg");
    PreparedImageCache cache(dir / "cache" / "prepared");
    ASSERT_TRUE(cache.usable());
    EXPECT_EQ(fs::status(dir / "cache" / "prepared").permissions() & fs::perms::all, fs::perms::owner_all);
    cache.store(key, Image(168, 126), "jpeg bytes", photo.check());
    const auto hit = Find(cache, key, photo);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->jpeg, "jpeg bytes");
    EXPECT_EQ(hit->image.size, (ScaledSize{168, 126}));
    EXPECT_EQ(hit->image.sourceWidth, 336);
    EXPECT_EQ(hit->image.orientation, Orientation::Turn90);
    EXPECT_EQ(hit->image.warning, "Corrupt JPEG data: 3 extraneous bytes");

    // Each of these describes other bytes: none may find the entry.
    struct Row {
        const char* name;
        std::string key;
    };
    auto with = [&](auto change) {
        struct stat other = status;
        change(other);
        return PreparedImageCache::KeyOf(dir / "photo.jpg", other, 168);
    };
    const Row rows[] = {
        {"another width", PreparedImageCache::KeyOf(dir / "photo.jpg", status, 169)},
        {"another path", PreparedImageCache::KeyOf(dir / "other.jpg", status, 168)},
        {"another size", with([](struct stat& s) { ++s.st_size; })},
        {"a nanosecond later", with([](struct stat& s) { s.st_mtim.tv_nsec ^= 1; })},
        {"changed metadata", with([](struct stat& s) { s.st_ctim.tv_sec += 1; })},
        {"another file in its place", with([](struct stat& s) { ++s.st_ino; })},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_NE(row.key, key);
        EXPECT_FALSE(Find(cache, row.key, photo));
    }
    EXPECT_NE(key.find("preparation " + std::to_string(kPreparationVersion) + "\n"), std::string::npos);
    EXPECT_NE(key.find(JpegLibraryVersion()), std::string::npos);
}

TEST(PreparedCache, OnlyAFolderOfTheUsersOwnIsUsed) {
    // Someone who may write to the folder could plant copies that a publish
    // would take for the user's photos.
    struct Row {
        const char* name;
        mode_t mode;
        uid_t owner;  // 0: ours
        bool usable;
    };
    const Row rows[] = {
        {"made by us", 0700, 0, true},
        {"readable by all", 0755, 0, true},
        {"writable by the group", 0770, 0, false},
        {"writable by all", 01777, 0, false},
        {"another user's", 0755, 65534, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.owner != 0 && ::geteuid() != 0) continue;  // only root gives a folder away
        test::TempDir dir;
        const fs::path folder = dir / "prepared";
        WriteBytes(dir / "photo.jpg", "photo");
        struct stat status;
        ASSERT_EQ(::stat((dir / "photo.jpg").c_str(), &status), 0);
        const std::string key = PreparedImageCache::KeyOf(dir / "photo.jpg", status, 168);
        const OpenSource photo(dir / "photo.jpg");
        PreparedImageCache(folder).store(key, Image(168, 126), "planted", photo.check());
        ASSERT_EQ(::chmod(folder.c_str(), row.mode), 0);
        if (row.owner != 0) {
            ASSERT_EQ(::chown(folder.c_str(), row.owner, row.owner), 0);
        }
        const PreparedImageCache cache(folder);
        EXPECT_EQ(cache.usable(), row.usable);
        EXPECT_EQ(Find(cache, key, photo).has_value(), row.usable);
    }
}

TEST(PreparedCache, TrimmingRemovesTheLeastRecentlyUsedFirstAndOnlyItsOwnFiles) {
    test::TempDir dir;
    const fs::path folder = dir / "cache";
    // Entries of 1,090 bytes with their header.
    const std::string kilobyte(988, 'j');
    PreparedImageCache cache(folder, 10'000);
    WriteBytes(dir / "photo.jpg", "photo");
    const OpenSource photo(dir / "photo.jpg");
    std::vector<std::string> keys;
    for (int k = 0; k < 12; ++k) {
        keys.push_back("key " + std::to_string(k));
        cache.store(keys.back(), Image(10, 10), kilobyte, photo.check());
    }
    // Entry k was last used k minutes after the first; the one used first
    // was used again just now (a hit that old is touched).
    const auto now = fs::file_time_type::clock::now();
    for (int k = 0; k < 12; ++k)
        fs::last_write_time(cache.entryPath(keys[static_cast<std::size_t>(k)]),
                            now - std::chrono::hours(2) + std::chrono::minutes(k));
    ASSERT_TRUE(Find(cache, keys[0], photo));
    WriteBytes(folder / "notes.txt", std::string(50'000, 'n'));  // not ours
    WriteBytes(folder / ".0123.entry.99-1.tmp", "left by a killed writer");
    fs::last_write_time(folder / ".0123.entry.99-1.tmp", now - std::chrono::hours(3));
    WriteBytes(folder / ".4567.entry.98-1.tmp", "being written now");

    cache.trim();
    std::vector<int> kept;
    for (int k = 0; k < 12; ++k)
        if (fs::exists(cache.entryPath(keys[static_cast<std::size_t>(k)]))) kept.push_back(k);
    // About 1.1 kB each: the four used longest ago go, which brings the
    // folder under 7/8 of its 10 kB.
    EXPECT_EQ(kept, (std::vector<int>{0, 5, 6, 7, 8, 9, 10, 11}));
    EXPECT_TRUE(fs::exists(folder / "notes.txt"));
    EXPECT_FALSE(fs::exists(folder / ".0123.entry.99-1.tmp"));
    EXPECT_TRUE(fs::exists(folder / ".4567.entry.98-1.tmp"));
}

TEST(PreparedCache, OneKeyWrittenByManyAtOnceIsAlwaysReadWhole) {
    test::TempDir dir;
    PreparedImageCache cache(dir / "cache");
    WriteBytes(dir / "photo.jpg", "photo");
    const OpenSource photo(dir / "photo.jpg");
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0}, hits{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([&, t] {
            const std::string jpeg(20'000 + 5'000 * t, static_cast<char>('a' + t));
            for (int i = 0; i < 200; ++i) cache.store("shared", Image(10 + t, 10), jpeg, photo.check());
        });
    std::thread reader([&] {
        while (!stop) {
            if (const auto hit = Find(cache, "shared", photo)) {
                ++hits;
                const bool whole = hit->jpeg.size() == 20'000 + 5'000 * static_cast<std::size_t>(
                                                                            hit->image.size.width - 10) &&
                                   std::all_of(hit->jpeg.begin(), hit->jpeg.end(),
                                               [&](char c) { return c == hit->jpeg[0]; });
                if (!whole) ++torn;
            }
        }
    });
    for (auto& thread : threads) thread.join();
    stop = true;
    reader.join();
    EXPECT_EQ(torn, 0);
    EXPECT_GT(hits, 0);
    int files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir / "cache")) ++files;
    EXPECT_EQ(files, 1);  // no temporary file left behind
}

TEST(PreparedCache, NeverGivesAPictureForOtherBytesNorWritesThroughALink) {
    test::TempDir dir;
    PreparedImageCache cache(dir / "cache");
    WriteBytes(dir / "photo.jpg", "the photo as it was prepared");
    const OpenSource prepared(dir / "photo.jpg");
    const std::string key = PreparedImageCache::KeyOf(dir / "photo.jpg", prepared.status(), 168);
    // Where times are coarse (or made up by a network file system), a photo
    // replaced in the second it was prepared, by one of its size with its
    // date kept, has the same key: only its bytes tell it apart.
    WriteBytes(dir / "same.jpg", "the photo as it was prepared");
    WriteBytes(dir / "other.jpg", "THE PHOTO AS IT WAS PREPARED");
    const OpenSource same(dir / "same.jpg"), other(dir / "other.jpg");
    struct Row {
        const char* name;
        bool vouched;           // the entry's source times vouch for it
        const OpenSource* now;  // the photo when it is looked up
        int changedSecondsAgo;  // its change time, before the lookup
        bool hit;
        bool vouchedAfter;  // an entry with other bytes is then taken as it is
    };
    const Row rows[] = {
        {"made just now, the same bytes", false, &same, 0, true, false},
        {"made just now, other bytes of the size", false, &other, 0, false, false},
        {"changed two seconds before, the same bytes", false, &same, 2, true, false},
        {"changed long before: checked once, then vouched for", false, &same, 10, true, true},
        {"vouched for: the photo is not read at all", true, &other, 10, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        cache.store(key, Image(168, 126), "copy", prepared.check(row.vouched));
        struct stat status = prepared.status();
        status.st_ctim = PreparedImageCache::Now();
        status.st_ctim.tv_sec -= row.changedSecondsAgo;
        const auto hit = cache.find(key, row.now->fd(), status);
        EXPECT_EQ(hit.has_value(), row.hit);
        if (hit) {
            EXPECT_EQ(hit->jpeg, "copy");
        }
        EXPECT_EQ(Find(cache, key, other).has_value(), row.vouchedAfter);
    }

    // An entry (or the place of one) swapped for a link to the user's notes:
    // neither a store nor a trim writes or removes through it.
    WriteBytes(dir / "notes.txt", std::string(20'000, 'n'));
    const fs::path entry = cache.entryPath(key);
    fs::remove(entry);
    fs::create_symlink(dir / "notes.txt", entry);
    const fs::path linkedEntry = dir / "cache" / "00000000000000aa.entry";
    fs::create_symlink(dir / "notes.txt", linkedEntry);
    cache.store(key, Image(168, 126), "copy", prepared.check());
    EXPECT_FALSE(fs::is_symlink(entry));
    EXPECT_EQ(Find(cache, key, same)->jpeg, "copy");
    PreparedImageCache(dir / "cache", 100).trim();
    EXPECT_EQ(ReadBytes(dir / "notes.txt"), std::string(20'000, 'n'));
    EXPECT_TRUE(fs::is_symlink(linkedEntry));
}

// An entry as the earlier layout wrote it: the same fields under another
// name, closed by an FNV-1a hash instead of XXH64.
std::string EarlierEntry(const char* magic, const std::string& key, const PreparedImage& image,
                         const std::string& jpeg, std::uint64_t sourceHash) {
    std::string e(magic, 8);
    auto put = [&e](std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) e += static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    for (const std::uint64_t v : {std::uint64_t{key.size()}, std::uint64_t{image.warning.size()},
                                  std::uint64_t{jpeg.size()}, std::uint64_t(image.orientation),
                                  std::uint64_t(image.sourceWidth), std::uint64_t(image.sourceHeight),
                                  std::uint64_t(image.size.width), std::uint64_t(image.size.height)})
        put(v, 4);
    put(sourceHash, 8);
    put(1, 4);
    e += key + image.warning + jpeg;
    std::uint64_t fnv = 14695981039346656037ULL;
    for (const char c : e) fnv = (fnv ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    put(fnv, 8);
    return e;
}

TEST(PreparedCache, AnEntryOfTheEarlierLayoutIsPreparedAgainNeverRead) {
    test::TempDir dir;
    PreparedImageCache cache(dir / "cache");
    WriteBytes(dir / "photo.jpg", "photo");
    const OpenSource photo(dir / "photo.jpg");
    const std::string key = PreparedImageCache::KeyOf(dir / "photo.jpg", photo.status(), 168);
    for (const char* magic : {"MVPREP02", "MVPREP03"}) {
        SCOPED_TRACE(magic);
        WriteBytes(cache.entryPath(key),
                   EarlierEntry(magic, key, Image(168, 126), "old", photo.check().hash));
        EXPECT_FALSE(Find(cache, key, photo));
        // The preparation that follows replaces it.
        cache.store(key, Image(168, 126), "new", photo.check());
        EXPECT_EQ(ReadBytes(cache.entryPath(key)).substr(0, 8), "MVPREP03");
        EXPECT_EQ(Find(cache, key, photo)->jpeg, "new");
    }
}

TEST(ContentHashTest, IsTheSameInAnyPiecesAndMatchesKnownValues) {
    // Published XXH64 values (seed 0).
    const std::pair<std::string, std::uint64_t> known[] = {
        {"", 0xEF46DB3751D8E999ULL},
        {"a", 0xD24EC4F1A98C6E5BULL},
        {"abc", 0x44BC2CF5AD770999ULL},
        {"Nobody inspects the spammish repetition", 0xFBCEA83C8A378BF1ULL},
    };
    for (const auto& [text, value] : known) {
        ContentHash hash;
        hash.update(text.data(), text.size());
        EXPECT_EQ(hash.digest(), value) << text;
    }
    // Fed in pieces, as files are read, it gives what it gives whole.
    const std::string text = known[3].first + known[3].first;
    ContentHash whole, pieces;
    whole.update(text.data(), text.size());
    for (std::size_t at = 0; at < text.size(); at += 7)
        pieces.update(text.data() + at, std::min<std::size_t>(7, text.size() - at));
    EXPECT_EQ(pieces.digest(), whole.digest());
}

TEST(MemoryGateTest, SharesTheBudgetAndLetsALargeNeedRunAlone) {
    struct Row {
        const char* name;
        std::vector<std::size_t> needs;
        bool together;     // all must be inside at once
        std::size_t peak;  // the most ever held at once
    };
    const Row rows[] = {
        {"small needs run side by side", {30, 30, 30}, true, 90},
        {"needs that do not fit together take turns", {60, 60, 60}, false, 60},
        {"a need above the budget runs alone", {250, 20, 20}, false, 250},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        MemoryGate gate(100);
        std::atomic<int> inside{0};
        std::vector<std::thread> threads;
        for (std::size_t need : row.needs)
            threads.emplace_back([&, need] {
                ASSERT_TRUE(gate.acquire(need));
                ++inside;
                const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
                if (row.together)
                    while (inside < static_cast<int>(row.needs.size()) &&
                           std::chrono::steady_clock::now() < deadline)
                        std::this_thread::yield();
                else
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                gate.release(need);
            });
        for (auto& thread : threads) thread.join();
        EXPECT_EQ(gate.peak(), row.peak);
    }
    // Cancelling frees whoever waits, and refuses later asks.
    MemoryGate gate(100);
    ASSERT_TRUE(gate.acquire(90));
    std::thread waiter([&] { EXPECT_FALSE(gate.acquire(50)); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    gate.cancel();
    waiter.join();
    EXPECT_FALSE(gate.acquire(1));
    gate.release(90);
}

}  // namespace
}  // namespace marivel
