#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

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
// else can enter or swap it; else in the cache folder.
TEST(UserFolders, TheRuntimeFolderIsUsedOnlyWhenItIsTheUsersOwnAndPrivate) {
    test::TempDir dir;
    ScopedEnv cache("XDG_CACHE_HOME", (dir / "cache").c_str());
    struct Row {
        std::string name;
        int mode;
        bool link, theirs, used;
    };
    const Row rows[] = {
        {"own", 0700, false, false, true},     {"open", 0755, false, false, false},
        {"shared", 0777, false, false, false}, {"linked", 0700, true, false, false},
        {"theirs", 0700, false, true, false},
    };
    for (const Row& row : rows) {
        if (row.theirs && ::geteuid() != 0) continue;  // only root gives a folder away
        const fs::path real = dir / row.name, runtime = row.link ? dir / (row.name + "-link") : real;
        fs::create_directory(real);
        fs::permissions(real, fs::perms(row.mode));
        if (row.theirs) {
            ASSERT_EQ(::chown(real.c_str(), 65534, 65534), 0);
        }
        if (row.link) fs::create_directory_symlink(real, runtime);
        ScopedEnv env("XDG_RUNTIME_DIR", runtime.c_str());
        EXPECT_EQ(UserRuntimeFolder(), row.used ? runtime / "Marivel" : dir / "cache" / "Marivel")
            << row.name;
    }
}

// The save lock's folder is one for every run of the user, however it was
// started, so a desktop run and a cron job take the same lock.
TEST(UserFolders, TheLockFolderIgnoresTheEnvironment) {
    const fs::path expected = AccountCacheFolder() / "locks";
    for (const char* value : {static_cast<const char*>(nullptr), "/elsewhere"}) {
        ScopedEnv home("HOME", value), cache("XDG_CACHE_HOME", value), runtime("XDG_RUNTIME_DIR", value);
        EXPECT_EQ(SaveLock::DefaultLockFolder(), expected);
    }
}

}  // namespace
}  // namespace marivel
