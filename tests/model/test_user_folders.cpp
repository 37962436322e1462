#include <gtest/gtest.h>

#include <string>

#include "model/user_folders.h"
#include "support/scoped_env.h"

namespace marivel {
namespace {

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

}  // namespace
}  // namespace marivel
