#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace marivel {

// The activity message while a save waits for another save into its folder.
inline constexpr const char* kWaitingForFolderHint = "Waiting for another save into this folder ... ...";
// The start of the message, given once per run, that saves go on without
// taking turns because no lock can be had; the reason follows.
inline const std::string kNoTurnsHint = "Saves into a folder cannot take turns: ";

// Makes one user's saves into the same folder take turns, from this program,
// another editor or marivel-publish, so the folder always holds one save's
// files.
//
// The lock is a file in a folder only this user can write (in the account's
// own cache folder, the same for every run of the user), named after the saved
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
    // Why no lock could be had (state Unavailable), for telling the user.
    const std::string& problem() const { return problem_; }
    bool waited() const { return waited_; }

    // "~/.cache/Marivel/locks", with the home folder of the account (see
    // AccountCacheFolder), whatever the environment says.
    static std::filesystem::path DefaultLockFolder();

private:
    int fd_ = -1;
    State state_ = State::Unavailable;
    bool waited_ = false;
    std::string problem_;
};

}  // namespace marivel
