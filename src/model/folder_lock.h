#pragma once

#include <filesystem>
#include <functional>

namespace marivel {

// The activity message while a save waits for the folder's lock.
inline constexpr const char* kWaitingForFolderHint = "Waiting for another save into this folder ... ...";

// An advisory lock on a folder, held for the object's lifetime. The lock sits
// on the folder itself, so it needs no file of its own and it ends with the
// process whatever way the process ends. Anyone who may read the folder can
// take it too, so it only serves folders no one else can enter (the private
// scratch folders, which a run holds while it lives); saves into the user's
// folders take turns through SaveLock instead.
//
// The constructor waits while someone else holds the lock; onWait (if given)
// is called once before waiting, to tell the user why nothing happens.
// A folder that does not exist or is no folder is an Error. Where the file
// system offers no locks, or the folder may not be read, the object holds
// nothing and the work goes on unserialised: each file is still written
// whole.
class FolderLock {
public:
    explicit FolderLock(const std::filesystem::path& folder, const std::function<void()>& onWait = {});
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace marivel
