#pragma once

#include <filesystem>

namespace marivel {

// The per-user folders of the program, after the XDG base directories:
// "$XDG_DATA_HOME/Marivel" (default "~/.local/share/Marivel") for what the
// program keeps for the user, and "$XDG_CACHE_HOME/Marivel" (default
// "~/.cache/Marivel") for what it can always make again. A variable that is
// unset, empty or not an absolute path counts as unset. The folders are only
// named here, not created. The editor and marivel-publish both ask here, so
// they always agree.
std::filesystem::path UserDataFolder();
std::filesystem::path UserCacheFolder();
// "$XDG_RUNTIME_DIR/Marivel" for what lives only while the program runs
// (the system empties it when the user logs out), when that folder is the
// user's own with mode 0700; else the cache folder (also when the variable
// is unset, empty or not absolute).
std::filesystem::path UserRuntimeFolder();

// The cache folder of the account itself, "~/.cache/Marivel" with the home
// folder from the password database: the same for every run of the user,
// whatever its environment says (a desktop session, cron, ssh and a build
// script set different variables). For what all of them must share.
std::filesystem::path AccountCacheFolder();

// A folder (not a link) of this user that nobody else may enter or write to.
bool IsPrivateFolder(const std::filesystem::path& folder);

// The user's home folder: $HOME, or the password database's entry when HOME
// is unset or not absolute.
std::filesystem::path HomeFolder();

}  // namespace marivel
