#pragma once

#include <sys/types.h>

#include <sys/stat.h>
#include <cstddef>
#include <cstdio>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marivel {

// Whether a written file is flushed to the disk before it replaces its
// target. Files in the user's folders are; scratch files that are copied on
// at once need not pay for it.
enum class Durability { Synced, Unsynced };

// Writes a file whole: into a temporary file beside the target, renamed over
// the target only when everything was written. Readers of the target see the
// old file or the new one, never a part; a failed or interrupted write leaves
// the old file as it was and no temporary file behind. A target that already
// holds exactly the written bytes is left untouched (its time included).
//
// While it is written, the temporary file is open to its owner only: the
// target may be private, and other users must not read it half-made. It gets
// the target's permission bits (a new file: what the umask leaves of 0666)
// just before it is renamed.
//
// The target must be a regular file or not exist. A symbolic link of the
// user's own is followed, so the file it names is replaced and the link
// stays. A link that another user made is never followed, in any folder:
// it is replaced by the written file, or refused where the folder does not
// let it be replaced (sticky, like /tmp). A target
// that is a folder, a FIFO, a device or a socket, or a file the process may
// not write, is refused before anything is written. Errors are
// marivel::Error naming the target and the reason.
class WholeFileWriter {
public:
    explicit WholeFileWriter(const std::filesystem::path& target, Durability durability = Durability::Synced);
    ~WholeFileWriter();  // discards the temporary file unless committed
    WholeFileWriter(const WholeFileWriter&) = delete;
    WholeFileWriter& operator=(const WholeFileWriter&) = delete;

    void write(std::string_view bytes);
    // For writers that want a C stream (libjpeg). Write errors on it are
    // caught by commit().
    std::FILE* stream() { return file_; }
    // Flushes, closes and renames over the target; throws on any failure.
    void commit();
    // Removes the temporary file; the target stays as it was.
    void discard();

private:
    [[noreturn]] void fail(const char* what, int err);
    std::filesystem::path target_;  // as the caller named it, for messages
    std::filesystem::path final_;   // the file that is replaced
    std::filesystem::path temp_;
    std::FILE* file_ = nullptr;
    Durability durability_;
    bool done_ = false;
};

// Throws the Error WholeFileWriter would, without writing anything, when
// target could not be written whole now: it is no regular file, the user may
// not write it, or its folder does not let a file be made beside it. For
// checking every file of a save before the first one is written.
void CheckCanReplace(const std::filesystem::path& target);

// The call that flushes a written file to the disk (fsync). A test puts its
// own in place to see that a synced commit really syncs, and which file;
// answers the call it replaced.
using SyncCall = int (*)(int fd);
SyncCall ReplaceSyncCall(SyncCall call);

// How WholeFileWriter names its temporary file (TemporarySibling). A test
// puts its own in place to make two writers pick the same name; answers the
// call it replaced.
using TemporaryNameCall = std::filesystem::path (*)(const std::filesystem::path& target);
TemporaryNameCall ReplaceTemporaryNameCall(TemporaryNameCall call);

// Writes `bytes` over target through WholeFileWriter.
void WriteWholeFile(const std::filesystem::path& target, std::string_view bytes,
                    Durability durability = Durability::Synced);

// Copies source over target through WholeFileWriter. Answers false, and
// writes nothing, when the source does not exist; any other failure (an
// unreadable source, a full disk, a target that is not a regular file) is an
// Error naming the file concerned.
bool CopyWholeFile(const std::filesystem::path& source, const std::filesystem::path& target,
                   Durability durability = Durability::Synced);

// A fresh name for a temporary file beside target: ".NAME.PID-NUMBER.tmp" in
// the target's folder, so the final rename cannot cross devices and a
// listing neither publishes it nor takes it for the target. Writers that
// must create files beside a target themselves take their names from here.
std::filesystem::path TemporarySibling(const std::filesystem::path& target);

// The file a temporary file that WholeFileWriter makes beside its target
// stands for: NAME for ".NAME.PID-NUMBER.tmp", nothing for any other name.
// Every clean-up of a killed writer's files recognises them by this alone.
std::optional<std::string> TemporarySiblingTarget(std::string_view fileName);

// Whether a file or folder that a killed run may have left behind (`status`
// from lstat) may be removed: it is the user's own and untouched for a
// minute, far longer than any run takes between making it and holding or
// renaming it.
bool IsOwnSettledLeftover(const struct stat& status);

// Removes the temporary files that writers of the named files in `folder`
// left there when they were killed before renaming them, if they are older
// than a minute. Call it only while no other writer of these files can run
// (under the folder's lock).
void RemoveLeftoverTemporaries(const std::filesystem::path& folder, const std::vector<std::string>& names);

// Which file a path names, independent of how the path is spelled: links,
// "..", other case on case-folding file systems and hard links all give the
// same identity.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};
struct FileIdentityHash {
    std::size_t operator()(const FileIdentity& id) const noexcept {
        return std::hash<unsigned long long>()(static_cast<unsigned long long>(id.inode) * 1000003ULL ^
                                               static_cast<unsigned long long>(id.device));
    }
};
// Nothing when no file can be found under the path.
std::optional<FileIdentity> IdentifyFile(const std::filesystem::path& path);

}  // namespace marivel
