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

constexpr const char* kTemporaryPrefix = "marivel-";
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

// Removes the folders of this user under `base` that no run holds any more:
// a run that was killed leaves its folder behind, with every prepared image
// in it. Pending folders (killed between making and naming them) must also
// have settled; so must named ones when `settle` is set.
void RemoveAbandonedFolders(const fs::path& base, const std::string& prefix, bool settle) {
    std::error_code ec;
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const bool pending = HasPrefixAndDigits(name, kPendingPrefix + prefix);
        if (!pending && !HasPrefixAndDigits(name, prefix)) continue;
        struct stat status;
        if (::lstat(it->path().c_str(), &status) != 0 || !S_ISDIR(status.st_mode) ||
            status.st_uid != ::geteuid())
            continue;
        if ((pending || settle) && !IsOwnSettledLeftover(status)) continue;
        const int fd = ::open(it->path().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        const DescriptorCloser closer(fd);
        // A live run holds its folder's lock for as long as it lives.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            std::error_code ignored;
            fs::remove_all(it->path(), ignored);
        }
    }
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
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    if (ec) throw Error("Cannot find the temporary folder. " + ec.message());
    make(base, kTemporaryPrefix, true);
}

ScratchFolder::ScratchFolder(const fs::path& base, const std::string& prefix) {
    PrepareBase(base);
    make(base, prefix, false);
}

void ScratchFolder::make(const fs::path& base, const std::string& prefix, bool settle) {
    RemoveAbandonedFolders(base, prefix, settle);
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

}  // namespace marivel
