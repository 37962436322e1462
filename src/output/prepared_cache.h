#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "output/jpeg_prepare.h"

namespace marivel {

// Prepared copies of source photos, kept between runs in the per-user cache
// folder, so a save after a one-word change does not decode sixty photos
// again. The editor and marivel-publish share it, and so do several of them
// running at once.
//
// Layout: one file per prepared copy, "<16 hex digits>.entry", directly in
// the cache folder (by default "$XDG_CACHE_HOME/Marivel/prepared-images",
// made owner-only). The digits are the XXH64 hash of the key text;
// the key text itself is stored in the entry and compared, so two keys
// with one hash only ever cost a preparation. An entry holds, in this order:
//   8 bytes   "MVPREP03" (the layout's name and version; entries of
//             other versions are ignored and replaced)
//   4 x u32   lengths of the key, the warning and the JPEG, and the orientation
//   4 x u32   upright source width and height, prepared width and height
//   u64       ContentHash of every byte of the source the copy was made from
//   u32       1 when the source's change time vouches for its bytes (below)
//   key       the key text (below)
//   warning   libjpeg's first complaint about the source, often empty
//   JPEG      the prepared copy, exactly the bytes a preparation gives
//   u64       XXH64 hash of every byte before it
// All numbers are little-endian. An entry whose length, name, key or hash
// does not match is treated as missing: it is prepared again and replaced,
// never used.
//
// The key text names everything that decides the prepared bytes: the
// preparation's version, the JPEG library's version, the slider width, the
// quality choice (resizing and density; nothing for the defaults), and
// the source file as the system describes it (absolute path, size,
// modification and change times to the nanosecond, inode). The picture's
// orientation is inside the file, so it is covered too. A changed time or a
// replaced file makes a new key; the old entry ages out.
//
// The key alone is not always enough: a file system may keep times to the
// second (a photo replaced in the second it was read keeps its change time),
// and network and FUSE file systems may report a change time that follows
// the modification time the user kept, and a fixed inode. So an entry is
// taken on its key alone only when the source lies on a local file system
// and its change time was clearly older than the moment the copy was read
// (any later write then gives a later change time, hence another key).
// Every other entry is checked against the hash of the source's bytes
// before it is used; a local one that passes while its time is clearly old
// is marked as vouched for, so the check is paid once.
//
// Entries are written beside their name (created exclusively, never through
// a link) and renamed over it, so readers see a whole entry or none, and a
// link put in an entry's place is replaced, not written through. "Used" is
// the entry's modification time: a hit that finds it older than a few
// minutes touches it. After a run that added entries, the oldest are
// removed until the folder is under 7/8 of its bound, together with
// temporary files that a killed writer left behind more than an hour ago.
// Only regular files are counted or removed.
//
// Nothing here ever fails a preparation: a folder that cannot be made, read
// or written only means the copies are prepared every time.
class PreparedImageCache {
public:
    static constexpr std::uint64_t kDefaultBound = 512ULL * 1024 * 1024;

    // Uses (and makes when missing) the folder; switched off when that fails.
    explicit PreparedImageCache(std::filesystem::path folder, std::uint64_t bound = kDefaultBound);
    // "prepared-images" in the user's cache folder.
    static std::filesystem::path DefaultFolder();

    bool usable() const { return usable_; }

    // The key of the source at `absolutePath`, described by `status` (taken
    // from the descriptor that is read), prepared to `sliderWidth`.
    static std::string KeyOf(const std::filesystem::path& absolutePath, const struct stat& status,
                             int sliderWidth, const ImageQuality& quality = {});
    // The key of the double-density copy made beside the copy of `key`.
    static std::string DoubleCopyKey(const std::string& key) { return key + "\ncopy double"; }
    // True when both describe the same contents as far as the key can tell.
    static bool SameVersion(const struct stat& a, const struct stat& b);
    // Whether the file system of the open file keeps change times and inodes
    // that tell a rewritten file (not a network, FUSE or FAT file system).
    static bool TimesCanBeTrusted(int fd);
    // Whether `status` shows a change time clearly older than `moment`,
    // beyond the coarsest time stamps and the lag of the kernel's clock.
    static bool ChangedClearlyBefore(const struct stat& status, const timespec& moment);
    // The moment, as file times tell it.
    static timespec Now();

    // What is known of the source bytes a copy was made from.
    struct SourceCheck {
        std::uint64_t hash = 0;  // ContentHash of every byte
        bool vouched = false;    // TimesCanBeTrusted and ChangedClearlyBefore the reading
    };

    // The entry of `key` when it is present, whole, and made from the bytes
    // of the open source `sourceFd` (`status` its fstat, taken before the
    // key was made): an entry that its source's times do not vouch for is
    // checked against the hash of the file's bytes. Safe from any thread.
    std::optional<PreparedCopy> find(const std::string& key, int sourceFd, const struct stat& status) const;
    // Adds or replaces the entry of `key`; failures are ignored. Safe from
    // any thread.
    void store(const std::string& key, const PreparedImage& image, std::string_view jpeg,
               const SourceCheck& source) const;
    // Keeps the folder under its bound (see above).
    void trim() const;

    // The file an entry of `key` is kept in.
    std::filesystem::path entryPath(const std::string& key) const;

private:
    std::filesystem::path folder_;
    std::uint64_t bound_;
    bool usable_ = false;
};

}  // namespace marivel
