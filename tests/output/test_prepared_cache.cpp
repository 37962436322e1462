// The cache of prepared copies and the decoders' memory budget on their own.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "output/memory_gate.h"
#include "output/prepared_cache.h"
#include "support/temp_dir.h"

namespace marivel {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

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

    PreparedImageCache cache(dir / "cache" / "prepared");
    ASSERT_TRUE(cache.usable());
    EXPECT_EQ(fs::status(dir / "cache" / "prepared").permissions() & fs::perms::all, fs::perms::owner_all);
    cache.store(key, Image(168, 126), "jpeg bytes");
    const auto hit = cache.find(key);
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
        EXPECT_FALSE(cache.find(row.key));
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
        PreparedImageCache(folder).store(key, Image(168, 126), "planted");
        ASSERT_EQ(::chmod(folder.c_str(), row.mode), 0);
        if (row.owner != 0) {
            ASSERT_EQ(::chown(folder.c_str(), row.owner, row.owner), 0);
        }
        const PreparedImageCache cache(folder);
        EXPECT_EQ(cache.usable(), row.usable);
        EXPECT_EQ(cache.find(key).has_value(), row.usable);
    }
}

TEST(PreparedCache, TrimmingRemovesTheLeastRecentlyUsedFirstAndOnlyItsOwnFiles) {
    test::TempDir dir;
    const fs::path folder = dir / "cache";
    const std::string kilobyte(1000, 'j');
    PreparedImageCache cache(folder, 10'000);
    std::vector<std::string> keys;
    for (int k = 0; k < 12; ++k) {
        keys.push_back("key " + std::to_string(k));
        cache.store(keys.back(), Image(10, 10), kilobyte);
    }
    // Entry k was last used k minutes after the first; the one used first
    // was used again just now (a hit that old is touched).
    const auto now = fs::file_time_type::clock::now();
    for (int k = 0; k < 12; ++k)
        fs::last_write_time(cache.entryPath(keys[static_cast<std::size_t>(k)]),
                            now - std::chrono::hours(2) + std::chrono::minutes(k));
    ASSERT_TRUE(cache.find(keys[0]));
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
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0}, hits{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([&, t] {
            const std::string jpeg(20'000 + 5'000 * t, static_cast<char>('a' + t));
            for (int i = 0; i < 200; ++i) cache.store("shared", Image(10 + t, 10), jpeg);
        });
    std::thread reader([&] {
        while (!stop) {
            if (const auto hit = cache.find("shared")) {
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
