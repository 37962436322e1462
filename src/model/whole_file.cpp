#include "model/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <unordered_set>

#include "model/descriptor_closer.h"
#include "model/error.h"
#include "model/file_error.h"

namespace marivel {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kNotRegular = "It is not a regular file";
constexpr std::string_view kStrangersLink = "It is a link of another user in a shared folder";

// Whether another user may have put the link there: a link that we did not
// make. Followed, it would let that user choose which of our files is
// overwritten (a colleague in a shared site folder, anyone in /tmp), and
// the system's protection against this does not help, as the link is
// resolved here and the file replaced by a rename.
bool IsStrangersLink(const struct stat& link) {
    return link.st_uid != ::geteuid();
}

// Whether a stranger's link at `target` is to be refused rather than
// replaced: in a sticky folder (like /tmp) a file is its owner's to remove,
// unless the folder's owner made it.
bool IsLockedInPlace(const fs::path& target, const struct stat& link) {
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    struct stat dir;
    if (::stat(folder.c_str(), &dir) != 0) return true;
    return (dir.st_mode & S_ISVTX) != 0 && link.st_uid != dir.st_uid;
}

std::atomic<SyncCall> gSyncCall{&::fsync};
std::atomic<TemporaryNameCall> gTemporaryName{&TemporarySibling};

int SyncFile(int fd) {
    return gSyncCall.load()(fd);
}

// The permission bits a new file gets: 0666 less the umask. The umask is
// read from the kernel's account of the process, as asking umask() means
// changing it for a moment, under the feet of threads that create files.
// Read once per process (a forked child may set its own).
mode_t NewFileMode() {
    static std::atomic<pid_t> readBy{0};
    static std::atomic<mode_t> mode{0644};
    const pid_t self = ::getpid();
    if (readBy.load() == self) return mode.load();
    mode_t mask = 022;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("Umask:", 0) == 0) {
            mask = static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
            break;
        }
    mode.store(static_cast<mode_t>(0666 & ~mask));
    readBy.store(self);
    return mode.load();
}

// The file a write to `target` replaces: the target itself, or the file its
// symbolic link names (so the link survives the rename). Throws when the
// target exists but cannot or must not be replaced.
fs::path ReplacedFile(const fs::path& target) {
    struct stat link;
    if (::lstat(target.c_str(), &link) != 0) return target;  // a new file
    fs::path replaced = target;
    struct stat st = link;
    if (S_ISLNK(link.st_mode)) {
        if (IsStrangersLink(link)) {
            // Never followed, in any folder: the link itself is replaced by
            // the written file, or refused where it cannot be.
            if (IsLockedInPlace(target, link))
                throw Error(FileErrorMessage("Cannot write file", target, kStrangersLink));
            return target;
        }
        if (::stat(target.c_str(), &st) != 0) return target;  // a dangling link is simply replaced
        std::error_code ec;
        replaced = fs::canonical(target, ec);
        if (ec) return target;
    }
    if (S_ISDIR(st.st_mode)) throw Error(FileErrorMessage("Cannot write file", target, EISDIR));
    if (!S_ISREG(st.st_mode)) throw Error(FileErrorMessage("Cannot write file", target, kNotRegular));
    // Renaming needs only the folder's permission, but a file the user may not
    // write is one the user does not expect to be replaced.
    if (::access(replaced.c_str(), W_OK) != 0 && (errno == EACCES || errno == EROFS || errno == EPERM))
        throw Error(FileErrorMessage("Cannot write file", target, errno));
    return replaced;
}

// True when `target` (`theirs` its status) is a regular file holding exactly
// what the (flushed) file `fd` holds. With `sync`, the target is then flushed
// to the disk, as a newly written one would be.
bool HoldsSameBytes(int fd, const fs::path& target, const struct stat& theirs, bool sync) {
    struct stat mine;
    if (::fstat(fd, &mine) != 0) return false;
    if (!S_ISREG(theirs.st_mode) || theirs.st_size != mine.st_size) return false;
    const int other = ::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (other < 0) return false;
    const DescriptorCloser closer(other);
    static constexpr std::size_t kChunk = 1 << 16;
    std::string a(kChunk, '\0'), b(kChunk, '\0');
    for (off_t at = 0; at < mine.st_size;) {
        const ssize_t got = ::pread(fd, a.data(), kChunk, at);
        if (got <= 0 || ::pread(other, b.data(), static_cast<std::size_t>(got), at) != got) return false;
        if (std::memcmp(a.data(), b.data(), static_cast<std::size_t>(got)) != 0) return false;
        at += got;
    }
    return !sync || SyncFile(other) == 0;
}

}  // namespace

SyncCall ReplaceSyncCall(SyncCall call) {
    return gSyncCall.exchange(call ? call : &::fsync);
}

TemporaryNameCall ReplaceTemporaryNameCall(TemporaryNameCall call) {
    return gTemporaryName.exchange(call ? call : &TemporarySibling);
}

WholeFileWriter::WholeFileWriter(const fs::path& target, Durability durability)
    : target_(target), final_(ReplacedFile(target)), durability_(durability) {
    // Another writer may have picked the same name in the same instant:
    // exclusive creation fails then, and a fresh name is tried.
    for (int attempt = 0; attempt < 10 && !file_; ++attempt) {
        temp_ = gTemporaryName.load()(final_);
        // Readable too, to compare with the target before replacing it; the
        // owner's alone until it is complete (see commit()).
        const int fd = ::open(temp_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            throw Error(FileErrorMessage("Cannot create file", target_, errno));
        }
        file_ = ::fdopen(fd, "wb");
        if (!file_) {
            const int err = errno;
            ::close(fd);
            ::unlink(temp_.c_str());
            throw Error(FileErrorMessage("Cannot create file", target_, err));
        }
    }
    if (!file_) throw Error(FileErrorMessage("Cannot create file", target_, EEXIST));
}

WholeFileWriter::~WholeFileWriter() {
    discard();
}

void WholeFileWriter::discard() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!done_) {
        ::unlink(temp_.c_str());
        done_ = true;
    }
}

void WholeFileWriter::fail(const char* what, int err) {
    discard();
    throw Error(FileErrorMessage(what, target_, err));
}

void WholeFileWriter::write(std::string_view bytes) {
    if (!file_) throw Error(FileErrorMessage("Cannot write file", target_, EBADF));
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) fail("Cannot write file", errno);
}

void WholeFileWriter::commit() {
    if (!file_) throw Error(FileErrorMessage("Cannot write file", target_, EBADF));
    if (std::ferror(file_)) fail("Cannot write file", errno != 0 ? errno : EIO);
    if (std::fflush(file_) != 0) fail("Cannot write file", errno);
    // The file being replaced, if any: compared with, and its permission
    // bits kept.
    // A link at final_ (a stranger's or a dangling one) is replaced, not
    // what it points to: its target is neither compared nor looked at.
    struct stat old;
    const bool replacing = ::lstat(final_.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    // A target that already holds these bytes is left as it is: a save that
    // changed nothing rewrites nothing, and costs no sync.
    if (replacing && HoldsSameBytes(::fileno(file_), final_, old, durability_ == Durability::Synced)) {
        discard();
        return;
    }
    // A replaced file keeps its permission bits; a new one gets what the
    // umask allows. Set on the descriptor, so it is synced with the data.
    // File systems without Unix modes (FAT) refuse; their files are all alike.
    ::fchmod(::fileno(file_), replacing ? (old.st_mode & 07777) : NewFileMode());
    if (durability_ == Durability::Synced && SyncFile(::fileno(file_)) != 0) fail("Cannot write file", errno);
    const int rc = std::fclose(file_);
    file_ = nullptr;
    if (rc != 0) fail("Cannot write file", errno);
    if (std::rename(temp_.c_str(), final_.c_str()) != 0) fail("Cannot create file", errno);
    done_ = true;
}

void WriteWholeFile(const fs::path& target, std::string_view bytes, Durability durability) {
    WholeFileWriter out(target, durability);
    out.write(bytes);
    out.commit();
}

bool CopyWholeFile(const fs::path& source, const fs::path& target, Durability durability) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (in < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return false;
        throw Error(FileErrorMessage("Cannot open file", source, errno));
    }
    const DescriptorCloser closer(in);
    struct stat st;
    if (::fstat(in, &st) != 0) throw Error(FileErrorMessage("Cannot read file", source, errno));
    if (S_ISDIR(st.st_mode)) throw Error(FileErrorMessage("Cannot read file", source, EISDIR));
    if (!S_ISREG(st.st_mode)) throw Error(FileErrorMessage("Cannot read file", source, kNotRegular));

    WholeFileWriter out(target, durability);
    static constexpr std::size_t kChunk = 1 << 17;
    std::string buffer(kChunk, '\0');
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), kChunk);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw Error(FileErrorMessage("Cannot read file", source, errno));
        }
        if (got == 0) break;
        out.write(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
    }
    out.commit();
    return true;
}

fs::path TemporarySibling(const fs::path& target) {
    // Same folder as the target, so the final rename cannot cross devices.
    // The name starts with a dot and ends in .tmp, so it is neither published
    // nor mistaken for the target by a directory listing.
    static thread_local std::mt19937 random{std::random_device{}()};
    const auto stamp = std::to_string(::getpid()) + "-" + std::to_string(random() & 0xFFFFFF);
    return target.parent_path() / ("." + target.filename().string() + "." + stamp + ".tmp");
}

std::optional<std::string> TemporarySiblingTarget(std::string_view fileName) {
    // ".NAME.PID-NUMBER.tmp", as TemporarySibling makes them.
    if (fileName.size() < 8 || fileName[0] != '.' || fileName.substr(fileName.size() - 4) != ".tmp")
        return std::nullopt;
    const std::string_view middle = fileName.substr(1, fileName.size() - 5);
    const std::size_t dot = middle.rfind('.');
    if (dot == std::string_view::npos) return std::nullopt;
    const std::string_view stamp = middle.substr(dot + 1);
    const std::size_t dash = stamp.find('-');
    const auto digits = [](std::string_view s) {
        return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (dash == std::string_view::npos || !digits(stamp.substr(0, dash)) || !digits(stamp.substr(dash + 1)))
        return std::nullopt;
    return std::string(middle.substr(0, dot));
}

bool IsOwnSettledLeftover(const struct stat& status) {
    constexpr std::time_t kSettleSeconds = 60;
    return status.st_uid == ::geteuid() && std::time(nullptr) - status.st_mtim.tv_sec >= kSettleSeconds;
}

void RemoveLeftoverTemporaries(const fs::path& folder, const std::vector<std::string>& names) {
    const std::unordered_set<std::string> wanted(names.begin(), names.end());
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::optional<std::string> target = TemporarySiblingTarget(it->path().filename().string());
        if (!target || !wanted.count(*target)) continue;
        struct stat st;
        if (::lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode) || !IsOwnSettledLeftover(st))
            continue;
        ::unlink(it->path().c_str());
    }
}

void CheckCanReplace(const fs::path& target) {
    const fs::path replaced = ReplacedFile(target);
    const fs::path folder = replaced.has_parent_path() ? replaced.parent_path() : fs::path(".");
    // The temporary file is made in the folder of the file it replaces.
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        throw Error(FileErrorMessage("Cannot create file", target, errno));
}

std::optional<FileIdentity> IdentifyFile(const fs::path& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileIdentity{st.st_dev, st.st_ino};
}

}  // namespace marivel
