#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

#include "model/error.h"
#include "model/save_lock.h"
#include "model/whole_file.h"
#include "support/temp_dir.h"

namespace marivel {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

std::size_t Entries(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
}

TEST(WholeFile, ReplacesRegularFilesAndRefusesEverythingElse) {
    struct Row {
        const char* name;
        std::function<void(const fs::path& target)> arrange;
        std::string error;  // empty: the copy goes through
        bool needsRoot = false;
    };
    const Row rows[] = {
        {"no file yet", [](const fs::path&) {}, ""},
        {"an old file", [](const fs::path& t) { WriteBytes(t, "old"); }, ""},
        {"a folder", [](const fs::path& t) { fs::create_directory(t); }, "Is a directory"},
        {"a FIFO", [](const fs::path& t) { ASSERT_EQ(mkfifo(t.c_str(), 0644), 0); },
         "It is not a regular file"},
        {"a link to a FIFO",
         [](const fs::path& t) {
             ASSERT_EQ(mkfifo((t.parent_path() / "fifo").c_str(), 0644), 0);
             fs::create_symlink("fifo", t);
         },
         "It is not a regular file"},
        {"a dangling link", [](const fs::path& t) { fs::create_symlink("nowhere", t); }, ""},
        // Another user's link in a folder everyone writes to, as in /tmp:
        // followed, it would choose which file is overwritten.
        {"a link of another user in a shared folder",
         [](const fs::path& t) {
             WriteBytes(t.parent_path() / "victim", "precious");
             fs::create_symlink("victim", t);
             ASSERT_EQ(::chmod(t.parent_path().c_str(), 01777), 0);
             ASSERT_EQ(::lchown(t.c_str(), 65534, 65534), 0);
         },
         "It is a link of another user in a shared folder", true},
        // A colleague's link in a group-writable site folder: the file it
        // names is not ours to overwrite; the link gives way to the file.
        {"a link of another user in a group-writable folder",
         [](const fs::path& t) {
             WriteBytes(t.parent_path() / "victim", "precious");
             fs::create_symlink("victim", t);
             ASSERT_EQ(::chmod(t.parent_path().c_str(), 02775), 0);
             ASSERT_EQ(::lchown(t.c_str(), 65534, 65534), 0);
         },
         "", true},
        {"an own link in a shared folder",
         [](const fs::path& t) {
             WriteBytes(t.parent_path() / "mine", "old");
             fs::create_symlink("mine", t);
             ASSERT_EQ(::chmod(t.parent_path().c_str(), 01777), 0);
         },
         ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.needsRoot && ::geteuid() != 0) continue;  // only root gives a link away
        TempDir dir;
        WriteBytes(dir / "source", "new bytes");
        const fs::path target = dir / "target";
        row.arrange(target);
        const std::size_t before = Entries(dir.path());
        if (row.error.empty()) {
            EXPECT_TRUE(CopyWholeFile(dir / "source", target));
            EXPECT_EQ(ReadBytes(target), "new bytes");
            if (fs::exists(dir / "victim")) {
                EXPECT_EQ(ReadBytes(dir / "victim"), "precious");
            }
        } else {
            try {
                CopyWholeFile(dir / "source", target);
                ADD_FAILURE() << "no error";
            } catch (const Error& e) {
                EXPECT_EQ(std::string(e.what()),
                          "Cannot write file \"" + target.string() + "\". " + row.error);
            }
            if (fs::exists(dir / "victim")) {
                EXPECT_EQ(ReadBytes(dir / "victim"), "precious");
            }
            EXPECT_EQ(Entries(dir.path()), before);  // no temporary file left
        }
    }
}

TEST(WholeFile, KeepsLinksAndModesAndSaysWhenTheSourceIsMissing) {
    TempDir dir;
    fs::create_directory(dir / "real");
    WriteBytes(dir / "real" / "page.html", "old");
    fs::permissions(dir / "real" / "page.html", fs::perms(0640));
    fs::create_symlink(dir / "real" / "page.html", dir / "link.html");
    WriteBytes(dir / "source", "new");
    ASSERT_TRUE(CopyWholeFile(dir / "source", dir / "link.html"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.html"));
    EXPECT_EQ(ReadBytes(dir / "real" / "page.html"), "new");
    EXPECT_EQ(fs::status(dir / "real" / "page.html").permissions(), fs::perms(0640));
    EXPECT_EQ(Entries(dir / "real"), 1u);

    EXPECT_FALSE(CopyWholeFile(dir / "missing", dir / "copy"));
    EXPECT_FALSE(fs::exists(dir / "copy"));
    fs::create_directory(dir / "folder");
    EXPECT_THROW(CopyWholeFile(dir / "folder", dir / "copy"), Error);
    EXPECT_THROW(CopyWholeFile(dir / "source", dir / "no-such-folder" / "copy"), Error);
}

TEST(WholeFile, AFileThatWouldNotChangeIsLeftAsItIs) {
    TempDir dir;
    struct Row {
        const char* name;
        std::string before, after;
        bool replaced;
    };
    const Row rows[] = {
        {"the same bytes", "same text\r\n", "same text\r\n", false},
        {"the same bytes, larger than a read", std::string(200'000, 'b'), std::string(200'000, 'b'), false},
        {"one byte changed at the end", std::string(200'000, 'b'), std::string(199'999, 'b') + "c", true},
        {"other bytes of the same size", "same text\r\n", "SAME text\r\n", true},
        {"one byte more", "same text\r\n", "same text\r\n\n", true},
        {"one byte less", "same text\r\n", "same text\r", true},
        {"empty to empty", "", "", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (const Durability durability : {Durability::Synced, Durability::Unsynced}) {
            const fs::path target = dir / "target.txt";
            fs::remove(target);
            WriteBytes(target, row.before);
            const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
            fs::last_write_time(target, old);
            const auto identity = IdentifyFile(target);
            WholeFileWriter out(target, durability);
            out.write(row.after);
            out.commit();
            EXPECT_TRUE(ReadBytes(target) == row.after);
            EXPECT_EQ(fs::last_write_time(target) == old, !row.replaced);
            EXPECT_EQ(IdentifyFile(target) == identity, !row.replaced);
            int files = 0;
            for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path())) ++files;
            EXPECT_EQ(files, 1);  // no temporary file left
        }
    }
}

// What the sync seam saw: the mode of each file synced.
std::vector<mode_t> gSyncedModes;
int RecordingSync(int fd) {
    struct stat status;
    gSyncedModes.push_back(::fstat(fd, &status) == 0 ? status.st_mode & 07777 : 0);
    return 0;
}

TEST(WholeFile, OthersNeverReadItHalfMadeAndItIsSyncedWithTheTargetsMode) {
    struct Row {
        const char* name;
        int oldMode;  // -1: no file yet
        mode_t umask;
        mode_t expected;
    };
    const Row rows[] = {
        {"a private project", 0600, 022, 0600},
        {"a file for the group", 0640, 077, 0640},
        {"an executable page", 0755, 022, 0755},
        {"a new file under a common umask", -1, 022, 0644},
        {"a new file under a strict umask", -1, 077, 0600},
    };
    for (const Row& row : rows) {
        for (const Durability durability : {Durability::Synced, Durability::Unsynced}) {
            SCOPED_TRACE(std::string(row.name) + (durability == Durability::Synced ? ", synced" : ""));
            TempDir dir;
            const fs::path target = dir / "project.mvl";
            if (row.oldMode >= 0) {
                WriteBytes(target, "old text");
                fs::permissions(target, fs::perms(row.oldMode));
            }
            // The umask is read once per process: a child sees the row's.
            const pid_t child = ::fork();
            if (child == 0) {
                ::umask(row.umask);
                gSyncedModes.clear();
                ReplaceSyncCall(&RecordingSync);
                bool ok = true;
                {
                    WholeFileWriter out(target, durability);
                    out.write("secret text");
                    for (const auto& entry : fs::directory_iterator(dir.path()))
                        if (entry.path() != target)  // the temporary file, half made
                            ok = ok && (entry.status().permissions() & fs::perms(077)) == fs::perms::none;
                    out.commit();
                }
                const std::vector<mode_t> synced = durability == Durability::Synced
                                                       ? std::vector<mode_t>{row.expected}
                                                       : std::vector<mode_t>{};
                ok = ok && gSyncedModes == synced;
                std::_Exit(ok ? 0 : 1);
            }
            int status = -1;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
                << "open to others while written, or not synced as it should be";
            EXPECT_EQ(ReadBytes(target), "secret text");
            EXPECT_EQ(fs::status(target).permissions(), fs::perms(row.expected));
        }
    }
}

fs::path gClash;
int gClashes = 0;
fs::path ClashingName(const fs::path&) {
    return gClashes-- > 0 ? gClash : gClash.parent_path() / ".target.1-1.tmp";
}

TEST(WholeFile, ATemporaryNameTakenByAnotherWriterIsNotUsed) {
    TempDir dir;
    gClash = dir / ".target.1-0.tmp";
    WriteBytes(gClash, "another writer's");
    const TemporaryNameCall before = ReplaceTemporaryNameCall(&ClashingName);
    gClashes = 2;
    EXPECT_NO_THROW(WriteWholeFile(dir / "target", "mine"));
    EXPECT_EQ(ReadBytes(dir / "target"), "mine");
    EXPECT_EQ(ReadBytes(gClash), "another writer's");
    gClashes = 1000;
    EXPECT_THROW(WriteWholeFile(dir / "target", "never"), Error);
    ReplaceTemporaryNameCall(before);
    EXPECT_EQ(ReadBytes(dir / "target"), "mine");
    EXPECT_EQ(Entries(dir.path()), 2u);
}

TEST(SaveLock, OneHolderAtATimeAndTheOthersWait) {
    TempDir dir;
    const fs::path locks = dir / "locks";
    std::atomic<int> inside{0}, most{0}, waited{0};
    auto work = [&] {
        for (int round = 0; round < 20; ++round) {
            SaveLock lock(
                dir.path(), [&](std::chrono::milliseconds) { return ++waited, true; }, locks);
            EXPECT_EQ(lock.state(), SaveLock::State::Held);
            const int now = ++inside;
            int seen = most.load();
            while (now > seen && !most.compare_exchange_weak(seen, now)) {
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            --inside;
        }
    };
    std::thread a(work), b(work), c(work);
    a.join();
    b.join();
    c.join();
    EXPECT_EQ(most.load(), 1);
    EXPECT_GT(waited.load(), 0);
    EXPECT_EQ(fs::status(locks).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_THROW(SaveLock(dir / "missing", {}, locks), Error);
    WriteBytes(dir / "file", "x");
    EXPECT_THROW(SaveLock(dir / "file", {}, locks), Error);

    // A lock folder that was opened to others is closed again before use.
    ASSERT_EQ(::chmod(locks.c_str(), 0755), 0);
    EXPECT_EQ(SaveLock(dir.path(), {}, locks).state(), SaveLock::State::Held);
    EXPECT_EQ(fs::status(locks).permissions() & fs::perms::all, fs::perms::owner_all);
    // Where no lock can be had, the lock says why, for the notice.
    const SaveLock none(dir.path(), {}, dir / "file");
    EXPECT_NE(none.problem().find("\"" + (dir / "file").string() + "\" cannot be made"), std::string::npos);
}

}  // namespace
}  // namespace marivel
