#pragma once

#include <filesystem>
#include <string>

namespace marivel {

// A private folder for scratch files, with owner-only permissions, removed
// with everything in it when the object goes. Scratch files never go to the
// working directory, where they could overwrite and then delete a user's
// file of the same name, nor to a folder that others may write to.
//
// The folder is locked (flock) and marked as ours (a file inside that names
// it) before it gets its name, and stays locked while the object lives, so
// a marked folder under that name that nobody holds was left by a run that
// was killed: such folders of the user are removed when a new one is made.
// A folder without the mark is never removed, whatever its name.
class ScratchFolder {
public:
    // Under ScratchBaseFolder(), named "marivel-" and digits; in the
    // system's temporary folder when that cannot be used.
    ScratchFolder();
    // Under `base` (made owner-only when missing; it must be the user's
    // own, and closed to others' writes), named prefix and digits. For the
    // editor's own folder of a session.
    ScratchFolder(const std::filesystem::path& base, const std::string& prefix);
    ~ScratchFolder();  // the constructors throw Error when no folder can be made
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    void make(const std::filesystem::path& base, const std::string& prefix);
    std::filesystem::path path_;
    int lock_ = -1;  // the folder's descriptor, holding its lock; closed after the folder is removed
};

// Where each running editor keeps its session folder: "sessions" in the
// per-user runtime folder (the cache folder when the runtime folder is not
// the user's own with mode 0700).
std::filesystem::path EditorSessionsFolder();
// Where other scratch folders are made: "scratch" beside it.
std::filesystem::path ScratchBaseFolder();

// The file in a scratch folder that marks it as ours, and what it holds for
// a folder of the given name.
inline constexpr const char* kScratchMarkFile = ".marivel-scratch";
std::string ScratchMark(const std::string& folderName);

}  // namespace marivel
