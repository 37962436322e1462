#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include <string>

#include "model/save_lock.h"
#include "model/user_folders.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace marivel {
namespace {

namespace fs = std::filesystem;
using test::ScopedEnv;

TEST(UserFolders, FollowTheBaseDirectoriesAndIgnoreRelativeOrEmptyValues) {
    ScopedEnv home("HOME", "/home/ann");
    struct Row {
        const char* data;
        const char* cache;
        const char* wantData;
        const char* wantCache;
    } rows[] = {
        {nullptr, nullptr, "/home/ann/.local/share/Marivel", "/home/ann/.cache/Marivel"},
        {"/x/data", "/y/cache", "/x/data/Marivel", "/y/cache/Marivel"},
        {"", "", "/home/ann/.local/share/Marivel", "/home/ann/.cache/Marivel"},
        {"relative/data", "./cache", "/home/ann/.local/share/Marivel", "/home/ann/.cache/Marivel"},
    };
    for (const Row& row : rows) {
        ScopedEnv data("XDG_DATA_HOME", row.data);
        ScopedEnv cache("XDG_CACHE_HOME", row.cache);
        EXPECT_EQ(UserDataFolder(), row.wantData) << (row.data ? row.data : "(unset)");
        EXPECT_EQ(UserCacheFolder(), row.wantCache) << (row.cache ? row.cache : "(unset)");
    }
}

TEST(UserFolders, WithoutAUsableHomeTheAccountsFolderIsUsed) {
    ScopedEnv home("HOME", "not/absolute");
    ScopedEnv data("XDG_DATA_HOME", nullptr);
    const std::filesystem::path folder = UserDataFolder();
    EXPECT_TRUE(folder.is_absolute()) << folder;
    EXPECT_EQ(folder.filename(), "Marivel");
}

// Scratch and session folders go in the runtime folder only when nobody
// else can enter it or swap it; else in the cache folder.
TEST(UserFolders, TheRuntimeFolderIsUsedOnlyWhenItIsTheUsersOwnAndPrivate) {
    test::TempDir dir;
    ScopedEnv cache("XDG_CACHE_HOME", (dir / "cache").c_str());
    struct Row {
        const char* name;
        std::function<fs::path()> arrange;
        bool used;
        bool needsRoot = false;
    };
    const auto folder = [&](const char* name, fs::perms mode) {
        return [&dir, name, mode] {
            fs::create_directory(dir / name);
            fs::permissions(dir / name, mode);
            return dir / name;
        };
    };
    const Row rows[] = {
        {"own, 0700", folder("private", fs::perms::owner_all), true},
        {"own, 0755", folder("open", fs::perms(0755)), false},
        {"own, 0777", folder("everyones", fs::perms::all), false},
        {"a link to an own 0700 folder",
         [&] {
             fs::create_directory(dir / "real");
             fs::permissions(dir / "real", fs::perms::owner_all);
             fs::create_directory_symlink(dir / "real", dir / "link");
             return dir / "link";
         },
         false},
        {"missing", [&] { return dir / "missing"; }, false},
        {"another user's, 0700",
         [&] {
             const fs::path f = folder("theirs", fs::perms::owner_all)();
             EXPECT_EQ(::chown(f.c_str(), 65534, 65534), 0);
             return f;
         },
         false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.needsRoot && ::geteuid() != 0) continue;  // only root gives a folder away
        const fs::path runtime = row.arrange();
        ScopedEnv env("XDG_RUNTIME_DIR", runtime.c_str());
        EXPECT_EQ(UserRuntimeFolder(), row.used ? runtime / "Marivel" : dir / "cache" / "Marivel");
    }
}

// The save lock's folder: one for every run of the user, however it was
// started, so a desktop run and a cron job take the same lock.
TEST(UserFolders, TheAccountsCacheFolderIgnoresTheEnvironment) {
    const fs::path expected = AccountCacheFolder();
    EXPECT_EQ(expected.filename(), "Marivel");
    EXPECT_TRUE(expected.is_absolute()) << expected;
    const char* const values[] = {nullptr, "/elsewhere"};
    for (const char* home : values)
        for (const char* cache : values)
            for (const char* runtime : values) {
                ScopedEnv a("HOME", home), b("XDG_CACHE_HOME", cache), c("XDG_RUNTIME_DIR", runtime);
                EXPECT_EQ(AccountCacheFolder(), expected);
                EXPECT_EQ(SaveLock::DefaultLockFolder(), expected / "locks");
            }
}

}  // namespace
}  // namespace marivel
