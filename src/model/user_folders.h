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
// (the system empties it when the user logs out); the cache folder when
// the variable is unset, empty or not absolute.
std::filesystem::path UserRuntimeFolder();

// The user's home folder: $HOME, or the password database's entry when HOME
// is unset or not absolute.
std::filesystem::path HomeFolder();

}  // namespace marivel
