#include "output/scratch_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <string>

#include "model/descriptor_closer.h"
#include "model/error.h"
#include "model/whole_file.h"

namespace marivel {

namespace fs = std::filesystem;

namespace {

constexpr const char* kPrefix = "marivel-";

bool IsScratchName(const std::string& name) {
    const std::size_t prefix = std::char_traits<char>::length(kPrefix);
    return name.size() > prefix && name.compare(0, prefix, kPrefix) == 0 &&
           std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix), name.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

// Removes the scratch folders of this user that no run holds any more: a
// run that was killed leaves its folder behind, with every prepared image
// in it, and the temporary folder would fill up over time.
void RemoveAbandonedFolders(const fs::path& base) {
    std::error_code ec;
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        if (!IsScratchName(it->path().filename().string())) continue;
        // A younger folder may belong to a run that has made it but not yet
        // locked it.
        struct stat status;
        if (::lstat(it->path().c_str(), &status) != 0 || !S_ISDIR(status.st_mode) ||
            !IsOwnSettledLeftover(status))
            continue;
        const int fd = ::open(it->path().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        const DescriptorCloser closer(fd);
        // A run in progress holds its folder's lock for as long as it lives.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            std::error_code ignored;
            fs::remove_all(it->path(), ignored);
        }
    }
}

}  // namespace

ScratchFolder::ScratchFolder() {
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    if (ec) throw Error("Cannot find the temporary folder. " + ec.message());
    RemoveAbandonedFolders(base);
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = base / (kPrefix + std::to_string(random() % 1000000000000ULL));
        // create_directory answers false when the name is taken: try another.
        if (fs::create_directory(candidate, ec)) {
            fs::permissions(candidate, fs::perms::owner_all, fs::perm_options::replace, ec);
            // Held until the folder goes, so no other run takes it for one
            // that was abandoned.
            lock_.emplace(candidate);
            path_ = std::move(candidate);
            return;
        }
        if (ec) break;
    }
    throw Error("Cannot create a scratch folder in \"" + base.string() + "\". " +
                (ec ? ec.message() : std::string("Too many name clashes")));
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace marivel
