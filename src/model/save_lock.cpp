#include "model/save_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "model/error.h"
#include "model/file_error.h"
#include "model/user_folders.h"

namespace marivel {

namespace fs = std::filesystem;

namespace {

constexpr std::chrono::milliseconds kPollInterval{40};

// Makes the lock folder (owner only) when missing; false when it is not, or
// cannot be made, a private folder of this user.
bool MakePrivateFolder(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder.parent_path(), ec);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat st;
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) return false;
    if ((st.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0) return false;
    return true;
}

}  // namespace

fs::path SaveLock::DefaultLockFolder() {
    // Not the runtime folder: cron, ssh and build scripts often run without
    // it, and would take other locks than the desktop's runs.
    return AccountCacheFolder() / "locks";
}

SaveLock::SaveLock(const fs::path& folder, const KeepWaiting& keepWaiting, const fs::path& lockFolder) {
    struct stat target;
    if (::stat(folder.c_str(), &target) != 0)
        throw Error(FileErrorMessage("Cannot open folder", folder, errno));
    if (!S_ISDIR(target.st_mode)) throw Error(FileErrorMessage("Cannot open folder", folder, ENOTDIR));
    if (!MakePrivateFolder(lockFolder)) {
        problem_ = "the lock folder \"" + lockFolder.string() +
                   "\" cannot be made, or is not a private folder of this user";
        return;
    }

    char name[64];
    std::snprintf(name, sizeof name, "%llx-%llx.lock", static_cast<unsigned long long>(target.st_dev),
                  static_cast<unsigned long long>(target.st_ino));
    const fs::path file = lockFolder / name;
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) {
        problem_ = FileErrorMessage("the lock file", file, errno);
        return;
    }
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            fd_ = fd;
            state_ = State::Held;
            return;
        }
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) {
            problem_ = "the file system of \"" + lockFolder.string() + "\" has no locks";
            break;
        }
        waited_ = true;
        const auto waitedSoFar =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        bool goOn = false;
        try {
            goOn = !keepWaiting || keepWaiting(waitedSoFar);
        } catch (...) {
            ::close(fd);
            throw;
        }
        if (!goOn) {
            ::close(fd);
            state_ = State::GaveUp;
            return;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    ::close(fd);
}

SaveLock::~SaveLock() {
    // The lock file stays: removing it while another save opens it would let
    // two saves hold two different files under one name.
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace marivel
