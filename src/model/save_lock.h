#pragma once

#include <chrono>
#include <filesystem>
#include <functional>

namespace marivel {

// The activity message while a save waits for another save into its folder.
inline constexpr const char* kWaitingForFolderHint = "Waiting for another save into this folder ... ...";

// Makes one user's saves into the same folder take turns, from this program,
// another editor or marivel-publish, so the folder always holds one save's
// files.
//
// The lock is a file in a folder only this user can write (the per-user
// runtime folder, else the user's cache folder), named after the saved
// folder's device and inode, so every spelling of the folder (links, "..")
// meets the same lock. Nobody else can take it: a lock on the site folder
// itself could be taken by anyone who may read the folder, and would freeze
// every save into it for as long as they liked.
//
// Waiting is bounded by the caller: while another save holds the lock,
// keepWaiting is asked every few hundredths of a second with the time waited
// so far (the first time at once) and ends the wait by answering false. Where
// no lock can be had (no private folder, a file system without locks) the
// save goes on unserialised: each file is still written whole.
class SaveLock {
public:
    using KeepWaiting = std::function<bool(std::chrono::milliseconds waited)>;
    enum class State { Held, GaveUp, Unavailable };

    // A folder that does not exist or is no folder is an Error.
    SaveLock(const std::filesystem::path& folder, const KeepWaiting& keepWaiting,
             const std::filesystem::path& lockFolder = DefaultLockFolder());
    ~SaveLock();
    SaveLock(const SaveLock&) = delete;
    SaveLock& operator=(const SaveLock&) = delete;

    State state() const { return state_; }
    bool waited() const { return waited_; }

    // "$XDG_RUNTIME_DIR/marivel-locks" when the runtime folder is the
    // user's own and closed to others, else "<user cache>/locks".
    static std::filesystem::path DefaultLockFolder();

private:
    int fd_ = -1;
    State state_ = State::Unavailable;
    bool waited_ = false;
};

}  // namespace marivel
