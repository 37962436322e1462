#include "model/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "model/error.h"
#include "model/file_error.h"

namespace marivel {

FolderLock::FolderLock(const std::filesystem::path& folder, const std::function<void()>& onWait) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            throw Error(FileErrorMessage("Cannot open folder", folder, errno));
        return;  // cannot be read: nothing to lock with
    }
    // flock locks belong to the open file description, so two threads of one
    // process exclude each other just as two processes do.
    int rc = ::flock(fd, LOCK_EX | LOCK_NB);
    if (rc != 0 && errno == EWOULDBLOCK) {
        if (onWait) {
            try {
                onWait();
            } catch (...) {
                ::close(fd);
                throw;
            }
        }
        do {
            rc = ::flock(fd, LOCK_EX);
        } while (rc != 0 && errno == EINTR);
    }
    if (rc != 0) {
        ::close(fd);  // no locks on this file system
        return;
    }
    fd_ = fd;
}

FolderLock::~FolderLock() {
    if (fd_ >= 0) ::close(fd_);  // closing the last descriptor releases the lock
}

}  // namespace marivel
