#include "model/user_folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace marivel {

namespace fs = std::filesystem;

namespace {

// An environment variable that names an absolute path, or an empty path.
fs::path AbsoluteFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) return {};
    fs::path path(value);
    return path.is_absolute() ? path : fs::path();
}

fs::path BaseFolder(const char* variable, const char* defaultUnderHome) {
    fs::path base = AbsoluteFromEnvironment(variable);
    if (base.empty()) base = HomeFolder() / defaultUnderHome;
    return base / "Marivel";
}

}  // namespace

fs::path HomeFolder() {
    fs::path home = AbsoluteFromEnvironment("HOME");
    if (!home.empty()) return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir && *entry->pw_dir)
        return entry->pw_dir;
    // No home at all (a stripped-down service account): the temporary
    // folder is the only place left that is certain to exist.
    std::error_code ignored;
    return fs::temp_directory_path(ignored);
}

fs::path UserDataFolder() {
    return BaseFolder("XDG_DATA_HOME", ".local/share");
}

fs::path UserCacheFolder() {
    return BaseFolder("XDG_CACHE_HOME", ".cache");
}

bool IsPrivateFolder(const fs::path& folder) {
    struct stat st;
    return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 077) == 0;
}

fs::path UserRuntimeFolder() {
    // A runtime folder that another user owns or may enter could be swapped
    // under us, and would receive the project's files.
    const fs::path runtime = AbsoluteFromEnvironment("XDG_RUNTIME_DIR");
    return !runtime.empty() && IsPrivateFolder(runtime) ? runtime / "Marivel" : UserCacheFolder();
}

fs::path AccountCacheFolder() {
    const passwd* entry = ::getpwuid(::geteuid());
    const fs::path home = entry && entry->pw_dir && *entry->pw_dir && fs::path(entry->pw_dir).is_absolute()
                              ? fs::path(entry->pw_dir)
                              : HomeFolder();
    return home / ".cache" / "Marivel";
}

}  // namespace marivel
