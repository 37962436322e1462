#include "output/prepared_cache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include "model/descriptor_closer.h"
#include "model/user_folders.h"
#include "model/whole_file.h"

namespace marivel {

namespace fs = std::filesystem;

namespace {

constexpr char kMagic[8] = {'M', 'V', 'P', 'R', 'E', 'P', '0', '1'};
constexpr std::size_t kHeaderSize = sizeof kMagic + 8 * 4;
constexpr std::size_t kTrailerSize = 8;
// Far beyond any copy a slider shows; a larger file is not ours.
constexpr std::uint64_t kLargestEntry = 64ULL << 20;
// A hit on an entry touched less long ago than this does not touch it
// again: the order of use stays right to within minutes, and a save of
// sixty images does not write sixty inodes.
constexpr std::time_t kTouchAfterSeconds = 300;

std::uint64_t Fnv1a(std::string_view bytes, std::uint64_t hash = 14695981039346656037ULL) {
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    return hash;
}

void PutU32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutU64(std::string& out, std::uint64_t value) {
    for (int i = 0; i < 8; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint64_t GetLe(const std::string& in, std::size_t at, int bytes) {
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(in[at + static_cast<std::size_t>(i)]);
    return value;
}

std::string Nanoseconds(const timespec& t) {
    std::string digits = std::to_string(t.tv_nsec);
    return std::to_string(t.tv_sec) + "." + std::string(9 - std::min<std::size_t>(9, digits.size()), '0') +
           digits;
}

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool IsEntryName(const std::string& name) {
    if (name.size() != 16 + 6 || name.compare(16, 6, ".entry") != 0) return false;
    return std::all_of(name.begin(), name.begin() + 16,
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// The whole of a regular file no larger than `largest`; nothing otherwise.
std::optional<std::string> ReadSmallFile(int fd, const struct stat& status, std::uint64_t largest) {
    if (!S_ISREG(status.st_mode) || status.st_size < 0 ||
        static_cast<std::uint64_t>(status.st_size) > largest)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(status.st_size), '\0');
    std::size_t have = 0;
    while (have < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + have, bytes.size() - have);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return std::nullopt;  // shrank under us, or unreadable
        have += static_cast<std::size_t>(got);
    }
    return bytes;
}

}  // namespace

PreparedImageCache::PreparedImageCache(fs::path folder, std::uint64_t bound)
    : folder_(std::move(folder)), bound_(bound) {
    std::error_code ec;
    if (!fs::is_directory(folder_, ec)) {
        fs::create_directories(folder_.parent_path(), ec);
        // The keys name the user's photos: the folder is the user's alone.
        if (::mkdir(folder_.c_str(), 0700) != 0 && errno != EEXIST) return;
    }
    // A folder that someone else owns or may write to could hand us copies
    // that are not of our photos, and would show our photos to others.
    struct stat status;
    usable_ = ::stat(folder_.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
              status.st_uid == ::geteuid() && (status.st_mode & (S_IWGRP | S_IWOTH)) == 0 &&
              ::access(folder_.c_str(), R_OK | X_OK) == 0;
}

fs::path PreparedImageCache::DefaultFolder() {
    return UserCacheFolder() / "prepared-images";
}

std::string PreparedImageCache::KeyOf(const fs::path& absolutePath, const struct stat& status,
                                      int sliderWidth) {
    static const std::string library = JpegLibraryVersion();
    return "preparation " + std::to_string(kPreparationVersion) + "\nlibrary " + library + "\nwidth " +
           std::to_string(sliderWidth) + "\nsize " + std::to_string(status.st_size) + "\nmodified " +
           Nanoseconds(status.st_mtim) + "\nchanged " + Nanoseconds(status.st_ctim) + "\ninode " +
           std::to_string(status.st_ino) + "\npath " + absolutePath.string();
}

bool PreparedImageCache::SameVersion(const struct stat& a, const struct stat& b) {
    return a.st_size == b.st_size && a.st_ino == b.st_ino && a.st_dev == b.st_dev &&
           SameTime(a.st_mtim, b.st_mtim) && SameTime(a.st_ctim, b.st_ctim);
}

fs::path PreparedImageCache::entryPath(const std::string& key) const {
    static const char* digits = "0123456789abcdef";
    std::uint64_t hash = Fnv1a(key);
    std::string name(16, '0');
    for (int i = 15; i >= 0; --i, hash >>= 4) name[static_cast<std::size_t>(i)] = digits[hash & 0xF];
    return folder_ / (name + ".entry");
}

std::optional<PreparedCopy> PreparedImageCache::find(const std::string& key) const {
    if (!usable_) return std::nullopt;
    const int fd = ::open(entryPath(key).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    const DescriptorCloser closer(fd);
    struct stat status;
    if (::fstat(fd, &status) != 0) return std::nullopt;
    const std::optional<std::string> bytes = ReadSmallFile(fd, status, kLargestEntry);
    if (!bytes || bytes->size() < kHeaderSize + kTrailerSize) return std::nullopt;
    const std::string& e = *bytes;
    if (std::memcmp(e.data(), kMagic, sizeof kMagic) != 0) return std::nullopt;
    const std::uint64_t keyLength = GetLe(e, 8, 4), warningLength = GetLe(e, 12, 4),
                        jpegLength = GetLe(e, 16, 4);
    const auto orientation = static_cast<int>(GetLe(e, 20, 4));
    if (kHeaderSize + keyLength + warningLength + jpegLength + kTrailerSize != e.size()) return std::nullopt;
    if (e.compare(kHeaderSize, keyLength, key) != 0 || keyLength != key.size()) return std::nullopt;
    const std::size_t body = e.size() - kTrailerSize;
    if (Fnv1a(std::string_view(e.data(), body)) != GetLe(e, body, 8)) return std::nullopt;
    if (jpegLength == 0 || orientation < 1 || orientation > 8) return std::nullopt;

    PreparedCopy copy;
    copy.image.sourceWidth = static_cast<int>(GetLe(e, 24, 4));
    copy.image.sourceHeight = static_cast<int>(GetLe(e, 28, 4));
    copy.image.size = {static_cast<int>(GetLe(e, 32, 4)), static_cast<int>(GetLe(e, 36, 4))};
    copy.image.orientation = static_cast<Orientation>(orientation);
    copy.image.warning = e.substr(kHeaderSize + keyLength, warningLength);
    copy.jpeg = e.substr(kHeaderSize + keyLength + warningLength, jpegLength);
    if (std::time(nullptr) - status.st_mtim.tv_sec > kTouchAfterSeconds) ::futimens(fd, nullptr);
    return copy;
}

void PreparedImageCache::store(const std::string& key, const PreparedImage& image,
                               std::string_view jpeg) const {
    if (!usable_ || jpeg.empty()) return;
    std::string entry(kMagic, sizeof kMagic);
    entry.reserve(kHeaderSize + key.size() + image.warning.size() + jpeg.size() + kTrailerSize);
    PutU32(entry, static_cast<std::uint32_t>(key.size()));
    PutU32(entry, static_cast<std::uint32_t>(image.warning.size()));
    PutU32(entry, static_cast<std::uint32_t>(jpeg.size()));
    PutU32(entry, static_cast<std::uint32_t>(image.orientation));
    PutU32(entry, static_cast<std::uint32_t>(image.sourceWidth));
    PutU32(entry, static_cast<std::uint32_t>(image.sourceHeight));
    PutU32(entry, static_cast<std::uint32_t>(image.size.width));
    PutU32(entry, static_cast<std::uint32_t>(image.size.height));
    entry += key;
    entry += image.warning;
    entry += jpeg;
    PutU64(entry, Fnv1a(entry));
    if (entry.size() > kLargestEntry) return;
    try {
        // A crash may leave a renamed entry without its data on some file
        // systems; the hash finds that out, so no sync is paid here.
        WriteWholeFile(entryPath(key), entry, Durability::Unsynced);
    } catch (...) {
        // Full disk, read-only folder, another user's file: no copy kept.
    }
}

void PreparedImageCache::trim() const {
    if (!usable_) return;
    struct Entry {
        timespec used;
        std::uint64_t size;
        fs::path path;
    };
    std::vector<Entry> entries;
    std::uint64_t total = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const bool entry = IsEntryName(name);
        if (!entry && !TemporarySiblingTarget(name)) continue;  // not ours: never touched
        struct stat status;
        if (::lstat(it->path().c_str(), &status) != 0 || !S_ISREG(status.st_mode)) continue;
        if (!entry) {
            // A writer that was killed left it.
            if (IsOwnSettledLeftover(status)) ::unlink(it->path().c_str());
            continue;
        }
        entries.push_back({status.st_mtim, static_cast<std::uint64_t>(status.st_size), it->path()});
        total += static_cast<std::uint64_t>(status.st_size);
    }
    if (total <= bound_) return;
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.used.tv_sec != b.used.tv_sec ? a.used.tv_sec < b.used.tv_sec
                                              : a.used.tv_nsec < b.used.tv_nsec;
    });
    const std::uint64_t goal = bound_ / 8 * 7;
    for (const Entry& e : entries) {
        if (total <= goal) break;
        // Another run may have removed or replaced it meanwhile: either way
        // it is gone from the count.
        ::unlink(e.path.c_str());
        total -= e.size;
    }
}

}  // namespace marivel
