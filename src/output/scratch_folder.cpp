#include "output/scratch_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "model/descriptor_closer.h"
#include "model/error.h"
#include "model/user_folders.h"
#include "model/whole_file.h"

namespace marivel {

namespace fs = std::filesystem;

namespace {

constexpr const char* kScratchPrefix = "marivel-";
// A folder is made under this prefix (and the final name), locked, and only
// then renamed to its final name.
constexpr const char* kPendingPrefix = ".new-";

bool IsDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool HasPrefixAndDigits(const std::string& name, const std::string& prefix) {
    return name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
           IsDigits(std::string_view(name).substr(prefix.size()));
}

// Whether `folder` (open as `dirFd`) carries the mark that a run of ours
// wrote into it when it made it, naming it `name`. Only such a folder is
// ever removed: a folder of the user's that merely looks like ours (their
// "marivel-2024" full of photos) carries none.
bool CarriesOurMark(int dirFd, const std::string& name) {
    const int fd = ::openat(dirFd, kScratchMarkFile, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    const DescriptorCloser closer(fd);
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) return false;
    const std::string expected = ScratchMark(name);
    std::string text(expected.size() + 1, '\0');
    const ssize_t got = ::read(fd, text.data(), text.size());
    return got == static_cast<ssize_t>(expected.size()) && text.compare(0, expected.size(), expected) == 0;
}

// Removes the folders of this user under `base` that no run holds any more:
// a run that was killed leaves its folder behind, with every prepared image
// in it. Only folders that carry our mark are removed; pending ones (killed
// between making and naming them) must also have settled.
void RemoveAbandonedFolders(const fs::path& base, const std::string& prefix) {
    std::error_code ec;
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const bool pending = HasPrefixAndDigits(name, kPendingPrefix + prefix);
        if (!pending && !HasPrefixAndDigits(name, prefix)) continue;
        struct stat status;
        if (::lstat(it->path().c_str(), &status) != 0 || !S_ISDIR(status.st_mode) ||
            status.st_uid != ::geteuid())
            continue;
        if (pending && !IsOwnSettledLeftover(status)) continue;
        const int fd = ::open(it->path().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        const DescriptorCloser closer(fd);
        // The mark names the folder by its final name, also while pending.
        const std::string named = pending ? name.substr(std::string(kPendingPrefix).size()) : name;
        // A live run holds its folder's lock for as long as it lives.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && CarriesOurMark(fd, named)) {
            std::error_code ignored;
            fs::remove_all(it->path(), ignored);
        }
    }
}

// Writes the mark into the folder open as `dirFd`; a folder without one is
// simply never cleared by a later run.
void WriteMark(int dirFd, const std::string& name) {
    const int fd =
        ::openat(dirFd, kScratchMarkFile, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return;
    const DescriptorCloser closer(fd);
    const std::string mark = ScratchMark(name);
    if (::write(fd, mark.data(), mark.size()) != static_cast<ssize_t>(mark.size()))
        ::unlinkat(dirFd, kScratchMarkFile, 0);
}

// Renames without replacing: an empty folder of the same name would be
// replaced by a plain rename.
bool RenameNew(const fs::path& from, const fs::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without the flag: the name was free a moment ago.
    std::error_code ec;
    return !fs::exists(fs::symlink_status(to, ec)) && ::rename(from.c_str(), to.c_str()) == 0;
}

// `base` itself, made owner-only when missing; an Error when it is not a
// folder of the user's own that only the user may write to.
void PrepareBase(const fs::path& base) {
    std::error_code ec;
    fs::create_directories(base.parent_path(), ec);
    if (::mkdir(base.c_str(), 0700) != 0 && errno != EEXIST)
        throw Error("Cannot create the folder \"" + base.string() + "\". " + std::strerror(errno));
    struct stat status;
    if (::stat(base.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::geteuid() ||
        (status.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        throw Error("The folder \"" + base.string() + "\" is not the user's own");
}

}  // namespace

ScratchFolder::ScratchFolder() {
    try {
        PrepareBase(ScratchBaseFolder());
        make(ScratchBaseFolder(), kScratchPrefix);
        return;
    } catch (const Error&) {
        // A home that cannot be written to (a service account, a read-only
        // home): the folder is made in the system's temporary folder then,
        // private all the same.
    }
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    if (ec) throw Error("Cannot find the temporary folder. " + ec.message());
    make(base, kScratchPrefix);
}

ScratchFolder::ScratchFolder(const fs::path& base, const std::string& prefix) {
    PrepareBase(base);
    make(base, prefix);
}

void ScratchFolder::make(const fs::path& base, const std::string& prefix) {
    RemoveAbandonedFolders(base, prefix);
    std::random_device seed;
    std::mt19937_64 random(seed());
    int err = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string digits = std::to_string(random() % 1000000000000ULL);
        const fs::path pending = base / (kPendingPrefix + prefix + digits);
        if (::mkdir(pending.c_str(), 0700) != 0) {
            err = errno;
            if (err == EEXIST) continue;
            break;
        }
        const int fd = ::open(pending.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        // Where the file system has no locks the folder is still private,
        // and no other run can lock it away either.
        if (fd >= 0) ::flock(fd, LOCK_EX | LOCK_NB);
        // Marked as ours under the lock, before it has the name a later run
        // looks for: only a marked folder is ever cleared away.
        if (fd >= 0) WriteMark(fd, prefix + digits);
        fs::path named = base / (prefix + digits);
        if (RenameNew(pending, named)) {
            path_ = std::move(named);
            lock_ = fd;
            return;
        }
        err = errno;
        ::rmdir(pending.c_str());
        if (fd >= 0) ::close(fd);
        if (err != EEXIST && err != ENOTEMPTY) break;
    }
    throw Error("Cannot create a scratch folder in \"" + base.string() + "\". " +
                (err ? std::string(std::strerror(err)) : std::string("Too many name clashes")));
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
    if (lock_ >= 0) ::close(lock_);
}

fs::path EditorSessionsFolder() {
    return UserRuntimeFolder() / "sessions";
}

fs::path ScratchBaseFolder() {
    return UserRuntimeFolder() / "scratch";
}

std::string ScratchMark(const std::string& folderName) {
    return "Marivel scratch folder " + folderName + "\n";
}

}  // namespace marivel
