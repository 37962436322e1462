#pragma once

#include <filesystem>
#include <string>

namespace marivel {

// A private folder for scratch files, with owner-only permissions, removed
// with everything in it when the object goes. Scratch files never go to the
// working directory, where they could overwrite and then delete a user's
// file of the same name.
//
// The folder is locked (flock) before it gets its name, and stays locked
// while the object lives, so a folder under that name that nobody holds was
// left by a run that was killed: such folders of the user are removed when a
// new one is made.
class ScratchFolder {
public:
    // Under the system's temporary folder, named "marivel-" and digits.
    // Runs of older versions there name their folder before they lock it,
    // so only leftovers untouched for a minute are taken for abandoned.
    ScratchFolder();
    // Under `base` (made owner-only when missing), named prefix and digits;
    // an abandoned folder there is removed whatever its age. For the
    // editor's own folder of a session under the per-user runtime folder.
    ScratchFolder(const std::filesystem::path& base, const std::string& prefix);
    ~ScratchFolder();  // the constructors throw Error when no folder can be made
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    void make(const std::filesystem::path& base, const std::string& prefix, bool settle);
    std::filesystem::path path_;
    int lock_ = -1;  // the folder's descriptor, holding its lock; closed after the folder is removed
};

// Where each running editor keeps its session folder: "sessions" in the
// per-user runtime folder.
std::filesystem::path EditorSessionsFolder();

}  // namespace marivel
