#pragma once

#include <filesystem>
#include <optional>

#include "model/folder_lock.h"

namespace marivel {

// A private folder for scratch files, made under the system's temporary
// folder with owner-only permissions and removed with everything in it when
// the object goes. Scratch files never go to the working directory, where
// they could overwrite and then delete a user's file of the same name.
// The folder stays locked while the object lives; folders of the user that
// no run holds any more (left by a run that was killed) are removed when a
// new one is made.
class ScratchFolder {
public:
    ScratchFolder();  // throws Error when no folder can be made
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    std::optional<FolderLock> lock_;  // released after the folder is removed
};

}  // namespace marivel
