#include "documents/project_file_stamp.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

#include <vector>

#include "platform/local_text.h"

namespace marivel {

std::optional<ProjectFileStamp> StampProjectFile(const QString& path) {
    // Opened without blocking and checked through the descriptor: a pipe
    // put in the project's place must not hang the window.
    const int fd = ::open(toLocalPath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    XXH64_state_t* state = XXH64_createState();
    if (!state) return std::nullopt;
    XXH64_reset(state, 0);
    std::vector<char> buffer(std::size_t(1) << 16);
    ssize_t got;
    while ((got = ::read(fd, buffer.data(), buffer.size())) > 0)
        XXH64_update(state, buffer.data(), std::size_t(got));
    const std::uint64_t hash = XXH64_digest(state);
    XXH64_freeState(state);
    if (got < 0) return std::nullopt;
    return ProjectFileStamp{std::int64_t(info.st_size),
                            std::int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec, hash};
}

}  // namespace marivel
