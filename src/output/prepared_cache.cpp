#include "output/prepared_cache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include "model/descriptor_closer.h"
#include "model/user_folders.h"
#include "model/whole_file.h"
#include "output/content_hash.h"

namespace marivel {

namespace fs = std::filesystem;

namespace {

constexpr char kMagic[8] = {'M', 'V', 'P', 'R', 'E', 'P', '0', '3'};
constexpr std::size_t kSourceHashAt = sizeof kMagic + 8 * 4;
constexpr std::size_t kFlagsAt = kSourceHashAt + 8;
constexpr std::size_t kHeaderSize = kFlagsAt + 4;
constexpr std::uint64_t kVouchedFlag = 1;
// How much older than the reading a change time must be to vouch for the
// bytes read: FAT keeps times to two seconds, ext3 to one, and the kernel
// stamps files from a clock that lags the one read here by a tick.
constexpr std::time_t kClearlyOlderSeconds = 3;
constexpr std::size_t kTrailerSize = 8;
// Far beyond any copy a slider shows; a larger file is not ours.
constexpr std::uint64_t kLargestEntry = 64ULL << 20;
// A hit on an entry touched less long ago than this does not touch it
// again: the order of use stays right to within minutes, and a save of
// sixty images does not write sixty inodes.
constexpr std::time_t kTouchAfterSeconds = 300;

std::uint64_t HashOf(std::string_view bytes) {
    return ContentHash::Of(bytes.data(), bytes.size());
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

// File systems whose change times or inodes do not show that a file was
// rewritten: network file systems take them from a server (sshfs over FUSE
// reports the modification time as change time, and a fixed inode), FAT and
// NTFS drivers make them up from the few times they store.
bool IsUntrustedFileSystem(long type) {
    switch (static_cast<unsigned long>(type)) {
        case 0x6969UL:      // NFS
        case 0x517BUL:      // SMB
        case 0xFF534D42UL:  // CIFS
        case 0xFE534D42UL:  // SMB2
        case 0x65735546UL:  // FUSE (sshfs, rclone, ntfs-3g, ...)
        case 0x01021997UL:  // 9P
        case 0x00C36400UL:  // Ceph
        case 0x5346414FUL:  // AFS
        case 0x6B414653UL:  // kAFS
        case 0x73757245UL:  // Coda
        case 0x564CUL:      // NCP
        case 0x4D44UL:      // FAT
        case 0x2011BAB0UL:  // exFAT
        case 0x5346544EUL:  // NTFS
        case 0x7366746EUL:  // NTFS3
            return true;
        default:
            return false;
    }
}

// Writes an entry beside its name and renames it over that name. The
// temporary file is created exclusively and never through a link, and the
// rename replaces whatever has the entry's name (a link included) instead
// of writing through it: someone who swapped an entry for a link to the
// user's notes cannot make a publish overwrite them.
void WriteEntry(const fs::path& path, std::string_view bytes) {
    fs::path temp;
    int fd = -1;
    for (int attempt = 0; attempt < 10 && fd < 0; ++attempt) {
        temp = TemporarySibling(path);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) return;
    }
    if (fd < 0) return;
    bool written = true;
    for (std::size_t done = 0; written && done < bytes.size();) {
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR) continue;
        written = put > 0;
        if (written) done += static_cast<std::size_t>(put);
    }
    // A crash may leave a renamed entry without its data on some file
    // systems; the trailing hash finds that out, so no sync is paid here.
    if (::close(fd) != 0) written = false;
    if (!written || ::rename(temp.c_str(), path.c_str()) != 0) ::unlink(temp.c_str());
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
                                      int sliderWidth, const ImageQuality& quality) {
    static const std::string library = JpegLibraryVersion();
    return "preparation " + std::to_string(kPreparationVersion) + "\nlibrary " + library + "\nwidth " +
           std::to_string(sliderWidth) + QualityKeyText(quality) + "\nsize " +
           std::to_string(status.st_size) + "\nmodified " + Nanoseconds(status.st_mtim) + "\nchanged " +
           Nanoseconds(status.st_ctim) + "\ninode " + std::to_string(status.st_ino) + "\npath " +
           absolutePath.string();
}

bool PreparedImageCache::TimesCanBeTrusted(int fd) {
    struct statfs system;
    return ::fstatfs(fd, &system) == 0 && !IsUntrustedFileSystem(static_cast<long>(system.f_type));
}

bool PreparedImageCache::ChangedClearlyBefore(const struct stat& status, const timespec& moment) {
    const timespec& changed = status.st_ctim;
    if (moment.tv_sec - changed.tv_sec != kClearlyOlderSeconds)
        return moment.tv_sec - changed.tv_sec > kClearlyOlderSeconds;
    return changed.tv_nsec < moment.tv_nsec;
}

timespec PreparedImageCache::Now() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now;
}

bool PreparedImageCache::SameVersion(const struct stat& a, const struct stat& b) {
    return a.st_size == b.st_size && a.st_ino == b.st_ino && a.st_dev == b.st_dev &&
           SameTime(a.st_mtim, b.st_mtim) && SameTime(a.st_ctim, b.st_ctim);
}

fs::path PreparedImageCache::entryPath(const std::string& key) const {
    static const char* digits = "0123456789abcdef";
    std::uint64_t hash = HashOf(key);
    std::string name(16, '0');
    for (int i = 15; i >= 0; --i, hash >>= 4) name[static_cast<std::size_t>(i)] = digits[hash & 0xF];
    return folder_ / (name + ".entry");
}

std::optional<PreparedCopy> PreparedImageCache::find(const std::string& key, int sourceFd,
                                                     const struct stat& sourceStatus) const {
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
    if (HashOf(std::string_view(e.data(), body)) != GetLe(e, body, 8)) return std::nullopt;
    if (jpegLength == 0 || orientation < 1 || orientation > 8) return std::nullopt;

    SourceCheck source{GetLe(e, kSourceHashAt, 8), (GetLe(e, kFlagsAt, 4) & kVouchedFlag) != 0};
    const bool timesTrusted = TimesCanBeTrusted(sourceFd);
    bool vouchNow = false;
    if (!source.vouched || !timesTrusted) {
        const timespec reading = Now();
        const std::optional<std::uint64_t> hash = HashOfFile(sourceFd);
        if (!hash || *hash != source.hash) return std::nullopt;
        // Checked once while the change time is clearly old: from now on a
        // rewrite of the file shows in its key.
        vouchNow = timesTrusted && ChangedClearlyBefore(sourceStatus, reading);
    }

    PreparedCopy copy;
    copy.image.sourceWidth = static_cast<int>(GetLe(e, 24, 4));
    copy.image.sourceHeight = static_cast<int>(GetLe(e, 28, 4));
    copy.image.size = {static_cast<int>(GetLe(e, 32, 4)), static_cast<int>(GetLe(e, 36, 4))};
    copy.image.orientation = static_cast<Orientation>(orientation);
    copy.image.warning = e.substr(kHeaderSize + keyLength, warningLength);
    copy.jpeg = e.substr(kHeaderSize + keyLength + warningLength, jpegLength);
    if (vouchNow) {
        source.vouched = true;
        store(key, copy.image, copy.jpeg, source);
    } else if (std::time(nullptr) - status.st_mtim.tv_sec > kTouchAfterSeconds) {
        ::futimens(fd, nullptr);
    }
    return copy;
}

void PreparedImageCache::store(const std::string& key, const PreparedImage& image, std::string_view jpeg,
                               const SourceCheck& source) const {
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
    PutU64(entry, source.hash);
    PutU32(entry, source.vouched ? static_cast<std::uint32_t>(kVouchedFlag) : 0U);
    entry += key;
    entry += image.warning;
    entry += jpeg;
    PutU64(entry, HashOf(entry));
    if (entry.size() > kLargestEntry) return;
    // Full disk, read-only folder: no copy kept.
    WriteEntry(entryPath(key), entry);
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
